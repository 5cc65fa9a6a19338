// The signs that the user is busy, against real services the test starts itself: a stand-in
// notifications service on a private message bus with GNOME's settings in a key file, and a
// private PulseAudio daemon with a null source as the microphone.

#include "support/PulseServer.h"
#include "desktop/DoNotDisturb.h"
#include "desktop/InCall.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace taku;
using taku::test::PulseServer;

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

class NotificationsStub final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited MEMBER inhibited)
public:
    bool inhibited = false;
};

} // namespace

class TestBusy final : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QString address_;
    NotificationsStub stub_;
    QThread stubThread_;
    QTemporaryDir config_;
    PulseServer pulse_;
    bool pulseUp_ = false;
    QString pulseWhy_;

    QDBusConnection bus(const QString& name) {
        return QDBusConnection::connectToBus(address_, name);
    }
    // What the service sends when its Inhibited property changes, for an interface.
    void announce(const QString& interface, const QVariantMap& changed,
                  const QStringList& invalidated = {}) {
        QDBusMessage m = QDBusMessage::createSignal(
            kNotificationsPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        m.setArguments({interface, changed, invalidated});
        QVERIFY(bus(QStringLiteral("stub")).send(m));
    }
    void setInhibited(bool on) {
        QMetaObject::invokeMethod(&stub_, [this, on] { stub_.inhibited = on; },
                                  Qt::BlockingQueuedConnection);
        announce(kNotifications, {{QStringLiteral("Inhibited"), on}});
    }
    static bool gsettings(const char* verb, const char* value = nullptr) {
        QStringList args{QString::fromLatin1(verb), QStringLiteral("org.gnome.desktop.notifications"),
                         QStringLiteral("show-banners")};
        if (value) args << QString::fromLatin1(value);
        return QProcess::execute(QStringLiteral("gsettings"), args) == 0;
    }
    static bool setBanners(bool on) { return gsettings("set", on ? "true" : "false"); }
    void needGnomeSettings() {
        if (!gsettings("get")) QSKIP("gsettings or GNOME's notification schema is not installed");
    }
    void needPulse() {
        if (!pulseUp_) QSKIP(qPrintable(pulseWhy_));
    }

private Q_SLOTS:
    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        QVERIFY2(daemon_.waitForStarted(), "dbus-daemon is not installed");
        QVERIFY(daemon_.waitForReadyRead());
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        stub_.moveToThread(&stubThread_);
        stubThread_.start();
        QDBusConnection stub = bus(QStringLiteral("stub"));
        QVERIFY(stub.registerObject(kNotificationsPath, &stub_,
                                    QDBusConnection::ExportAllProperties));
        QVERIFY(stub.registerService(kNotifications));
        // GNOME's settings in a key file of this test's own; gsettings children inherit it.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        pulseUp_ = pulse_.start(&pulseWhy_);
    }
    void cleanupTestCase() {
        pulse_.kill();
        QDBusConnection::disconnectFromBus(QStringLiteral("stub"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        stubThread_.quit();
        stubThread_.wait();
        daemon_.kill();
        daemon_.waitForFinished();
    }
    void init() {
        QMetaObject::invokeMethod(&stub_, [this] { stub_.inhibited = false; },
                                  Qt::BlockingQueuedConnection);
        if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).size()) setBanners(true);
    }

    // The service's Inhibited property as read at the start and as announced later; an
    // announcement of another interface, or of another property, changes nothing.
    void doNotDisturbFollowsTheService() {
        setInhibited(true);
        DoNotDisturb dnd(bus(QStringLiteral("client")), QString());
        QTRY_VERIFY(dnd.active());
        QSignalSpy changed(&dnd, &BusyState::changed);
        setInhibited(false);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        announce(QStringLiteral("org.example.Other"), {{QStringLiteral("Inhibited"), true}});
        announce(kNotifications, {{QStringLiteral("Other"), true}});
        QTest::qWait(300);
        QVERIFY(!dnd.active());
        setInhibited(true);
        QTRY_VERIFY(dnd.active());
        QCOMPARE(changed.size(), 2);
            // An invalidated property is read again.
        QMetaObject::invokeMethod(&stub_, [this] { stub_.inhibited = false; },
                                  Qt::BlockingQueuedConnection);
        announce(kNotifications, {}, {QStringLiteral("Inhibited")});
        QTRY_VERIFY(!dnd.active());
        // The service leaving takes its inhibition with it; a new one is read.
        setInhibited(true);
        QTRY_VERIFY(dnd.active());
        QDBusConnection stub = bus(QStringLiteral("stub"));
        QVERIFY(stub.unregisterService(kNotifications));
        QTRY_VERIFY(!dnd.active());
        QVERIFY(stub.registerService(kNotifications));
        QTRY_VERIFY(dnd.active());
    }

    // GNOME's switch, as read at the start and as changed later; both signs together.
    void doNotDisturbFollowsGnomeBanners() {
        needGnomeSettings();
        QVERIFY(setBanners(false));
        DoNotDisturb dnd(bus(QStringLiteral("client")));
        QTRY_VERIFY(dnd.active());
        QVERIFY(setBanners(true));
        QTRY_VERIFY(!dnd.active());
        QVERIFY(setBanners(false));
        QTRY_VERIFY(dnd.active());
        setInhibited(true);
        QVERIFY(setBanners(true));
        QTest::qWait(300);
        QVERIFY(dnd.active()); // still inhibited by the service
        setInhibited(false);
        QTRY_VERIFY(!dnd.active());
    }

    // Where neither sign can be read (no service, no GNOME schema) nothing is held back.
    void doNotDisturbWithNothingToRead() {
        needGnomeSettings();
        QVERIFY(setBanners(false));
        QTemporaryDir noSchemas;
        const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", QFile::encodeName(noSchemas.path()));
        DoNotDisturb dnd(QDBusConnection(QStringLiteral("never-connected")));
        DoNotDisturb noTool(QDBusConnection(QStringLiteral("never-connected")),
                            QStringLiteral("/nonexistent/gsettings"));
        QTest::qWait(500);
        qputenv("XDG_DATA_DIRS", dataDirs);
        QVERIFY(!dnd.active() && !noTool.active());
    }

    // Recording from the microphone is a call; recording what the speakers play (a monitor)
    // is not. A recording already running counts from the start. The server crashing ends the
    // call; the watcher finds the server again once it is back.
    void inCallCountsMicrophonesOnly() {
        needPulse();
        InCall inCall(pulse_.address());
        QTRY_VERIFY(inCall.connected());
        QSignalSpy changed(&inCall, &BusyState::changed);
        QVERIFY(pulse_.record(QStringLiteral("speakers.monitor")));
        QTest::qWait(500);
        QVERIFY(!inCall.active());
        QVERIFY(pulse_.record(QStringLiteral("mic")));
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
        QVERIFY(pulse_.record(QStringLiteral("mic")));
        QTRY_VERIFY(inCall.active());
        pulse_.stopRecording();
        QTRY_VERIFY(!inCall.active());
    }

    // No server at all: never a call.
    void inCallWithoutAServer() {
        QTemporaryDir none;
        InCall inCall(QStringLiteral("unix:") + none.filePath(QStringLiteral("native")));
        QTest::qWait(300);
        QVERIFY(!inCall.connected());
        QVERIFY(!inCall.active());
    }
};

QTEST_MAIN(TestBusy)
#include "test_busy.moc"
