// The desktop session around the clock, against stand-in services on a private message bus:
// the screen lock and the wake from sleep; and the quiet-time window that uses them.

#include "clock/ClockCore.h"
#include "desktop/Autostart.h"
#include "desktop/BusyState.h"
#include "desktop/DesktopSession.h"
#include "desktop/LockState.h"
#include "desktop/WakeSource.h"
#include "prefs/W_Quiet.h"
#include "support/Fakes.h"

#include <QCheckBox>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeEdit>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)
Q_DECLARE_METATYPE(Busy)

namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_37");

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
        return QDBusObjectPath(id == QLatin1String("7") ? kSessionPath : QStringLiteral("/"));
    }
};

class SessionStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint MEMBER lockedHint)
public:
    bool lockedHint = true;
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

    QDBusConnection bus(const QString& name) {
        return QDBusConnection::connectToBus(address_, name);
    }
    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createSignal(path, interface, name);
        m.setArguments(args);
        QVERIFY(bus(QStringLiteral("stub")).send(m));
    }

private Q_SLOTS:
    // A way of being busy is watched only while its choice is on, and the clock hears it:
    // stopping the watcher with the choice also clears what it said.
    // The quiet-time window's 「ログイン時に起動する」 writes and removes the session's autostart
    // entry for this executable, and shows what the entry says when the window opens.
    void loginBoxIsTheAutostartEntry() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString exe = QStringLiteral("/opt/ちくたく/chikutaku");
        W_Quiet::setAutostart({[&] { return autostart::enabled(exe); },
                               [&](bool on) { return autostart::setEnabled(on, exe); }});
        const QString entry = config.filePath(QStringLiteral("autostart/chikutaku.desktop"));
        {
            W_Quiet quiet;
            QVERIFY(!quiet.Check_Login->isHidden() && !quiet.Check_Login->isChecked());
            quiet.Check_Login->click();
            QCOMPARE(autostart::programOf(autostart::entryFor(exe)), exe);
            QVERIFY(autostart::enabled(exe));
        }
        {
            W_Quiet quiet; // a window opened later shows the entry
            QVERIFY(quiet.Check_Login->isChecked());
            quiet.Check_Login->click();
            QVERIFY(!QFile::exists(entry) && !quiet.Check_Login->isChecked());
        }
        // A folder that can't be written: the box shows that nothing changed.
        QVERIFY(QDir(config.filePath(QStringLiteral("autostart"))).removeRecursively());
        QVERIFY(QFile(config.filePath(QStringLiteral("autostart"))).open(QIODevice::WriteOnly));
        {
            W_Quiet quiet;
            quiet.Check_Login->click();
            QVERIFY(!quiet.Check_Login->isChecked());
        }
        W_Quiet::setAutostart({});
        qunsetenv("XDG_CONFIG_HOME");
        W_Quiet without;
        QVERIFY(without.Check_Login->isHidden());
    }

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
        DesktopSession session(core, nullptr, [&](Busy k) {
            auto watcher = std::make_unique<ManualBusyState>();
            made.append(watcher.get());
            kinds.append(k);
            return watcher;
        });
        QVERIFY(made.isEmpty()); // nothing chosen, nothing watched
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
        QList<bool> busy{false, false, false};
        busy[index] = true;

        choose(true);
        QCOMPARE(kinds, QList<Busy>{kind});
        made[0]->setActive(true);
        QCOMPARE(heard(), busy);
        env.edit([](SettingsRecord& s) { s.AlarmOn = true; }); // another change keeps the watcher
        QCOMPARE(made.size(), 1);
        choose(false);
        QVERIFY(made[0].isNull());
        QCOMPARE(heard(), (QList<bool>{false, false, false}));
        // Busy already when the choice is made: heard at once.
        choose(true);
        QCOMPARE(made.size(), 2);
        made[1]->setActive(true);
        choose(false);
        choose(true);
        QCOMPARE(heard(), (QList<bool>{false, false, false}));
        made[2]->setActive(true);
        QCOMPARE(heard(), busy);
    }

    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted()) QSKIP("dbus-daemon is not installed");
        QVERIFY(daemon_.waitForReadyRead());
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QDBusConnection stub = bus(QStringLiteral("stub"));
        for (QObject* o : std::initializer_list<QObject*>{&screenSaver_, &manager_, &session_})
            o->moveToThread(&stubThread_);
        stubThread_.start();
        QVERIFY(stub.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver_,
                                    QDBusConnection::ExportAllSlots));
        QVERIFY(stub.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager_,
                                    QDBusConnection::ExportAllSlots));
        QVERIFY(stub.registerObject(kSessionPath, &session_, QDBusConnection::ExportAllProperties));
        QVERIFY(stub.registerService(kLogin) && stub.registerService(kSaver));
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

    // The session's hint wins over the screen saver, which says unlocked.
    void lockFollowsTheLogindSession() {
        BusLockState lock(bus(QStringLiteral("client")), bus(QStringLiteral("client")));
        QVERIFY(lock.locked());
        emitSignal(kSessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("PropertiesChanged"),
                   {kLogin + QStringLiteral(".Session"),
                    QVariantMap{{QStringLiteral("LockedHint"), false}}, QStringList()});
        QTRY_COMPARE(lock.locked(), false);
    }

    void wakesWhenSleepEnds() {
        WakeSource wake(bus(QStringLiteral("client")));
        QSignalSpy woke(&wake, &WakeSource::woke);
        for (bool sleeping : {true, false})
            emitSignal(QStringLiteral("/org/freedesktop/login1"),
                       kLogin + QStringLiteral(".Manager"), QStringLiteral("PrepareForSleep"),
                       {sleeping});
        QTRY_COMPARE(woke.size(), 1);
    }

    // The quiet-time window shows the choices it is given and reports what the user edits.
    void quietWindowReportsEdits() {
        W_Quiet w;
        QSignalSpy changed(&w, &W_Quiet::changed);
        w.Open({true, 1320, 420, false, QStringLiteral("F9")});
        w.Check_Lock->setChecked(true);
        w.Edit_End->setTime(QTime(6, 30));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).value<QuietSettings>(),
                 (QuietSettings{true, 1320, 390, true, QStringLiteral("F9")}));
        QTest::mouseClick(w.Button_Clear, Qt::LeftButton);
        QCOMPARE(changed.last().at(0).value<QuietSettings>().shortcut, QString());
        w.Check_Quiet->setChecked(false);
        QVERIFY(!w.Edit_End->isEnabled());
        QCOMPARE(changed.last().at(0).value<QuietSettings>().on, false);
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
