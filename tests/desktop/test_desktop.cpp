// The desktop around the clock, against real services the test starts itself: stand-ins for the
// notifications service, logind and the screen saver on a private message bus, GNOME's settings
// in a key file, and a private PulseAudio daemon with a null source as the microphone. Then the
// session that follows the busy watchers, and the quiet-time window.

#include "clock/ClockCore.h"
#include "desktop/BusyState.h"
#include "desktop/DesktopSession.h"
#include "desktop/DoNotDisturb.h"
#include "desktop/InCall.h"
#include "desktop/LockState.h"
#include "desktop/WakeSource.h"
#include "prefs/W_Quiet.h"
#include "support/Fakes.h"
#include "support/PulseServer.h"

#include <QCheckBox>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <atomic>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)
Q_DECLARE_METATYPE(Busy)

namespace {
const QString kNotifications = "org.freedesktop.Notifications";
const QString kLogin = "org.freedesktop.login1";
const QString kSessionPath = "/org/freedesktop/login1/session/_37";

class NotificationsStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited READ isInhibited)
public:
    std::atomic<bool> inhibited = false;
    bool isInhibited() const { return inhibited; }
};

class ScreenSaverStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public Q_SLOTS:
    bool GetActive() { return false; }
};

class ManagerStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id) {
        return QDBusObjectPath(id == "7" ? kSessionPath : "/");
    }
};

class SessionStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint)
public:
    bool lockedHint() const { return true; }
};
} // namespace

class TestDesktop final : public QObject {
    Q_OBJECT
    QTemporaryDir dir_; // the bus's socket and GNOME's settings
    QProcess daemon_;
    QString address_;
    // The stand-ins answer from a thread of their own while the clock's side blocks on a call.
    QThread stubThread_;
    NotificationsStub notifications_;
    ScreenSaverStub screenSaver_;
    ManagerStub manager_;
    SessionStub session_;
    test::PulseServer pulse_;
    QString pulseWhy_;

