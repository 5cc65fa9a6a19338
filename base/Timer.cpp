#include "base/Timer.h"

#include "base/Services.h"

#include <algorithm>

namespace taku {

namespace {
constexpr int kAfterBoundaryMs = 1;
// A repeating one-second registration that fires within this many milliseconds after the
// boundary is left running; one that has drifted further is started again on the boundary.
constexpr int kInStepMs = 4;
} // namespace

Timer::Timer(int period, TimerMode mode, QObject* parent) : QObject(parent), period_(period) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::fire);
    setMode(mode);
}

void Timer::setPeriod(int ms) {
    period_ = std::max(0, ms);
    skipUntilMs_ = 0;
    if (mode_ != TimerMode::Off && !firing_) arm();
}

void Timer::setMode(TimerMode mode) {
    if (mode == mode_ && mode == TimerMode::Repeat && timer_.isActive()) return;
    mode_ = mode;
    skipUntilMs_ = 0;
    if (firing_) return; // fire() re-arms when the action returns
    if (mode_ == TimerMode::Off)
        timer_.stop();
    else
        arm();
}

void Timer::skipUntil(qint64 epochMs) {
    skipUntilMs_ = epochMs;
    if (mode_ != TimerMode::Off && !firing_) arm();
}

int Timer::nextDelay() const {
    if (aligned_ && mode_ == TimerMode::Repeat && period_ < 1000) {
        const qint64 now = aligned_->msecsSinceEpoch();
        if (skipUntilMs_ > now) return static_cast<int>(skipUntilMs_ - now) + kAfterBoundaryMs;
        // Local seconds begin with UTC seconds, so no time-zone lookup is needed here.
        const int ms = static_cast<int>(now % 1000);
        return 1000 - ms + kAfterBoundaryMs;
    }
    return period_;
}

void Timer::arm() {
    const int delay = nextDelay();
    if (aligned_ && mode_ == TimerMode::Repeat && period_ < 1000) {
        // Fired just after a boundary: from here on the next boundaries are a second apart,
        // so one repeating registration serves them all.
        if (delay > 1000 - kInStepMs && delay <= 1000 + kAfterBoundaryMs) {
            if (timer_.isActive() && !timer_.isSingleShot()) return;
            timer_.setSingleShot(false);
            timer_.start(1000);
            return;
        }
    }
    timer_.setSingleShot(true);
    timer_.start(delay);
}

void Timer::fire() {
    if (mode_ == TimerMode::Off) return;
    if (mode_ == TimerMode::Once) mode_ = TimerMode::Off;
    firing_ = true;
    skipUntilMs_ = 0;
    if (Action) Action();
    firing_ = false;
    if (mode_ != TimerMode::Off)
        arm();
    else
        timer_.stop();
}

} // namespace taku
