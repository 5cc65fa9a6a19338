#pragma once
// Whether the user's screen is locked: logind's LockedHint for this session on the system bus,
// else the desktop's screen saver on the session bus, else unknown (never locked).

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace taku {

class LockState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // True while the screen is locked.
    virtual bool locked() const = 0;
Q_SIGNALS:
    void changed(bool locked);
};

// A lock the caller sets: stands in for the desktop in tests and when nothing is watched.
class ManualLockState final : public LockState {
    Q_OBJECT
public:
    using LockState::LockState;
    bool locked() const override { return locked_; }
    void setLocked(bool locked);

private:
    bool locked_ = false;
};

class BusLockState final : public LockState {
    Q_OBJECT
public:
    enum class Source { None, Logind, ScreenSaver };
    // Asks logind on system for this process's session (XDG_SESSION_ID, else by process id),
    // falling back to org.freedesktop.ScreenSaver on session. Either connection may be
    // disconnected. Finding neither logs one line on taku.quiet.
    BusLockState(const QDBusConnection& system, const QDBusConnection& session,
                 QObject* parent = nullptr);
    bool locked() const override { return locked_; }
    Source source() const { return source_; }

private Q_SLOTS:
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);
    void screenSaverActiveChanged(bool active);

private:
    bool watchLogind();
    bool watchScreenSaver();
    void readLockedHint();
    void set(bool locked);

    QDBusConnection system_;
    QDBusConnection session_;
    QString sessionPath_;
    Source source_ = Source::None;
    bool locked_ = false;
};

} // namespace taku
