// The desktop session around the clock, against stand-in services on a private message bus:
// the screen lock, the wake from sleep, the key names for a global grab, the tray menu.

#include "desktop/ClockTray.h"
#include "desktop/GlobalShortcut.h"
#include "desktop/LockState.h"
#include "desktop/WakeSource.h"
#include "prefs/Quiet.h"

#include <QAction>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace taku;

Q_DECLARE_METATYPE(std::optional<X11Key>)

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_37");

class ScreenSaverStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool active = false;
public Q_SLOTS:
    bool GetActive() { return active; }
};

class ManagerStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id) {
        return QDBusObjectPath(id == QLatin1String("7") ? kSessionPath : QStringLiteral("/"));
    }
};

class SessionStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint MEMBER lockedHint)
public:
    bool lockedHint = false;
};

} // namespace

class TestDesktop final : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QString address_;
    ScreenSaverStub screenSaver_;
    ManagerStub manager_;
    SessionStub session_;
    // The stand-ins answer from a thread of their own while the clock's side blocks on a call.
    QThread stubThread_;

    QDBusConnection stub() {
        return QDBusConnection::connectToBus(address_, QStringLiteral("stub"));
    }
    QDBusConnection client() {
        return QDBusConnection::connectToBus(address_, QStringLiteral("client"));
    }
    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createSignal(path, interface, name);
        m.setArguments(args);
        QVERIFY(stub().send(m));
    }
    void own(const QString& service, bool on) {
        if (on)
            QVERIFY(stub().registerService(service));
        else
            stub().unregisterService(service);
    }

