#pragma once
// Whether the user's screen is locked: logind's LockedHint for this session on the system bus,
// else the desktop's screen saver on the session bus, else unknown (never locked).

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace taku {

class BusLockState final : public QObject {
    Q_OBJECT
public:
    // Asks logind on system for this process's session (XDG_SESSION_ID, else by process id),
    // falling back to org.freedesktop.ScreenSaver on session. Either connection may be
    // disconnected. Finding neither logs one line on taku.quiet.
    BusLockState(const QDBusConnection& system, const QDBusConnection& session,
                 QObject* parent = nullptr);
    // True while the screen is locked.
    bool locked() const { return locked_; }

Q_SIGNALS:
    void changed(bool locked);

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
    bool locked_ = false;
};

} // namespace taku