    QDBusConnection client() { return QDBusConnection::connectToBus(address_, "client"); }
    QDBusConnection stub() { return QDBusConnection::connectToBus(address_, "stub"); }
    void signal(const QString& path, const QString& interface, const QString& name,
                const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createSignal(path, interface, name);
        m.setArguments(args);
        QVERIFY(stub().send(m));
    }
    // What the notifications service sends when a property changes, for an interface.
    void announce(const QString& interface, const QVariantMap& changed,
                  const QStringList& invalidated = {}) {
        signal("/org/freedesktop/Notifications", "org.freedesktop.DBus.Properties",
               "PropertiesChanged", {interface, changed, invalidated});
    }
    void setInhibited(bool on) {
        notifications_.inhibited = on;
        announce(kNotifications, {{"Inhibited", on}});
    }
    // GNOME's switch for banners; without a value, whether it can be read at all.
    static bool banners(const char* value = nullptr) {
        QStringList args{value ? "set" : "get", "org.gnome.desktop.notifications", "show-banners"};
        if (value) args << value;
        return QProcess::execute("gsettings", args) == 0;
    }

private Q_SLOTS:
    void initTestCase() {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                                      "--address=unix:path=" + dir_.filePath("bus")});
        QVERIFY2(daemon_.waitForStarted() && daemon_.waitForReadyRead(),
                 "dbus-daemon is not installed");
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        for (QObject* o :
             std::initializer_list<QObject*>{&notifications_, &screenSaver_, &manager_, &session_})
            o->moveToThread(&stubThread_);
        stubThread_.start();
        QVERIFY(stub().registerObject("/org/freedesktop/Notifications", &notifications_,
                                      QDBusConnection::ExportAllProperties));
        QVERIFY(stub().registerObject("/org/freedesktop/ScreenSaver", &screenSaver_,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(stub().registerObject("/org/freedesktop/login1", &manager_,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(
            stub().registerObject(kSessionPath, &session_, QDBusConnection::ExportAllProperties));
        for (const QString& service :
             {kNotifications, kLogin, QString("org.freedesktop.ScreenSaver")})
            QVERIFY(stub().registerService(service));
        qputenv("XDG_SESSION_ID", "7");
        // GNOME's settings in a key file of this test's own; gsettings children inherit it.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
        pulse_.start(&pulseWhy_);
    }
    void cleanupTestCase() {
        for (const char* name : {"stub", "client"})
            QDBusConnection::disconnectFromBus(name);
        stubThread_.quit();
        stubThread_.wait();
        daemon_.kill();
        daemon_.waitForFinished();
    }
    void init() {
        notifications_.inhibited = false;
        banners("true");
    }

    // The service's Inhibited property as read at the start and as announced later; an
    // announcement of another interface, or of another property, changes nothing.
    void doNotDisturbFollowsTheService() {
        setInhibited(true);
        DoNotDisturb dnd(client(), QString());
        QTRY_VERIFY(dnd.active());
        QSignalSpy changed(&dnd, &BusyState::changed);
        setInhibited(false);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        announce("org.example.Other", {{"Inhibited", true}});
        announce(kNotifications, {{"Other", true}});
        QTest::qWait(300);
        QVERIFY(!dnd.active());
        setInhibited(true);
        QTRY_VERIFY(dnd.active());
        QCOMPARE(changed.size(), 2);
        // An invalidated property is read again.
        notifications_.inhibited = false;
        announce(kNotifications, {}, {"Inhibited"});
        QTRY_VERIFY(!dnd.active());
        // The service leaving takes its inhibition with it; a new one is read.
        setInhibited(true);
        QTRY_VERIFY(dnd.active());
        QVERIFY(stub().unregisterService(kNotifications));
        QTRY_VERIFY(!dnd.active());
        QVERIFY(stub().registerService(kNotifications));
        QTRY_VERIFY(dnd.active());
    }

    // GNOME's switch, as read at the start and as changed later; both signs together. Where
    // neither sign can be read (no service, no GNOME schema) nothing is held back.
    void doNotDisturbFollowsGnomeBanners() {
        if (!banners()) QSKIP("gsettings or GNOME's notification schema is not installed");
        QVERIFY(banners("false"));
        DoNotDisturb dnd(client());
        QTRY_VERIFY(dnd.active());
        QVERIFY(banners("true"));
        QTRY_VERIFY(!dnd.active());
        QVERIFY(banners("false"));
        QTRY_VERIFY(dnd.active());
        setInhibited(true);
        QVERIFY(banners("true"));
        QTest::qWait(300);
        QVERIFY(dnd.active()); // still inhibited by the service
        setInhibited(false);
        QTRY_VERIFY(!dnd.active());

        QVERIFY(banners("false"));
        QTemporaryDir noSchemas;
        const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", QFile::encodeName(noSchemas.path()));
        DoNotDisturb noSchema(QDBusConnection("never-connected"));
        DoNotDisturb noTool(QDBusConnection("never-connected"), "/nonexistent/gsettings");
        QTest::qWait(500);
        qputenv("XDG_DATA_DIRS", dataDirs);
        QVERIFY(!noSchema.active() && !noTool.active());
    }

    // Recording from the microphone is a call; recording what the speakers play (a monitor)
    // is not. A recording already running counts from the start. The server crashing ends the
    // call; the watcher finds the server again once it is back. No server: never a call.
    void inCallCountsMicrophonesOnly() {
        InCall noServer("unix:" + dir_.filePath("no-pulse"));
        if (!pulseWhy_.isEmpty()) QSKIP(qPrintable(pulseWhy_));
        InCall inCall(pulse_.address());
        QTRY_VERIFY(inCall.connected());
        QSignalSpy changed(&inCall, &BusyState::changed);
        QVERIFY(pulse_.record("speakers.monitor"));
        QTest::qWait(500);
        QVERIFY(!inCall.active());
        QVERIFY(pulse_.record("mic"));
        QTRY_VERIFY(inCall.active());
        QCOMPARE(changed.size(), 1);
        InCall later(pulse_.address());
        QTRY_VERIFY(later.active());
        pulse_.kill();
        QTRY_VERIFY(!inCall.connected());
        QVERIFY(!inCall.active());
        QString why;
        QVERIFY2(pulse_.start(&why), qPrintable(why));
        QTRY_VERIFY_WITH_TIMEOUT(inCall.connected(), 15000);
        QVERIFY(pulse_.record("mic"));
        QTRY_VERIFY(inCall.active());
        pulse_.stopRecording();
        QTRY_VERIFY(!inCall.active());
        QVERIFY(!noServer.connected() && !noServer.active());
    }

    // The session's hint wins over the screen saver, which says unlocked.
    void lockFollowsTheLogindSession() {
        BusLockState lock(client(), client());
        QVERIFY(lock.locked());
        signal(kSessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
               {kLogin + ".Session", QVariantMap{{"LockedHint", false}}, QStringList()});
        QTRY_COMPARE(lock.locked(), false);
    }

    void wakesWhenSleepEnds() {
        WakeSource wake(client());
        QSignalSpy woke(&wake, &WakeSource::woke);
        signal("/org/freedesktop/login1", kLogin + ".Manager", "PrepareForSleep", {true});
        QTest::qWait(300);
        QCOMPARE(woke.size(), 0);
        signal("/org/freedesktop/login1", kLogin + ".Manager", "PrepareForSleep", {false});
        QTRY_COMPARE(woke.size(), 1);
    }

    // A way of being busy is watched only while its choice is on, and the clock hears it:
    // stopping the watcher with the choice also clears what it said.
    void busyWatchersFollowTheChoices_data() {
        QTest::addColumn<Busy>("kind");
        QTest::addColumn<int>("index"); // of the choice, and of what the clock heard
        QTest::newRow("muted") << Busy::Dnd << 0;
        QTest::newRow("call") << Busy::Call << 1;
        QTest::newRow("full screen") << Busy::FullScreen << 2;
    }
    void busyWatchersFollowTheChoices() {
        QFETCH(Busy, kind);
        QFETCH(int, index);
        test::TestEnv env;
        ClockCore core;
        QList<QPointer<ManualBusyState>> made;
        QList<Busy> kinds;
        bool busyAtStart = false;
        DesktopSession session(core, nullptr, [&](Busy k) {
            auto watcher = std::make_unique<ManualBusyState>();
            watcher->setActive(busyAtStart);
            made.append(watcher.get());
            kinds.append(k);
            return watcher;
        });
        const auto choose = [&](bool on) {
            env.edit([&](SettingsRecord& s) {
                QuietSettings q = quietSettings(s);
                (index == 0 ? q.whenDnd : index == 1 ? q.inCall : q.whenFullScreen) = on;
                setQuietSettings(s, q);
            });
        };
        const auto heard = [&] {
            const DesktopState d = core.desktopState();
            return QList<bool>{d.dnd, d.inCall, d.fullScreen};
        };
        const QList<bool> idle{false, false, false};
        QList<bool> busy = idle;
        busy[index] = true;

        QVERIFY(made.isEmpty()); // nothing chosen, nothing watched
        choose(true);
        QCOMPARE(kinds, QList<Busy>{kind});
        QCOMPARE(heard(), idle);
        made[0]->setActive(true);
        QCOMPARE(heard(), busy);
        env.edit([](SettingsRecord& s) { s.AlarmOn = true; }); // another change keeps the watcher
        QCOMPARE(made.size(), 1);
        choose(false);
        QVERIFY(made[0].isNull());
        QCOMPARE(heard(), idle);
        busyAtStart = true; // busy already when the choice is made: heard at once
        choose(true);
        QCOMPARE(heard(), busy);
    }

    // The quiet-time window shows the choices it is given and reports what the user edits.
    void quietWindowReportsEdits() {
        W_Quiet w;
        QSignalSpy changed(&w, &W_Quiet::changed);
        w.Open({true, 1320, 420, false, "F9"});
        w.Check_Lock->setChecked(true);
        w.Edit_End->setTime(QTime(6, 30));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).value<QuietSettings>(),
                 (QuietSettings{true, 1320, 390, true, "F9"}));
        QTest::mouseClick(w.Button_Clear, Qt::LeftButton);
        QCOMPARE(changed.last().at(0).value<QuietSettings>().shortcut, QString());
        w.Check_Quiet->setChecked(false);
        QVERIFY(!w.Edit_End->isEnabled());
        QCOMPARE(changed.last().at(0).value<QuietSettings>().on, false);
    }

    // 「ログイン時に起動する」 writes and removes the session's autostart entry, and shows what
    // the entry says when the window is shown and after each click; without the entry's hooks
    // it is hidden.
    void loginBoxIsTheAutostartEntry() {
        bool entry = false, writable = true;
        W_Quiet::setAutostart({[&] { return entry; },
                               [&](bool on) {
                                   if (writable) entry = on;
                                   return writable;
                               }});
        W_Quiet quiet;
        QVERIFY(!quiet.Check_Login->isHidden() && !quiet.Check_Login->isChecked());
        quiet.Check_Login->click();
        QVERIFY(entry && quiet.Check_Login->isChecked());
        quiet.Check_Login->click();
        QVERIFY(!entry);
        entry = true; // written by another window
        quiet.show();
        QVERIFY(quiet.Check_Login->isChecked());
        writable = false; // the box shows that nothing changed
        quiet.Check_Login->click();
        QVERIFY(entry && quiet.Check_Login->isChecked());
        W_Quiet::setAutostart({});
        QVERIFY(W_Quiet().Check_Login->isHidden());
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
