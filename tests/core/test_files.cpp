// The program's text files: lines read with bounds, Shift_JIS both ways, the pronunciation
// table and the event table (and the one delivered), atomic saves; and the preferences file: a
// known file read into known fields and written back line for line, the optional quiet-time
// lines after it, the first-run values, and what the clock makes of a file when it opens.

#include "base/TextFile.h"
#include "clock/ClockCore.h"
#include "events/EventFile.h"
#include "prefs/PrefsFile.h"
#include "prefs/Quiet.h"
#include "speech/VoiceTable.h"
#include "support/Fakes.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace taku;
using Lines = QList<QByteArray>;

Q_DECLARE_METATYPE(QuietSettings)

namespace {
const Lines kFile = {"120",           "-35",   "True", "False", "True",  "False",
                     "True",          "False", "True", "2",     "80",    "1\t2\t3",
                     "250\t251\t252", "True",  "4",    "55",    "False", "True",
                     "True",          "7",     "30",   "5"};

SettingsRecord fileSettings() {
    SettingsRecord s;
    s.ShowSeconds = true, s.ShowWeek = true, s.ShowAnalog = true, s.AnnounceOn = true;
    s.IntervalIndex = 2, s.Transparency = 80, s.TextColor = {1, 2, 3};
    s.BackColor = {250, 251, 252}, s.SoundOn = true, s.SoundIndex = 4, s.Volume = 55;
    s.SpeakDateAtStart = true, s.AlarmOn = true, s.AlarmHour = 7, s.AlarmMinute = 30;
    s.AlarmRepeat = 5;
    return s;
}

SettingsRecord firstRun() {
    SettingsRecord s;
    s.ShowSeconds = s.ShowAMPM = s.ShowWeek = s.Show24Hour = true;
    s.Transparency = 100, s.BackColor = {255, 255, 255}, s.Volume = 100;
    return s;
}
} // namespace

class TestFiles final : public QObject {
    Q_OBJECT

