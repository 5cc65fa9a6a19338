// Choices made before the clock exists: the Qt platform in a Wayland session, and one clock per
// data folder (a later start hands over; a crashed clock's leftovers do not block a start).

#include "app/QtPlatform.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <optional>
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
        QTest::addColumn<QString>("env"); // NAME=value ...
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("platform");
        const auto row = [](const char* name, const char* env, const char* args, const char* platform) {
            QTest::newRow(name) << QString::fromLatin1(env) << QString::fromLatin1(args)
                                << QByteArray(platform);
        };
        const char* const wayland = "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0";
        row("X11 session", "DISPLAY=:0", "chikutaku", "");
        row("Wayland with XWayland", wayland, "chikutaku", "xcb");
        row("Wayland without X", "WAYLAND_DISPLAY=wayland-0", "chikutaku", "");
        row("platform chosen in the environment",
            "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0 QT_QPA_PLATFORM=wayland", "chikutaku", "");
        row("empty platform in the environment",
            "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0 QT_QPA_PLATFORM=", "chikutaku", "xcb");
        row("-platform", wayland, "chikutaku -platform wayland", "");
        row("--platform", wayland, "chikutaku --platform wayland", "");
        row("-platformtheme is another option", wayland, "chikutaku -platformtheme gtk3", "xcb");
        row("a program called -platform", wayland, "-platform", "xcb");
    }
    void platform() {
        QFETCH(QString, env);
        QFETCH(QString, args);
        QProcessEnvironment e;
        for (const QString& v : env.split(u' ')) e.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
        QTEST(chosenQtPlatform(e, args.split(u' ')), "platform");
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
        std::optional<SingleInstance> first(std::in_place, folder(QStringLiteral("c")), runtime());
        QCOMPARE(first->claim(), Claim::First);
        first.reset();
        QCOMPARE(SingleInstance(folder(QStringLiteral("c")), runtime()).claim(), Claim::First);
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
