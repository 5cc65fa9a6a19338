#include "app/Timer.h"

#include "app/Services.h"

#include <algorithm>

namespace taku {

namespace {
constexpr int kAfterBoundaryMs = 1;
}

Timer::Timer(int period, int mode, QObject* parent) : QObject(parent), period_(period) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::fire);
    setMode(mode);
}

void Timer::setPeriod(int ms) {
    period_ = std::max(0, ms);
    if (mode_ != 0 && !firing_) arm();
}

void Timer::setMode(int mode) {
    if (mode == mode_ && mode == 2 && timer_.isActive()) return;
    mode_ = mode;
    if (firing_) return; // fire() re-arms when the action returns
    if (mode_ == 0)
        timer_.stop();
    else
        arm();
}

int Timer::nextDelay() const {
    if (aligned_ && mode_ == 2 && period_ < 1000) {
        // Local seconds begin with UTC seconds, so no time-zone lookup is needed here.
        const int ms = static_cast<int>(aligned_->msecsSinceEpoch() % 1000);
        return 1000 - ms + kAfterBoundaryMs;
    }
    return period_;
}

void Timer::arm() { timer_.start(nextDelay()); }

void Timer::fire() {
    if (mode_ == 0) return;
    if (mode_ == 1) mode_ = 0;
    firing_ = true;
    if (Action) Action();
    firing_ = false;
    if (mode_ != 0)
        arm();
    else
        timer_.stop();
}

} // namespace taku