    test::TestEnv env;
    QString file(const char* name) const { return env.file(QLatin1String(name)); }

private Q_SLOTS:
    void linesAreReadWithBounds_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("LF, CR LF and CR ends") << QByteArray("a\r\nb\rc") << Lines{"a", "b", "c"};
        QTest::newRow("empty file") << QByteArray() << Lines{""};
        QTest::newRow("empty lines kept") << QByteArray("\n\nx\n") << Lines{"", "", "x"};
        QTest::newRow("long line cut") << QByteArray(10, 'x') + "\nok" << Lines{"xxxx", "ok"};
        QTest::newRow("lines after the third dropped")
            << QByteArray("1\n2\n3\n4\n5") << Lines{"1", "2", "3"};
        QTest::newRow("bytes after the 20th dropped")
            << QByteArray("12345678\n12345678\n12345678") << Lines{"1234", "1234", "12"};
    }
    void linesAreReadWithBounds() {
        QFETCH(QByteArray, content);
        env.write(QStringLiteral("lines.txt"), content);
        const ReadLimits limits{3, 4, 20};
        QTEST(*readLines(file("lines.txt"), limits), "lines");
        QVERIFY(!readLines(file("none.txt")));
    }

    void shiftJis_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ways"); // 1 decodes, 2 encodes, 3 both
        QTest::newRow("kanji") << QByteArray("\x8C\xDF\x8C\xE3\t\x82\xB2\x82\xB2") << "午後\tごご"
                               << 3;
        QTest::newRow("backslash trail byte") << QByteArray("\x8F\x5C") << "十" << 3;
        QTest::newRow("ASCII backslash, tilde") << QByteArray("a\\~") << "a\\~" << 3;
        QTest::newRow("NEC circled digit") << QByteArray("\x87\x40") << "①" << 3;
        QTest::newRow("half-width katakana") << QByteArray("\xB6\xC0") << "ｶﾀ" << 3;
        QTest::newRow("invalid byte") << QByteArray("x\xFDy") << "x\uFFFDy" << 1;
        QTest::newRow("lead byte cut off") << QByteArray("a\x88") << "a\uFFFD" << 1;
        QTest::newRow("no Shift_JIS for emoji") << QByteArray("?go") << "😀go" << 2;
    }
    void shiftJis() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, ways);
        if (ways & 1) QCOMPARE(decodeShiftJis(bytes), text);
        if (ways & 2) QCOMPARE(encodeShiftJis(text), bytes);
    }

    // A line fills one row; a shorter file keeps the rows after it; 51 rows at most.
    void tableLinesFillRows_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("spoken");
        const char* const rows[][3] = {
            {"\x8E\x9E\tji", "時", "ji"}, {"ji", "ji", ""}, {"a\tb\tgone", "a", "b"},
            {"\tjee", "", "jee"},         {"", "", ""},
        };
        for (const auto& [line, display, spoken] : rows)
            QTest::newRow(line) << QByteArray(line) << QString::fromUtf8(display)
                                << QString::fromUtf8(spoken);
    }
    void tableLinesFillRows() {
        QFETCH(QByteArray, line);
        VoiceTableData table;
        table.setRow(1, QStringLiteral("one"), QStringLiteral("kept"));
        QCOMPARE(readTableLines({line}, table), 1);
        QTEST(table.display(0), "display");
        QTEST(table.spoken(0), "spoken");
        QCOMPARE(table.spoken(1), QStringLiteral("kept"));
        Lines long80(80, "d\ts");
        QCOMPARE(readTableLines(long80, table), 51);
        QCOMPARE(table.spoken(51), QString()); // outside the table: empty, never read
    }

    void eventLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("fields"); // active|month|day|message
        const char* const rows[][2] = {
            {"True\t12\t25\tMerry Xmas!\textra", "1|12|25|Merry Xmas!"},
            {"False\t3", "0|3||"},
            {"true\t1\t1\tx", "0|1|1|x"},
            {"", "0|||"},
        };
        for (const auto& [line, fields] : rows)
            QTest::newRow(line) << QString::fromUtf8(line) << QString::fromUtf8(fields);
    }
    void eventLines() {
        QFETCH(QString, line);
        const EventRecord r = parseEventLine(line);
        QTEST(QStringList({QString::number(r.active), r.month, r.day, r.message}).join(u'|'),
              "fields");
    }

    // The delivered event table wishes a happy new year on 1 January, and only then; its
    // Christmas row is there to be ticked.
    void deliveredEventTable_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("new year") << QDate(2027, 1, 1)
                                  << QStringList{QStringLiteral("A Happy New Year!........")};
        QTest::newRow("christmas") << QDate(2026, 12, 25) << QStringList{};
        QTest::newRow("2 January") << QDate(2027, 1, 2) << QStringList{};
    }
    void deliveredEventTable() {
        QFETCH(QDate, day);
        const auto lines = readLines(QStringLiteral(TAKU_DELIVERED_DATA "/event.txt"));
        QVERIFY(lines);
        QTEST(messagesForDay(*lines, day.month(), day.day()), "spoken");
    }

    // A save replaces the file in one step: dying between the write and the rename leaves the
    // old file whole, and a save that can't be made leaves nothing behind.
    void savesAreAtomic() {
        env.write(QStringLiteral("kept.txt"), "old\n");
        QVERIFY(test::crashesBeforeRename(
            [&] { saveFileAtomically(file("kept.txt"), "a new, longer text\n"); }));
        QCOMPARE(env.read(QStringLiteral("kept.txt")), QByteArray("old\n"));
        QCOMPARE(saveFileAtomically(file("kept.txt"), "new\n"), QString());
        QCOMPARE(env.read(QStringLiteral("kept.txt")), QByteArray("new\n"));
        QVERIFY(!saveFileAtomically(file("no folder/x.txt"), "x").isEmpty());
        QVERIFY(!saveFileAtomically(QString(), "x").isEmpty());
    }

    void knownFileRoundTrips() {
        PrefsValues values;
        parsePrefs(kFile, values);
        QCOMPARE(values.position, (WindowPosition{120, -35}));
        QVERIFY(values.settings == fileSettings());
        QCOMPARE(formatPrefs(values), kFile);
        // The quiet-time lines follow line 22 once one is set, and go again once none is.
        setQuietSettings(values.settings, {true, 1439, 0, true, QStringLiteral("Ctrl+Shift+F12")});
        const Lines file = formatPrefs(values);
        QCOMPARE(file.mid(19),
                 (Lines{"7", "30", "5", "True", "1439", "0", "True", "Ctrl+Shift+F12"}));
        PrefsValues again;
        parsePrefs(file, again);
        QCOMPARE(again.settings, values.settings);
        // Lines 28..30 follow line 27 once one of them is set, whatever 23..27 hold, and go
        // again once none is.
        setQuietSettings(values.settings, {false, 0, 0, false, {}, false, true, false});
        const Lines longer = formatPrefs(values);
        QCOMPARE(longer.mid(22), (Lines{"False", "0", "0", "False", "", "False", "True", "False"}));
        parsePrefs(longer, again);
        QCOMPARE(again.settings, values.settings);
        setQuietSettings(values.settings, {true, 60, 120, false, {}});
        QCOMPARE(formatPrefs(values).size(), 27);
        setQuietSettings(values.settings, {});
        QCOMPARE(formatPrefs(values), kFile);
        parsePrefs({"5"}, values); // missing lines read empty
        QCOMPARE(values.position, (WindowPosition{5, 0}));
        QVERIFY(values.settings == SettingsRecord{});
    }

    // Lines 23..27 after the 22 lines; anything malformed leaves quiet time off.
    void quietLines_data() {
        QTest::addColumn<Lines>("extra");
        QTest::addColumn<QuietSettings>("expected");
        QTest::newRow("22-line file") << Lines{} << QuietSettings{};
        QTest::newRow("all set") << Lines{"True", "1320", "420", "True", "Ctrl+Alt+T"}
                                 << QuietSettings{true, 1320, 420, true, "Ctrl+Alt+T"};
        QTest::newRow("off keeps its times")
            << Lines{"False", "60", "120", "False", ""} << QuietSettings{false, 60, 120, false, {}};
        QTest::newRow("end out of range") << Lines{"True", "1320", "1440", "True", "F9"}
                                          << QuietSettings{false, 1320, 0, true, "F9"};
        QTest::newRow("not a number")
            << Lines{"True", "10pm", "420"} << QuietSettings{false, 0, 420, false, {}};
        QTest::newRow("flag misspelt")
            << Lines{"true", "1", "2", "yes"} << QuietSettings{false, 1, 2, false, {}};
        QTest::newRow("control character")
            << Lines{"False", "0", "0", "False", "Ctrl+\x01"} << QuietSettings{};
    }
    void quietLines() {
        QFETCH(Lines, extra);
        PrefsValues values;
        parsePrefs(kFile + extra, values);
        QTEST(quietSettings(values.settings), "expected");
    }

    // Loading reads the file into the store and moves the strip, and the clock follows the
    // store; without a file the first-run values apply. A text colour equal to the background
    // gets the inverse background.
    void clockOpensTheFile_data() {
        QTest::addColumn<bool>("withFile");
        QTest::newRow("file") << true;
        QTest::newRow("first run") << false;
    }
    void clockOpensTheFile() {
        QFETCH(bool, withFile);
        test::TestEnv env;
        Lines lines = kFile;
        lines[12] = lines[11];
        if (withFile) env.write(QStringLiteral("Taku.Prefs"), joinLines(lines));
        ClockCore core;
        QSignalSpy moves(&env.prefs, &PreferencesFile::positionLoaded);
        QCOMPARE(env.prefs.load(), withFile);
        core.open();
        SettingsRecord expected = withFile ? fileSettings() : firstRun();
        if (withFile) expected.BackColor = {254, 253, 252};
        QVERIFY(Settings() == expected);
        QCOMPARE(core.IntervalMinutes, withFile ? 15 : 60);
        QCOMPARE(moves.size(), withFile ? 1 : 0);
        if (!withFile) return;
        QVERIFY(env.prefs.save());
        lines[12] = "254\t253\t252";
        QCOMPARE(env.read(QStringLiteral("Taku.Prefs")), joinLines(lines));
        // A save that can't be made says so.
        QFile::remove(env.file(QStringLiteral("Taku.Prefs")));
        QVERIFY(QDir().mkdir(env.file(QStringLiteral("Taku.Prefs"))));
        QVERIFY(!env.prefs.save());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
