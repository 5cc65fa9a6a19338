// Hostile files as the preferences, the pronunciation table and the event table: random bytes,
// one line of 32 MB, bytes that are not Shift_JIS, NUL bytes and a sparse file of 1 GB. The
// readers take them with bounded memory (bounded time is CTest's limit on this test), and the
// clock opens and ticks afterwards. A quiet-time line the clock can't use turns its choice off,
// is logged by its number and leaves every other value of the file as it was. And every input
// kept for the fuzz targets (fuzz/corpus/<target>, tests/data/fuzz/<target>) runs through the
// same bodies with the ordinary compiler, so a fault once found stays fixed in every build.

#include "base/Logging.h"
#include "clock/ClockCore.h"
#include "fuzz/FuzzBodies.cpp"
#include "prefs/Quiet.h"
#include "support/Fakes.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>

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

// name, line, its text, how the warning starts (empty: no warning), what is cleared
using BadLine = std::tuple<const char*, int, QByteArray, QString, QString>;
} // namespace

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
            QVERIFY(readEventFile(env.file(QStringLiteral("event.txt")), nullptr).size() <= 10000);
        }
        const qint64 grown = statusKb("VmHWM:") - before;
        QVERIFY2(grown < kMemoryBoundKb, qPrintable(QStringLiteral("read with %1 kB").arg(grown)));
    }

    // The file's quiet-time choices are all on (22:00 to 7:00, Ctrl+Alt+T); one line is
    // replaced. Empty, as written without a key or cut short by hand: off without a word.
    // Cleared: o quiet hours, s start, e end, l when locked, k key, d muted, c call, f full.
    void unusableQuietLine_data() {
        const QString hoursOff = QStringLiteral("quiet hours off: ");
        test::addRows<BadLine>({
            {"on as text", 23, "true", hoursOff + "\"true\"", "o"},
            {"start negative", 24, "-5", hoursOff + "\"-5\"", "os"},
            {"start as text", 24, "10pm", hoursOff, "os"},
            {"end too large", 25, "1440", hoursOff, "oe"},
            {"end past int", 25, "99999999999", hoursOff, "oe"},
            {"locked binary", 26, QByteArray("\xff\xfe\0\x01", 4), "quiet while locked off", "l"},
            {"key binary", 27, QByteArray("\x1b[2J\x07", 6), "speak-now key off", "k"},
            {"muted as number", 28, "1", "quiet while notifications are muted off", "d"},
            {"call as text", 29, "yes", "quiet in a call off: \"yes\"", "c"},
            {"full screen binary", 30, QByteArray(2, 0), "quiet under a full-screen window off",
             "f"},
            {"no key", 27, "", "", "k"},
            {"start empty", 24, "", "", "os"},
            {"full screen empty", 30, "", "", "f"},
        });
    }
    void unusableQuietLine() {
        QFETCH(BadLine, row);
        const auto [name, line, text, logged, cleared] = row;
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
        const auto kept = [&](char16_t c) { return !cleared.contains(c); };
        setQuietSettings(rest, {kept(u'o'), kept(u's') ? 1320 : 0, kept(u'e') ? 420 : 0, kept(u'l'),
                                kept(u'k') ? QStringLiteral("Ctrl+Alt+T") : QString(), kept(u'd'),
                                kept(u'c'), kept(u'f')});

        // The one warning expected, and no other about the file.
        const_cast<QLoggingCategory&>(lcFiles()).setEnabled(QtWarningMsg, true);
        const auto quiet = qScopeGuard(
            [] { const_cast<QLoggingCategory&>(lcFiles()).setEnabled(QtWarningMsg, false); });
        if (!logged.isEmpty())
            QTest::ignoreMessage(
                QtWarningMsg,
                QRegularExpression(QRegularExpression::escape(
                    QStringLiteral("Taku.Prefs line %1 unusable, ").arg(line) + logged)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Taku.Prefs")));
        QSignalSpy placed(&env.prefs, &PreferencesFile::positionLoaded);
        QVERIFY(env.prefs.load());
        QVERIFY(Settings() == rest);
        QCOMPARE(placed.value(0), (QVariantList{-12, 88}));
    }

    void keptInputsPass_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("target");
        for (int t = 0; t < int(std::size(fuzz::kTargets)); ++t)
            for (const char* root : {TAKU_FUZZ_CORPUS, TAKU_TEST_DATA "/fuzz"}) {
                const QDir dir(QStringLiteral("%1/%2").arg(QLatin1String(root),
                                                           QLatin1String(fuzz::kTargets[t].name)));
                for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
                    QTest::addRow("%s/%s", fuzz::kTargets[t].name, qPrintable(name))
                        << dir.filePath(name) << t;
            }
    }
    void keptInputsPass() {
        QFETCH(QString, path);
        QFETCH(int, target);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray input = f.readAll();
        fuzz::kTargets[target].body(reinterpret_cast<const std::uint8_t*>(input.constData()),
                                    std::size_t(input.size()));
    }
};

QTEST_MAIN(TestBadFiles)
#include "test_bad_files.moc"
