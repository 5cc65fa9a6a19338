// Hostile files as the preferences, the pronunciation table and the event table: random bytes,
// one line of 32 MB, bytes that are not Shift_JIS, NUL bytes and a sparse file of 1 GB. The
// readers take them with bounded memory (bounded time is CTest's limit on this test), and the
// clock opens and ticks afterwards. A quiet-time line the clock can't use turns its choice off,
// is logged by its number and leaves every other value of the file as it was. And every input
// kept for the fuzz targets, the seeds
// (fuzz/corpus/<target>) and the inputs that once failed (tests/data/fuzz/<target>), run
// through the same bodies with the ordinary compiler, so a fault once found stays fixed in
// every build (a failing property aborts).

#include "base/Logging.h"
#include "base/TextFile.h"
#include "clock/ClockCore.h"
#include "events/EventFile.h"
#include "fuzz/FuzzBodies.cpp"
#include "prefs/Quiet.h"
#include "speech/VoiceTable.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace taku;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kMemoryBoundKb = 512 * 1024; // AddressSanitizer keeps freed memory in quarantine
#else
constexpr qint64 kMemoryBoundKb = 64 * 1024;
#endif

qint64 statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLongLong();
    return -1;
}

// The taku.files warnings logged while it lives, the category turned on for them.
class FilesWarnings final {
public:
    FilesWarnings() : previous_(qInstallMessageHandler(&keep)) {
        lines().clear();
        category().setEnabled(QtWarningMsg, true);
    }
    ~FilesWarnings() {
        category().setEnabled(QtWarningMsg, false);
        qInstallMessageHandler(previous_);
    }
    FilesWarnings(const FilesWarnings&) = delete;
    FilesWarnings& operator=(const FilesWarnings&) = delete;
    static QStringList& lines() {
        static QStringList kept;
        return kept;
    }

private:
    static QLoggingCategory& category() { return const_cast<QLoggingCategory&>(lcFiles()); }
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtWarningMsg && qstrcmp(context.category, "taku.files") == 0)
            lines().append(message);
    }
    QtMessageHandler previous_;
};

} // namespace

Q_DECLARE_METATYPE(QuietSettings)

