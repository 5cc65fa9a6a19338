// The autostart entry in a temporary XDG_CONFIG_HOME: its Exec line as the desktop-entry rules
// quote it, read back by GLib (which the session's autostart uses), and the file as the
// setting.

#include "desktop/Autostart.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace taku;

class TestAutostart final : public QObject {
    Q_OBJECT
    QTemporaryDir home_;

    QString config() const { return home_.filePath(QStringLiteral("config")); }
    QString entry() const { return config() + QStringLiteral("/autostart/chikutaku.desktop"); }
    // An executable shell script that writes its own path into "started" beside the entry.
    QString program(const QString& folderName) const {
        const QString folder = home_.filePath(folderName);
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/chikutaku");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\nprintf '%s' \"$0\" > \"$STARTED\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    static QByteArray line(const QByteArray& entry, const QByteArray& key) {
        for (const QByteArray& l : entry.split('\n'))
            if (l.startsWith(key + '=')) return l.mid(key.size() + 1);
        return {};
    }
    QByteArray read() const {
        QFile f(entry());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeEntry(const QByteArray& content) const {
        QDir().mkpath(config() + QStringLiteral("/autostart"));
        QFile f(entry());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }

private Q_SLOTS:
    void init() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        QFile::remove(entry());
    }

    // Paths with the characters the rules reserve: written quoted and escaped, read back to
    // the same path by this program and by GLib, which starts that very file.
    void execLineIsQuoted_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("quoted"); // the folder as the Exec line writes it
        // GLib looks for the program before it resolves %%, so it can't start that one.
        QTest::addColumn<bool>("glib");
        QTest::newRow("plain") << QStringLiteral("clock") << QByteArray("clock") << true;
        QTest::newRow("space") << QStringLiteral("my clock") << QByteArray("my clock") << true;
        QTest::newRow("double quote")
            << QStringLiteral("say \"hi\"") << QByteArray("say \\\\\"hi\\\\\"") << true;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << QByteArray("a\\\\\\\\b") << true;
        QTest::newRow("dollar") << QStringLiteral("$HOME") << QByteArray("\\\\$HOME") << true;
        QTest::newRow("backtick") << QStringLiteral("`id`") << QByteArray("\\\\`id\\\\`") << true;
        QTest::newRow("percent") << QStringLiteral("100%d") << QByteArray("100%%d") << false;
        QTest::newRow("single quote") << QStringLiteral("it's") << QByteArray("it's") << true;
        QTest::newRow("japanese") << QStringLiteral("時計") << QByteArray("時計") << true;
    }
    void execLineIsQuoted() {
        QFETCH(QString, folder);
        QFETCH(QByteArray, quoted);
        const QString exe = program(folder);
        QVERIFY(autostart::setEnabled(true, exe));
        const QByteArray written = read();
        QCOMPARE(line(written, "Exec"),
                 '"' + QFile::encodeName(home_.path()) + '/' + quoted + "/chikutaku\"");
        QCOMPARE(autostart::programOf(written), exe);
        QVERIFY(autostart::enabled(exe));
        // The entry names the clock and is switched on for GNOME too.
        QVERIFY(written.startsWith("[Desktop Entry]\nType=Application\n"));
        QCOMPARE(QString::fromUtf8(line(written, "Name")), QStringLiteral("ちくたく時計"));
        QCOMPARE(line(written, "X-GNOME-Autostart-enabled"), QByteArray("true"));
        QVERIFY(!line(written, "Icon").isEmpty());

        QFETCH(bool, glib);
        if (!glib || QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty()) return;
        const QString started = home_.filePath(QStringLiteral("started"));
        QFile::remove(started);
        QProcess gio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("STARTED"), started);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        gio.setProcessEnvironment(env);
        gio.start(QStringLiteral("gio"), {QStringLiteral("launch"), entry()});
        QVERIFY(gio.waitForFinished(60000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 30000); // a loaded machine is slow

        QFile f(started);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), exe);
    }

    // Only an entry that starts this very program, switched on, counts as on.
    void enabledOnlyForThisProgram_data() {
        QTest::addColumn<QByteArray>("content"); // %1: this program's path
        QTest::addColumn<bool>("enabled");
        QTest::newRow("this program") << QByteArray("[Desktop Entry]\nExec=\"%1\"\n") << true;
        QTest::newRow("unquoted") << QByteArray("[Desktop Entry]\nExec=%1 --flag\n") << true;
        QTest::newRow("another copy")
            << QByteArray("[Desktop Entry]\nExec=\"/opt/other/chikutaku\"\n") << false;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=\"%1\"\nHidden=true\n") << false;
        QTest::newRow("switched off in GNOME")
            << QByteArray("[Desktop Entry]\nExec=\"%1\"\nX-GNOME-Autostart-enabled=false\n")
            << false;
        QTest::newRow("other group")
            << QByteArray("[Desktop Action x]\nExec=\"%1\"\n[Desktop Entry]\nName=x\n") << false;
        QTest::newRow("unclosed quote") << QByteArray("[Desktop Entry]\nExec=\"%1\n") << false;
        QTest::newRow("no file") << QByteArray() << false;
    }
    void enabledOnlyForThisProgram() {
        QFETCH(QByteArray, content);
        const QString exe = program(QStringLiteral("mine"));
        if (!content.isEmpty()) writeEntry(QByteArray(content).replace("%1", QFile::encodeName(exe)));
        QTEST(autostart::enabled(exe), "enabled");
    }

    // Off removes this program's entry and leaves another copy's alone.
    void switchingOffRemovesOnlyThisProgramsEntry() {
        const QString exe = program(QStringLiteral("mine"));
        QVERIFY(autostart::setEnabled(true, exe));
        QVERIFY(autostart::setEnabled(false, exe));
        QVERIFY(!QFile::exists(entry()));
        QVERIFY(autostart::setEnabled(false, exe)); // nothing to remove

        writeEntry("[Desktop Entry]\nExec=\"/opt/other/chikutaku\"\n");
        QVERIFY(autostart::setEnabled(false, exe));
        QVERIFY(QFile::exists(entry()));
        // On takes the entry over for this program.
        QVERIFY(autostart::setEnabled(true, exe));
        QVERIFY(autostart::enabled(exe));
    }

    // Without XDG_CONFIG_HOME the entry is under ~/.config; a folder that can't be made fails.
    void placeOfTheEntry() {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home_.path()));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(autostart::entryPath(),
                 home_.filePath(QStringLiteral(".config/autostart/chikutaku.desktop")));
        qputenv("HOME", home);

        QFile blocker(home_.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName()));
        QVERIFY(!autostart::setEnabled(true, program(QStringLiteral("mine"))));
    }
};

QTEST_MAIN(TestAutostart)
#include "test_autostart.moc"
