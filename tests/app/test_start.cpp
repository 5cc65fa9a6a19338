// Choices made before the clock exists: the Qt platform in a Wayland session, and one clock per
// data folder (a later start hands over; a crashed clock's leftovers do not block a start).

#include "app/QtPlatform.h"
#include "app/SingleInstance.h"

#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <optional>

#include <sys/wait.h>
#include <unistd.h>

using namespace taku;
using Claim = SingleInstance::Claim;

class TestStart final : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString folder(const QString& name) const {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }
    // A later start, on a thread of its own while this one answers as the running clock.
    Claim laterStart(const QString& folder, int waitMs = 5000) {
        Claim claim = Claim::First;
        std::unique_ptr<QThread> later(
            QThread::create([&] { claim = SingleInstance(folder, dir_.path()).claim(waitMs); }));
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
        const char* const wayland = "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0";
        const auto row = [](const char* name, QString env, const char* args, const char* platform) {
            QTest::newRow(name) << env << QString(args) << QByteArray(platform);
        };
        row("X11 session", "DISPLAY=:0", "chikutaku", "");
        row("Wayland with XWayland", wayland, "chikutaku", "xcb");
        row("Wayland without X", "WAYLAND_DISPLAY=wayland-0", "chikutaku", "");
        row("platform chosen in the environment", wayland + QString(" QT_QPA_PLATFORM=wayland"),
            "chikutaku", "");
        row("empty platform in the environment", wayland + QString(" QT_QPA_PLATFORM="),
            "chikutaku", "xcb");
        row("-platform", wayland, "chikutaku -platform wayland", "");
        row("--platform", wayland, "chikutaku --platform wayland", "");
        row("-platformtheme is another option", wayland, "chikutaku -platformtheme gtk3", "xcb");
        row("a program called -platform", wayland, "-platform", "xcb");
    }
    void platform() {
        QFETCH(QString, env);
        QFETCH(QString, args);
        QProcessEnvironment e;
        for (const QString& v : env.split(u' '))
            e.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
        QTEST(chosenQtPlatform(e, args.split(u' ')), "platform");
    }

    // The running clock shows its settings for a later start of its folder, however the path is
    // spelled; another folder has a clock of its own; a clock that ended frees its folder.
    void laterStartHandsOver() {
        std::optional<SingleInstance> first(std::in_place, folder("a"), dir_.path());
        QCOMPARE(first->claim(), Claim::First);
        QSignalSpy settings(&*first, &SingleInstance::settingsRequested);
        folder("b");
        QVERIFY(QFile::link(folder("a"), dir_.filePath("link")));
        for (const QString& spelling :
             {folder("a"), dir_.filePath("b/../a/"), dir_.filePath("link")})
            QCOMPARE(laterStart(spelling), Claim::HandedOver);
        QCOMPARE(settings.size(), 3);
        QCOMPARE(SingleInstance(folder("b"), dir_.path()).claim(), Claim::First);
        QCOMPARE(settings.size(), 3);
        first.reset();
        QCOMPARE(SingleInstance(folder("a"), dir_.path()).claim(), Claim::First);
    }

    // A clock that crashed left its lock (of a process now gone) and its socket: the next start is
    // the clock, and a start after it reaches it.
    void crashedClockDoesNotBlock() {
        const QString base = SingleInstance(folder("d"), dir_.path()).baseName();
        const pid_t child = fork();
        if (child == 0) _exit(QLockFile(base + ".lock").tryLock(0) ? 0 : 1);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFile::exists(base + ".lock"));
        QVERIFY(QFile(base + ".socket").open(QIODevice::WriteOnly));
        SingleInstance next(folder("d"), dir_.path());
        QCOMPARE(next.claim(1000), Claim::First);
        QSignalSpy settings(&next, &SingleInstance::settingsRequested);
        QCOMPARE(laterStart(folder("d")), Claim::HandedOver);
        QCOMPARE(settings.size(), 1);
    }

    // A clock that holds its folder but never answers: the later start gives up in time.
    void silentClock() {
        QLockFile held(SingleInstance(folder("e"), dir_.path()).baseName() + ".lock");
        QVERIFY(held.tryLock(0));
        QElapsedTimer t;
        t.start();
        QCOMPARE(laterStart(folder("e"), 600), Claim::NoAnswer);
        QVERIFY(t.elapsed() < 3000);
    }
};

QTEST_MAIN(TestStart)
#include "test_start.moc"
