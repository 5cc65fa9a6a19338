// The desktop session around the clock, against stand-in services on a private message bus:
// the screen lock and the wake from sleep; and the quiet-time window that uses them.

#include "desktop/LockState.h"
#include "desktop/WakeSource.h"
#include "prefs/W_Quiet.h"

#include <QCheckBox>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimeEdit>

using namespace taku;

Q_DECLARE_METATYPE(QuietSettings)

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
