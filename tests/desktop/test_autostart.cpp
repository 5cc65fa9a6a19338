// The autostart entry in a temporary XDG_CONFIG_HOME: its Exec line as the desktop-entry rules
// quote it (as GLib, which the session's autostart uses, reads it back), and the file as the
// setting.

#include "desktop/Autostart.h"

#include <QTemporaryDir>
#include <QTest>

using namespace taku;

class TestAutostart final : public QObject {
    Q_OBJECT
    QTemporaryDir home_;

    QString config() const { return home_.filePath("config"); }
    QString entry() const { return config() + "/autostart/chikutaku.desktop"; }
    // An empty file in a folder of that name.
    QString program(const QString& folder) const {
        QDir().mkpath(home_.filePath(folder));
        const QString path = home_.filePath(folder) + "/chikutaku";
        QFile(path).open(QIODevice::WriteOnly);
        return path;
    }
    static QByteArray line(const QByteArray& entry, const QByteArray& key) {
        for (const QByteArray& l : entry.split('\n'))
            if (l.startsWith(key + '=')) return l.mid(key.size() + 1);
        return {};
    }
    void writeEntry(const QByteArray& content) const {
        QDir().mkpath(config() + "/autostart");
        QFile f(entry());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }

private Q_SLOTS:
    void init() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        QFile::remove(entry());
    }

    // Paths with the characters the rules reserve: written quoted and escaped, and read back.
    void execLineIsQuoted_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("quoted"); // the folder as the Exec line writes it
        QTest::newRow("plain") << "clock" << QByteArray("clock");
        QTest::newRow("space") << "my clock" << QByteArray("my clock");
        QTest::newRow("double quote") << "say \"hi\"" << QByteArray("say \\\\\"hi\\\\\"");
        QTest::newRow("backslash") << "a\\b" << QByteArray("a\\\\\\\\b");
        QTest::newRow("dollar") << "$HOME" << QByteArray("\\\\$HOME");
        QTest::newRow("backtick") << "`id`" << QByteArray("\\\\`id\\\\`");
        QTest::newRow("percent") << "100%d" << QByteArray("100%%d");
        QTest::newRow("single quote") << "it's" << QByteArray("it's");
        QTest::newRow("japanese") << "時計" << QByteArray("時計");
    }
    void execLineIsQuoted() {
        QFETCH(QString, folder);
        QFETCH(QByteArray, quoted);
        const QString exe = program(folder);
        QVERIFY(autostart::setEnabled(true, exe));
        QFile file(entry());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QCOMPARE(line(written, "Exec"),
                 '"' + QFile::encodeName(home_.path()) + '/' + quoted + "/chikutaku\"");
        QCOMPARE(autostart::programOf(written), exe);
        QVERIFY(autostart::enabled(exe));
        // The entry names the clock and is switched on for GNOME too.
        QVERIFY(written.startsWith("[Desktop Entry]\nType=Application\n"));
        QCOMPARE(QString::fromUtf8(line(written, "Name")), QString("ちくたく時計"));
        QCOMPARE(line(written, "X-GNOME-Autostart-enabled"), QByteArray("true"));
        QVERIFY(!line(written, "Icon").isEmpty());
    }

    // Only an entry that starts this very program, switched on, counts as on.
    void enabledOnlyForThisProgram_data() {
        QTest::addColumn<QByteArray>("content"); // %1: this program's path
        QTest::addColumn<bool>("enabled");
        QTest::newRow("this program") << QByteArray("[Desktop Entry]\nExec=\"%1\"\n") << true;
        QTest::newRow("unquoted") << QByteArray("[Desktop Entry]\nExec=%1 --flag\n") << true;
        QTest::newRow("another copy")
            << QByteArray("[Desktop Entry]\nExec=\"/opt/other/chikutaku\"\n") << false;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=\"%1\"\nHidden=true\n")
                                << false;
        QTest::newRow("switched off in GNOME")
            << QByteArray("[Desktop "
                          "Entry]\nExec=\"%1\"\nX-GNOME-Autostart-enabled=false\n")
            << false;
        QTest::newRow("other group")
            << QByteArray("[Desktop Action x]\nExec=\"%1\"\n[Desktop Entry]\nName=x\n") << false;
        QTest::newRow("unclosed quote") << QByteArray("[Desktop Entry]\nExec=\"%1\n") << false;
        QTest::newRow("no file") << QByteArray() << false;
    }
    void enabledOnlyForThisProgram() {
        QFETCH(QByteArray, content);
        const QString exe = program("mine");
        if (!content.isEmpty()) writeEntry(content.replace("%1", QFile::encodeName(exe)));
        QTEST(autostart::enabled(exe), "enabled");
    }

    // Off removes this program's entry and leaves another copy's alone; on takes it over.
    void switchingOffRemovesOnlyThisProgramsEntry() {
        const QString exe = program("mine");
        QVERIFY(autostart::setEnabled(true, exe));
        QVERIFY(autostart::setEnabled(false, exe));
        QVERIFY(!QFile::exists(entry()));
        QVERIFY(autostart::setEnabled(false, exe)); // nothing to remove
        writeEntry("[Desktop Entry]\nExec=\"/opt/other/chikutaku\"\n");
        QVERIFY(autostart::setEnabled(false, exe));
        QVERIFY(QFile::exists(entry()));
        QVERIFY(autostart::setEnabled(true, exe));
        QVERIFY(autostart::enabled(exe));
    }

    // Without XDG_CONFIG_HOME the entry is under ~/.config; a folder that can't be made fails.
    void placeOfTheEntry() {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home_.path()));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(autostart::entryPath(), home_.filePath(".config/autostart/chikutaku.desktop"));
        qputenv("HOME", home);
        QVERIFY(QFile(home_.filePath("blocker")).open(QIODevice::WriteOnly));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.filePath("blocker")));
        QVERIFY(!autostart::setEnabled(true, program("mine")));
    }
};

QTEST_MAIN(TestAutostart)
#include "test_autostart.moc"
