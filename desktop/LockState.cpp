#include "desktop/LockState.h"

#include "prefs/Quiet.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

namespace taku {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
// A bus that does not answer within this must not hold up the clock's start.
constexpr int kCallTimeoutMs = 2000;

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, kCallTimeoutMs);
}
} // namespace

BusLockState::BusLockState(const QDBusConnection& system, const QDBusConnection& session,
                           QObject* parent)
    : QObject(parent), system_(system), session_(session) {
    if (!watchLogind() && !watchScreenSaver())
        qCInfo(lcQuiet) << "screen lock unknown: no logind session and no screen saver on the "
                           "bus; quiet while locked does nothing";
}

bool BusLockState::watchLogind() {
    if (!system_.isConnected()) return false;
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    const QDBusMessage reply =
        id.isEmpty()
            ? call(system_, kLogind, kLogindPath, kManager, QStringLiteral("GetSessionByPID"),
                   {QVariant::fromValue(uint(QCoreApplication::applicationPid()))})
            : call(system_, kLogind, kLogindPath, kManager, QStringLiteral("GetSession"), {id});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    sessionPath_ = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
    if (sessionPath_.isEmpty()) return false;
    system_.connect(kLogind, sessionPath_, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    readLockedHint();
    return true;
}

void BusLockState::readLockedHint() {
    const QDBusMessage reply =
        call(system_, kLogind, sessionPath_, kProperties, QStringLiteral("Get"),
             {kSession, QStringLiteral("LockedHint")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    set(qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool());
}

bool BusLockState::watchScreenSaver() {
    if (!session_.isConnected()) return false;
    const QDBusMessage reply =
        call(session_, kScreenSaver, kScreenSaverPath, kScreenSaver, QStringLiteral("GetActive"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    session_.connect(kScreenSaver, kScreenSaverPath, kScreenSaver, QStringLiteral("ActiveChanged"),
                     this, SLOT(screenSaverActiveChanged(bool)));
    set(reply.arguments().constFirst().toBool());
    return true;
}

void BusLockState::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                            const QStringList& invalidated) {
    if (interface != kSession) return;
    const auto it = changed.constFind(QStringLiteral("LockedHint"));
    if (it != changed.cend())
        set(it->toBool());
    else if (invalidated.contains(QStringLiteral("LockedHint")))
        readLockedHint();
}

void BusLockState::screenSaverActiveChanged(bool active) { set(active); }

void BusLockState::set(bool locked) {
    if (locked == locked_) return;
    locked_ = locked;
    Q_EMIT changed(locked);
}

} // namespace taku
