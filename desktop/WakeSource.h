#pragma once
// Tells when the wall clock may have jumped: the clock was set, or the machine woke from sleep.
// A timer on the real-time clock that the kernel cancels whenever that clock is set (which it
// also does on resume), and logind's PrepareForSleep(false) where the system bus offers it.

#include <QDBusConnection>
#include <QObject>

class QSocketNotifier;

namespace taku {

class WakeSource final : public QObject {
    Q_OBJECT
public:
    // system may be disconnected: then only the timer watches.
    explicit WakeSource(const QDBusConnection& system, QObject* parent = nullptr);
    ~WakeSource() override;
    WakeSource(const WakeSource&) = delete;
    WakeSource& operator=(const WakeSource&) = delete;

Q_SIGNALS:
    // The wall clock was set or the machine resumed: the time shown is stale.
    void woke();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    void arm();
    void readTimer();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace taku
