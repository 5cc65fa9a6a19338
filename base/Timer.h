#pragma once
// A timer with a period in milliseconds, a mode and an action. The clock chains its timers by
// switching modes and periods.

#include <QObject>
#include <QTimer>
#include <functional>

namespace taku {

class ClockSource;

enum class TimerMode { Off, Once, Repeat };

// The period of a repeating timer that wakes at each wall-clock second boundary instead of
// after a fixed delay (see alignToSeconds).
inline constexpr int kEveryWallSecond = 1;

class Timer final : public QObject {
    Q_OBJECT
public:
    explicit Timer(int period = 1000, TimerMode mode = TimerMode::Off, QObject* parent = nullptr);

    int Period() const { return period_; }
    TimerMode Mode() const { return mode_; }
    // A new period takes effect from now for an active timer.
    void setPeriod(int ms);
    // Once (re)starts the countdown; Repeat on a repeating timer leaves it running as it is.
    void setMode(TimerMode mode);

    // A repeating timer whose period is below a second (kEveryWallSecond) fires at each
    // wall-clock second boundary instead (a millisecond or two after it): nothing a one-second
    // display shows changes in between, so there is no reason to wake up earlier. The boundary
    // is taken from the clock at every firing, so clock changes and suspend are caught at the
    // next firing.
    void alignToSeconds(const ClockSource* clock) { aligned_ = clock; }

    // A repeating timer aligned to seconds sleeps through the boundaries before epochMs and
    // fires next at that one; a new period or mode, or a firing, ends the skip.
    void skipUntil(qint64 epochMs);

    // The delay the timer would wait now.
    int nextDelay() const;

    std::function<void()> Action;

    // Runs the action as the timer would (tests use it to step without an event loop).
    void fire();

private:
    void arm();

    QTimer timer_;
    int period_;
    TimerMode mode_ = TimerMode::Off;
    bool firing_ = false;
    const ClockSource* aligned_ = nullptr;
    qint64 skipUntilMs_ = 0;
};

} // namespace taku
