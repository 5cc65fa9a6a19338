#pragma once
// A timer with a period in milliseconds, a mode (0 off, 1 fire once, 2 repeat) and an action.
// Windows chain their timers by switching modes and periods.

#include <QObject>
#include <QTimer>
#include <functional>

namespace taku {

class ClockSource;

class Timer final : public QObject {
    Q_OBJECT
public:
    explicit Timer(int period = 1000, int mode = 0, QObject* parent = nullptr);

    int Period() const { return period_; }
    int Mode() const { return mode_; }
    // A new period takes effect from now for an active timer.
    void setPeriod(int ms);
    // Mode 1 (re)starts the countdown; mode 2 on a repeating timer leaves it running as it is.
    void setMode(int mode);

    // A repeating timer whose period is below a second fires at each wall-clock second
    // boundary instead (a millisecond or two after it): nothing a one-second display shows
    // changes in between, so there is no reason to wake up earlier. The boundary is taken from
    // the clock at every firing, so clock changes and suspend are caught at the next firing.
    void alignToSeconds(const ClockSource* clock) { aligned_ = clock; }

    // The delay the timer would wait now.
    int nextDelay() const;

    std::function<void()> Action;

    // Runs the action as the timer would (tests use it to step without an event loop).
    void fire();

private:
    void arm();

    QTimer timer_;
    int period_;
    int mode_ = 0;
    bool firing_ = false;
    const ClockSource* aligned_ = nullptr;
};

} // namespace taku
