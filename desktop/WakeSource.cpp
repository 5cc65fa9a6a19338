#include "desktop/WakeSource.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace taku {

namespace {
// The timer itself should never expire: it is there only to be cancelled.
constexpr time_t kFarAhead = 10L * 365 * 24 * 3600;
} // namespace

WakeSource::WakeSource(const QDBusConnection& system, QObject* parent) : QObject(parent) {
    fd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        arm();
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { readTimer(); });
    }
    if (system.isConnected()) {
        QDBusConnection bus(system);
        bus.connect(QStringLiteral("org.freedesktop.login1"),
                    QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    }
}

WakeSource::~WakeSource() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

void WakeSource::arm() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    itimerspec expiry{};
    expiry.it_value.tv_sec = now.tv_sec + kFarAhead;
    timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr);
}

void WakeSource::readTimer() {
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
    const int error = n < 0 ? errno : 0;
    if (error == EAGAIN) return;
    // ECANCELED: the clock was set. A cancelled timer stays disarmed until set again.
    arm();
    if (error == ECANCELED) Q_EMIT woke();
}

void WakeSource::prepareForSleep(bool sleeping) {
    if (!sleeping) Q_EMIT woke();
}

} // namespace taku