private Q_SLOTS:
    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted()) QSKIP("dbus-daemon is not installed");
        QVERIFY(daemon_.waitForReadyRead());
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QVERIFY(stub().isConnected());
        for (QObject* o : {static_cast<QObject*>(&screenSaver_), static_cast<QObject*>(&manager_),
                           static_cast<QObject*>(&session_)})
            o->moveToThread(&stubThread_);
        stubThread_.start();
        QVERIFY(stub().registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver_,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(stub().registerObject(QStringLiteral("/org/freedesktop/login1"), &manager_,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(
            stub().registerObject(kSessionPath, &session_, QDBusConnection::ExportAllProperties));
        qputenv("XDG_SESSION_ID", "7");
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("stub"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        stubThread_.quit();
        stubThread_.wait();
        daemon_.kill();
        daemon_.waitForFinished();
    }

    void lockFollowsTheScreenSaver() {
        own(QStringLiteral("org.freedesktop.ScreenSaver"), true);
        screenSaver_.active = true;
        BusLockState lock(QDBusConnection(QStringLiteral("none")), client());
        QCOMPARE(lock.source(), BusLockState::Source::ScreenSaver);
        QVERIFY(lock.locked());
        QSignalSpy changes(&lock, &LockState::changed);
        const QString iface = QStringLiteral("org.freedesktop.ScreenSaver");
        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), iface,
                   QStringLiteral("ActiveChanged"), {false});
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(lock.locked(), false);
        emitSignal(QStringLiteral("/org/freedesktop/ScreenSaver"), iface,
                   QStringLiteral("ActiveChanged"), {true});
        QTRY_VERIFY(lock.locked());
        own(QStringLiteral("org.freedesktop.ScreenSaver"), false);
    }

    void lockFollowsTheLogindSession() {
        // With both present the session's hint wins over the screen saver.
        own(QStringLiteral("org.freedesktop.login1"), true);
        own(QStringLiteral("org.freedesktop.ScreenSaver"), true);
        screenSaver_.active = false;
        session_.lockedHint = true;
        BusLockState lock(client(), client());
        QCOMPARE(lock.source(), BusLockState::Source::Logind);
        QVERIFY(lock.locked());
        const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
        const QString sessionIface = QStringLiteral("org.freedesktop.login1.Session");
        emitSignal(
            kSessionPath, props, QStringLiteral("PropertiesChanged"),
            {sessionIface, QVariantMap{{QStringLiteral("LockedHint"), false}}, QStringList()});
        QTRY_COMPARE(lock.locked(), false);
        // Only named as changed: the state is read again.
        session_.lockedHint = true;
        emitSignal(kSessionPath, props, QStringLiteral("PropertiesChanged"),
                   {sessionIface, QVariantMap(), QStringList{QStringLiteral("LockedHint")}});
        QTRY_VERIFY(lock.locked());
        own(QStringLiteral("org.freedesktop.login1"), false);
        own(QStringLiteral("org.freedesktop.ScreenSaver"), false);
    }

    void noBusSaysSoOnce() {
        const_cast<QLoggingCategory&>(lcQuiet()).setEnabled(QtInfoMsg, true);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^screen lock unknown")));
        BusLockState lock(client(), QDBusConnection(QStringLiteral("none")));
        QCOMPARE(lock.source(), BusLockState::Source::None);
        QCOMPARE(lock.locked(), false);
        const_cast<QLoggingCategory&>(lcQuiet()).setEnabled(QtInfoMsg, false);
    }

    void wakesWhenSleepEnds() {
        own(QStringLiteral("org.freedesktop.login1"), true);
        WakeSource wake(client());
        QVERIFY(wake.watchingClock());
        QSignalSpy woke(&wake, &WakeSource::woke);
        const QString manager = QStringLiteral("org.freedesktop.login1.Manager");
        emitSignal(QStringLiteral("/org/freedesktop/login1"), manager,
                   QStringLiteral("PrepareForSleep"), {true});
        emitSignal(QStringLiteral("/org/freedesktop/login1"), manager,
                   QStringLiteral("PrepareForSleep"), {false});
        QTRY_COMPARE(woke.size(), 1);
        own(QStringLiteral("org.freedesktop.login1"), false);
    }

    void keyNames_data() {
        QTest::addColumn<QString>("portable");
        QTest::addColumn<std::optional<X11Key>>("x11");
        QTest::addColumn<QString>("portal");
        using K = std::optional<X11Key>;
        QTest::newRow("letter") << "Ctrl+Alt+T" << K(X11Key{0x74, 4 | 8}) << "CTRL+ALT+t";
        QTest::newRow("function key") << "Shift+F12" << K(X11Key{0xffc9, 1}) << "SHIFT+F12";
        QTest::newRow("digit with super") << "Meta+5" << K(X11Key{0x35, 64}) << "LOGO+5";
        QTest::newRow("space") << "Ctrl+Space" << K(X11Key{0x20, 4}) << "";
        QTest::newRow("named key") << "Ctrl+Alt+Del" << K(X11Key{0xffff, 4 | 8}) << "";
        QTest::newRow("none") << "" << K() << "";
    }
    void keyNames() {
        QFETCH(QString, portable);
        QFETCH(std::optional<X11Key>, x11);
        QFETCH(QString, portal);
        const QKeySequence key = QKeySequence::fromString(portable, QKeySequence::PortableText);
        QCOMPARE(x11Key(key), x11);
        QCOMPARE(portalTrigger(key), portal);
    }

    void trayMenuItems() {
        ClockTray tray;
        QSignalSpy settings(&tray, &ClockTray::settingsRequested);
        QSignalSpy speak(&tray, &ClockTray::speakNowRequested);
        QSignalSpy quit(&tray, &ClockTray::quitRequested);
        const QList<QSignalSpy*> spies{&settings, &speak, &quit};
        const QStringList names{QStringLiteral("TraySetting"), QStringLiteral("TraySpeakNow"),
                                QStringLiteral("TrayQuit")};
        for (int i = 0; i < names.size(); ++i) {
            auto* action = tray.menu()->findChild<QAction*>(names[i]);
            QVERIFY(action);
            action->trigger();
            for (int j = 0; j < spies.size(); ++j)
                QCOMPARE(spies[j]->size(), j <= i ? 1 : 0);
        }
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
