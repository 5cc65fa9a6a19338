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

using namespace taku;
using Lines = QList<QByteArray>;

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
} // namespace

class TestFiles final : public QObject {
    Q_OBJECT

    test::TestEnv env;
    QString file(const char* name) const { return env.file(QLatin1String(name)); }

private Q_SLOTS:
    void linesAreReadWithBounds() {
        const std::pair<QByteArray, Lines> rows[] = {
            {"a\r\nb\rc", {"a", "b", "c"}},                 // LF, CR LF and CR ends
            {"", {""}},                                     // an empty file
            {"\n\nx\n", {"", "", "x"}},                     // empty lines kept
            {QByteArray(10, 'x') + "\nok", {"xxxx", "ok"}}, // a long line cut
            {"1\n2\n3\n4\n5", {"1", "2", "3"}},             // lines after the third dropped
            {"12345678\n12345678\n12345678", {"1234", "1234", "12"}}, // bytes after the 20th
        };
        for (const auto& [content, lines] : rows) {
            env.write(QStringLiteral("lines.txt"), content);
            QCOMPARE(*readLines(file("lines.txt"), {3, 4, 20}), lines);
        }
        QVERIFY(!readLines(file("none.txt")));
    }

    void shiftJis() {
        const std::tuple<QByteArray, QString, int> rows[] = {
            // ways: 1 decodes, 2 encodes, 3 both
            {"\x8C\xDF\x8C\xE3\t\x82\xB2\x82\xB2", "午後\tごご", 3},
            {"\x8F\x5C", "十", 3}, // a backslash as trail byte
            {"a\\~", "a\\~", 3},
            {"\x87\x40", "①", 3},  // NEC's circled digit
            {"\xB6\xC0", "ｶﾀ", 3}, // half-width katakana
            {"x\xFDy", "x\uFFFDy", 1},
            {"a\x88", "a\uFFFD", 1}, // a lead byte cut off
            {"?go", "😀go", 2},       // no Shift_JIS for emoji
        };
        for (const auto& [bytes, text, ways] : rows) {
            if (ways & 1) QCOMPARE(decodeShiftJis(bytes), text);
            if (ways & 2) QCOMPARE(encodeShiftJis(text), bytes);
        }
    }

    // A line fills one row; a shorter file keeps the rows after it; 51 rows at most.
    void tableLinesFillRows() {
        const char* const rows[][3] = {
            {"\x8E\x9E\tji", "時", "ji"}, {"ji", "ji", ""}, {"a\tb\tgone", "a", "b"},
            {"\tjee", "", "jee"},         {"", "", ""},
        };
        for (const auto& [line, display, spoken] : rows) {
            VoiceTableData table;
            table.setRow(1, QStringLiteral("one"), QStringLiteral("kept"));
            QCOMPARE(readTableLines({line}, table), 1);
            QCOMPARE(table.display(0), QString::fromUtf8(display));
            QCOMPARE(table.spoken(0), QString::fromUtf8(spoken));
            QCOMPARE(table.spoken(1), QStringLiteral("kept"));
        }
        VoiceTableData table;
        QCOMPARE(readTableLines(Lines(80, "d\ts"), table), 51);
        QCOMPARE(table.spoken(51), QString()); // outside the table: empty, never read
    }

    // Fields: active|month|day|message. The delivered event table wishes a happy new year on
    // 1 January, and only then; its Christmas row is there to be ticked.
    void events() {
        const char* const rows[][2] = {
            {"True\t12\t25\tMerry Xmas!\textra", "1|12|25|Merry Xmas!"},
            {"False\t3", "0|3||"},
            {"true\t1\t1\tx", "0|1|1|x"},
            {"", "0|||"},
        };
        for (const auto& [line, fields] : rows) {
            const EventRecord r = parseEventLine(QString::fromUtf8(line));
            QCOMPARE(QStringList({QString::number(r.active), r.month, r.day, r.message}).join(u'|'),
                     QString::fromUtf8(fields));
        }
        const auto lines = readLines(QStringLiteral(TAKU_DELIVERED_DATA "/event.txt"));
        QVERIFY(lines);
        QCOMPARE(messagesForDay(*lines, 1, 1), QStringList{"A Happy New Year!........"});
        QCOMPARE(messagesForDay(*lines, 12, 25), QStringList{});
        QCOMPARE(messagesForDay(*lines, 1, 2), QStringList{});
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

    void optionalLinesComeInBlocks() {
        PrefsValues values{{}, fileSettings()};
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
        QCOMPARE(formatPrefs(values).size(), 22);
        parsePrefs({"5"}, values); // missing lines read empty
        QCOMPARE(values.position, (WindowPosition{5, 0}));
        QVERIFY(values.settings == SettingsRecord{});
    }

    // Loading reads the file into the store and moves the strip, and the clock follows the
    // store; without a file the first-run values apply. A text colour equal to the background
    // gets the inverse background. A save that can't be made says so. Each run starts with the
    // empty pronunciation table a new process has, whatever the run before it loaded.
    void clockOpensTheFile() {
        SettingsRecord firstRun;
        firstRun.ShowSeconds = firstRun.ShowAMPM = firstRun.ShowWeek = firstRun.Show24Hour = true;
        firstRun.Transparency = 100, firstRun.BackColor = {255, 255, 255}, firstRun.Volume = 100;
        for (bool withFile : {true, false}) {
            test::TestEnv env;
            QVERIFY(VoiceTable().spoken(4).isEmpty());
            VoiceTable().setRow(4, QStringLiteral("4"), QStringLiteral("四"));
            Lines lines = kFile;
            lines[12] = lines[11];
            if (withFile) env.write(QStringLiteral("Taku.Prefs"), joinLines(lines));
            ClockCore core;
            QSignalSpy moves(&env.prefs, &PreferencesFile::positionLoaded);
            QCOMPARE(env.prefs.load(), withFile);
            core.open();
            SettingsRecord expected = withFile ? fileSettings() : firstRun;
            if (withFile) expected.BackColor = {254, 253, 252};
            QVERIFY(Settings() == expected);
            QCOMPARE(core.IntervalMinutes, withFile ? 15 : 60);
            QCOMPARE(moves.size(), withFile ? 1 : 0);
            if (!withFile) continue;
            QVERIFY(env.prefs.save());
            lines[12] = "254\t253\t252";
            QCOMPARE(env.read(QStringLiteral("Taku.Prefs")), joinLines(lines));
            QFile::remove(env.file(QStringLiteral("Taku.Prefs")));
            QVERIFY(QDir().mkdir(env.file(QStringLiteral("Taku.Prefs"))));
            QVERIFY(!env.prefs.save());
        }
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