class TestBadFiles final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readersStayBounded_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("chunk"); // repeated up to size; empty: a sparse file
        QTest::addColumn<qint64>("size");
        QByteArray random(64 * 1024, '\0');
        QRandomGenerator(20261224).fillRange(reinterpret_cast<quint32*>(random.data()),
                                             random.size() / 4);
        // Lead bytes without trail bytes, trail bytes alone, unmapped bytes, a cut character.
        const QByteArray badSjis("\x81\t\x82\n\x9f\xfc\xfd\xfe\xff\t\xa0\x80\n\x88", 13);
        for (const char* file : {"Taku.Prefs", "voice.txt", "event.txt"}) {
            QTest::addRow("%s random", file) << file << random << qint64(8 << 20);
            QTest::addRow("%s huge line", file)
                << file << QByteArray(1 << 20, 'x') << qint64(32 << 20);
            QTest::addRow("%s bad Shift_JIS", file) << file << badSjis << qint64(1 << 20);
            QTest::addRow("%s NUL bytes", file)
                << file << QByteArray(1 << 16, '\0') << qint64(4 << 20);
            QTest::addRow("%s sparse 1 GB", file) << file << QByteArray() << (qint64(1) << 30);
        }
    }
    void readersStayBounded() {
        QFETCH(QString, file);
        QFETCH(QByteArray, chunk);
        QFETCH(qint64, size);
        test::TestEnv env;
        QFile f(env.file(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (chunk.isEmpty()) QVERIFY(f.resize(size)); // a gigabyte of NUL bytes on no disk
        for (qint64 done = 0; done < size && !chunk.isEmpty(); done += chunk.size())
            f.write(chunk);
        f.close();

        // Peak memory is measured from here: "5" resets the kernel's high-water mark.
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        QVERIFY(clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1);
        clearRefs.close();
        const qint64 before = statusKb("VmRSS:");
        {
            ClockCore clock;
            env.prefs.load();
            clock.open(); // the pronunciation table and today's events
            clock.Timer1.fire();
            QVERIFY(!clock.TimeText.isEmpty());
            QVERIFY(env.speech.spoken.size() <= 100);
            VoiceTableData table;
            loadTableFile(env.file(QStringLiteral("voice.txt")), table);
            bool ok = false;
            QVERIFY(readEventFile(env.file(QStringLiteral("event.txt")), &ok).size() <= 10000);
        }
        const qint64 grown = statusKb("VmHWM:") - before;
        QVERIFY2(grown < kMemoryBoundKb, qPrintable(QStringLiteral("read with %1 kB").arg(grown)));
    }

    void unusableQuietLine_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("logged"); // how the warning starts; empty: no warning
        QTest::addColumn<QuietSettings>("expected");
        const QString key = QStringLiteral("Ctrl+Alt+T");
        const QString hoursOff = QStringLiteral("quiet hours off: ");
        // The file's choices with some of them changed.
        const auto q = [&](std::function<void(QuietSettings&)> change) {
            QuietSettings s{true, 1320, 420, true, key, true, true, true};
            change(s);
            return s;
        };
        QTest::newRow("on as text")
            << 23 << QByteArray("yes") << hoursOff + "\"yes\"" << q([](auto& s) { s.on = false; });
        QTest::newRow("start negative") << 24 << QByteArray("-5") << hoursOff + "\"-5\""
                                        << q([](auto& s) { s.on = false, s.startMinute = 0; });
        QTest::newRow("start as text") << 24 << QByteArray("10pm") << hoursOff
                                       << q([](auto& s) { s.on = false, s.startMinute = 0; });
        QTest::newRow("end too large") << 25 << QByteArray("1440") << hoursOff
                                       << q([](auto& s) { s.on = false, s.endMinute = 0; });
        QTest::newRow("end past int") << 25 << QByteArray("99999999999") << hoursOff
                                      << q([](auto& s) { s.on = false, s.endMinute = 0; });
        QTest::newRow("locked binary")
            << 26 << QByteArray("\xff\xfe\0\x01", 4) << QStringLiteral("quiet while locked off")
            << q([](auto& s) { s.whenLocked = false; });
        QTest::newRow("key binary")
            << 27 << QByteArray("\x1b[2J\x07", 6) << QStringLiteral("speak-now key off")
            << q([](auto& s) { s.shortcut.clear(); });
        QTest::newRow("muted as number")
            << 28 << QByteArray("1") << QStringLiteral("quiet while notifications are muted off")
            << q([](auto& s) { s.whenDnd = false; });
        QTest::newRow("call as text")
            << 29 << QByteArray("yes") << QStringLiteral("quiet in a call off: \"yes\"")
            << q([](auto& s) { s.inCall = false; });
        QTest::newRow("full screen binary")
            << 30 << QByteArray("\0\0", 2) << QStringLiteral("quiet under a full-screen window off")
            << q([](auto& s) { s.whenFullScreen = false; });
        // As written without a key, or cut short by hand: off without a word.
        QTest::newRow("no key") << 27 << QByteArray() << QString()
                                << q([](auto& s) { s.shortcut.clear(); });
        QTest::newRow("start empty") << 24 << QByteArray() << QString()
                                     << q([](auto& s) { s.on = false, s.startMinute = 0; });
        QTest::newRow("full screen empty")
            << 30 << QByteArray() << QString() << q([](auto& s) { s.whenFullScreen = false; });
    }
    void unusableQuietLine() {
        QFETCH(int, line);
        QFETCH(QByteArray, text);
        QFETCH(QString, logged);
        QFETCH(QuietSettings, expected);
        test::TestEnv env;
        QList<QByteArray> lines = {"88",      "-12",  "False",      "True", "False", "True",
                                   "True",    "True", "True",       "3",    "70",    "9\t8\t7",
                                   "6\t5\t4", "True", "2",          "45",   "False", "True",
                                   "True",    "6",    "15",         "4",    "True",  "1320",
                                   "420",     "True", "Ctrl+Alt+T", "True", "True",  "True"};
        lines[line - 1] = text;
        env.write(QStringLiteral("Taku.Prefs"), joinLines(lines));
        SettingsRecord rest;
        rest.ShowAMPM = rest.Show24Hour = rest.ShowAnalog = rest.SmallView = true;
        rest.AnnounceOn = true, rest.IntervalIndex = 3, rest.Transparency = 70;
        rest.TextColor = {9, 8, 7}, rest.BackColor = {6, 5, 4}, rest.SoundOn = true;
        rest.SoundIndex = 2, rest.Volume = 45, rest.SpeakDateAtStart = true;
        rest.AlarmOn = true, rest.AlarmHour = 6, rest.AlarmMinute = 15, rest.AlarmRepeat = 4;
        setQuietSettings(rest, expected);

        FilesWarnings warnings;
        QSignalSpy placed(&env.prefs, &PreferencesFile::positionLoaded);
        QVERIFY(env.prefs.load());
        QVERIFY(Settings() == rest);
        QCOMPARE(placed.value(0), (QVariantList{-12, 88}));
        const QStringList aboutPrefs = warnings.lines().filter(QStringLiteral("Taku.Prefs"));
        QCOMPARE(aboutPrefs.size(), logged.isEmpty() ? 0 : 1);
        if (logged.isEmpty()) return;
        const QString start = QStringLiteral("Taku.Prefs line %1 unusable, ").arg(line);
        QVERIFY2(aboutPrefs[0].startsWith(start + logged), qPrintable(aboutPrefs[0]));
    }

    void keptInputsPass_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const fuzz::Target& t : fuzz::kTargets)
            for (const char* root : {TAKU_FUZZ_CORPUS, TAKU_TEST_DATA "/fuzz"}) {
                const QDir dir(QStringLiteral("%1/%2").arg(QString::fromUtf8(root), t.name));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
                    QTest::addRow("%s/%s", t.name, qPrintable(name))
                        << t.name << dir.filePath(name);
            }
    }
    void keptInputsPass() {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray input = f.readAll();
        for (const fuzz::Target& t : fuzz::kTargets)
            if (target == QLatin1String(t.name))
                t.body(reinterpret_cast<const std::uint8_t*>(input.constData()),
                       std::size_t(input.size()));
    }
};

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"
