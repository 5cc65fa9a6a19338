#pragma once
// Something on the desktop that says the user is busy: notifications muted, a microphone in
// use, a full-screen window in front. Each watcher starts when made and stops when destroyed.

#include <QObject>

namespace taku {

class BusyState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // True while the desktop says the user is busy in this way.
    bool active() const { return active_; }
Q_SIGNALS:
    void changed(bool active);

protected:
    void setActive(bool active) {
        if (active == active_) return;
        active_ = active;
        Q_EMIT changed(active);
    }

private:
    bool active_ = false;
};

// A state the caller sets: stands in for the desktop in tests.
class ManualBusyState final : public BusyState {
    Q_OBJECT
public:
    using BusyState::BusyState;
    using BusyState::setActive;
};

} // namespace taku
