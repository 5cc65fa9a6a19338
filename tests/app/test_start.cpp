// Choices made before the clock exists: the Qt platform in a Wayland session, and one clock per
// data folder (a later start hands over; a crashed clock's leftovers do not block a start).

#include "app/QtPlatform.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>

using namespace taku;
using Claim = SingleInstance::Claim;

Q_DECLARE_METATYPE(SingleInstance::Claim)

class TestStart final : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString folder(const QString& name) const {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }
    QString runtime() const { return dir_.path(); }
    // A later start, on a thread of its own while this one answers as the running clock.
    Claim laterStart(const QString& folder, int waitMs = 5000) {
        Claim claim = Claim::First;
        std::unique_ptr<QThread> later(QThread::create(
            [&] { claim = SingleInstance(folder, runtime()).claim(waitMs); }));
        later->start();
        while (!later->wait(10))
            QCoreApplication::processEvents();
        return claim;
    }

private Q_SLOTS:
    void platform_data() {
        QTest::addColumn<QStringList>("env"); // NAME=value
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("platform");
        const QStringList wayland{QStringLiteral("WAYLAND_DISPLAY=wayland-0"),
                                  QStringLiteral("DISPLAY=:0")};
        const QStringList prog{QStringLiteral("chikutaku")};
        QTest::newRow("X11 session") << QStringList{QStringLiteral("DISPLAY=:0")} << prog
                                     << QByteArray();
        QTest::newRow("Wayland with XWayland") << wayland << prog << QByteArray("xcb");
        QTest::newRow("Wayland without X")
            << QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-0")} << prog << QByteArray();
        QTest::newRow("platform chosen in the environment")
            << wayland + QStringList{QStringLiteral("QT_QPA_PLATFORM=wayland")} << prog
            << QByteArray();
        QTest::newRow("empty platform in the environment")
            << wayland + QStringList{QStringLiteral("QT_QPA_PLATFORM=")} << prog
            << QByteArray("xcb");
        QTest::newRow("-platform")
            << wayland << prog + QStringList{QStringLiteral("-platform"), QStringLiteral("wayland")}
            << QByteArray();
        QTest::newRow("--platform")
            << wayland << prog + QStringList{QStringLiteral("--platform"), QStringLiteral("wayland")}
            << QByteArray();
        QTest::newRow("-platformtheme is another option")
            << wayland << prog + QStringList{QStringLiteral("-platformtheme"), QStringLiteral("gtk3")}
            << QByteArray("xcb");
        QTest::newRow("a program called -platform") << wayland << QStringList{QStringLiteral("-platform")}
                                                    << QByteArray("xcb");
    }
    void platform() {
        QFETCH(QStringList, env);
        QFETCH(QStringList, args);
        QProcessEnvironment e;
        for (const QString& v : env) e.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
        QTEST(chosenQtPlatform(e, args), "platform");
    }

    // The running clock shows its settings for a later start of its folder, however the path
    // is spelled; another folder has a clock of its own.
    void laterStartHandsOver() {
        SingleInstance first(folder(QStringLiteral("a")), runtime());
        QCOMPARE(first.claim(), Claim::First);
        QSignalSpy settings(&first, &SingleInstance::settingsRequested);
        QCOMPARE(laterStart(folder(QStringLiteral("a"))), Claim::HandedOver);
        QCOMPARE(settings.size(), 1);
        folder(QStringLiteral("b"));
        QCOMPARE(laterStart(dir_.filePath(QStringLiteral("b/../a/"))), Claim::HandedOver);
        QCOMPARE(settings.size(), 2);
        QVERIFY(QFile::link(folder(QStringLiteral("a")), dir_.filePath(QStringLiteral("link"))));
        QCOMPARE(laterStart(dir_.filePath(QStringLiteral("link"))), Claim::HandedOver);
        QCOMPARE(settings.size(), 3);

        SingleInstance other(folder(QStringLiteral("b")), runtime());
        QCOMPARE(other.claim(), Claim::First);
        QCOMPARE(settings.size(), 3);
    }

    // A clock that ended frees its folder.
    void endedClockFreesTheFolder() {
        {
            SingleInstance first(folder(QStringLiteral("c")), runtime());
            QCOMPARE(first.claim(), Claim::First);
        }
        SingleInstance next(folder(QStringLiteral("c")), runtime());
        QCOMPARE(next.claim(), Claim::First);
    }

    // A clock that crashed left its lock (of a process now gone) and its socket: the next start
    // is the clock, and a start after it reaches it.
    void crashedClockDoesNotBlock() {
        const QString base = SingleInstance(folder(QStringLiteral("d")), runtime()).baseName();
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(base + QStringLiteral(".lock"));
            _exit(lock.tryLock(0) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFile::exists(base + QStringLiteral(".lock")));
        QFile socket(base + QStringLiteral(".socket"));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        socket.close();

        SingleInstance next(folder(QStringLiteral("d")), runtime());
        QCOMPARE(next.claim(1000), Claim::First);
        QSignalSpy settings(&next, &SingleInstance::settingsRequested);
        QCOMPARE(laterStart(folder(QStringLiteral("d"))), Claim::HandedOver);
        QCOMPARE(settings.size(), 1);
    }

    // A clock that holds its folder but never answers: the later start gives up in time.
    void silentClock() {
        const QString base = SingleInstance(folder(QStringLiteral("e")), runtime()).baseName();
        QLockFile held(base + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));
        QElapsedTimer t;
        t.start();
        QCOMPARE(laterStart(folder(QStringLiteral("e")), 600), Claim::NoAnswer);
        QVERIFY(t.elapsed() < 3000);
    }
};

QTEST_MAIN(TestStart)
#include "test_start.moc"
