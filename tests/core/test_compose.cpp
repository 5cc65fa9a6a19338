// The spoken time and date: which rows of the pronunciation table are said, in which order,
// with which spaces; and which voice a text is spoken with.

#include "speech/Announcement.h"
#include "speech/KanaReading.h"
#include "speech/ScriptRuns.h"

#include <QTest>
#include <limits>

using namespace taku;

namespace {

// Every row says its own number, "[0]" .. "[50]", so a result shows which rows were read.
VoiceTableData numberedTable() {
    VoiceTableData table;
    for (int row = 0; row < VoiceTableData::kRows; ++row)
        table.setRow(row, QString(), QStringLiteral("[%1]").arg(row));
    return table;
}

// One row per rule: morning and afternoon, hours above 10 and 19, 4 and 9 before a unit, the
// counters after 3, 4 and whole tens, seconds only when not 0, and a text typed by hand.
const char* const kTimes[][2] = {
    {"月 午後9:30", "[22] [9] [24] [3] [10] [25]  [13]"},
    {" 午前11:59:59", "[21] [10] [1] [24] [5] [10] [12] [26] [5] [10] [12] [27] [13]"},
    {"月 21:30", "[2] [10] [1] [24] [3] [10] [25]  [13]"},
    {" 13:44:27", "[10] [3] [24] [11] [10] [11] [25] [2] [10] [7] [27] [13]"},
    {"月 午後0:00", "[22] [0] [24]   [13]"},
    {"木 午前0:00", "[21] [0] [24]   [13]"},
    {" 4:03", "[4] [24] [3] [25]  [13]"},
    {" 9:04", "[9] [24] [11] [25]  [13]"},
    {" 14:09", "[10] [4] [24] [12] [26]  [13]"},
    {" 19:07", "[10] [9] [24] [7] [26]  [13]"},
    {" 8:10", "[8] [24] [10] [26]  [13]"},
    {" 8:20", "[8] [24] [2] [10] [25]  [13]"},
    {" 8:40", "[8] [24] [11] [10] [25]  [13]"},
    {" 8:00:04", "[8] [24]  [11] [27] [13]"},
    {" 8:00:09", "[8] [24]  [12] [27] [13]"},
    {" 8:00:40", "[8] [24]  [11] [10] [27] [13]"},
    {" -5:-3:-2", " [24]  [27] [13]"},
};

struct DateRow final {
    int month, day, weekday;
    const char* rows;
};

// Months 4 and 7 and days 1..10, 14, 17, 20, 24, 27 read on their own; weekday 0 says the
// closing word instead; numbers without a row say nothing.
const DateRow kDates[] = {
    {12, 24, 7, "[10] [2] [41] [2] [10] [33] [20] [23] [13]"},
    {4, 7, 4, "[28] [41] [36] [17] [23] [13]"},
    {7, 20, 6, "[29] [41] [40] [19] [23] [13]"},
    {3, 17, 1, "[3] [41] [10] [29][14] [14] [23] [13]"},
    {10, 30, 5, "[10] [41] [3] [10] [14] [18] [23] [13]"},
    {11, 10, 2, "[10] [1] [41] [39] [15] [23] [13]"},
    {6, 14, 1, "[6] [41] [10] [33] [14] [23] [13]"},
    {6, 27, 1, "[6] [41] [2] [10] [29][14] [14] [23] [13]"},
    {6, 1, 0, "[6] [41] [30] [13] [23] [13]"},
    {-1, 0, 40, " [41]   [23] [13]"},
    {6, -5, std::numeric_limits<int>::max(), "[6] [41]   [23] [13]"},
    {6, 1, std::numeric_limits<int>::min(), "[6] [41] [30]  [23] [13]"},
};

} // namespace

class TestCompose final : public QObject {
    Q_OBJECT

    const VoiceTableData table = numberedTable();

private Q_SLOTS:
    void time_data() {
        QTest::addColumn<QString>("clockText");
        QTest::addColumn<QString>("rows");
        for (const auto& [clockText, rows] : kTimes)
            QTest::newRow(clockText) << QString::fromUtf8(clockText) << QString::fromUtf8(rows);
    }
    void time() {
        QFETCH(QString, clockText);
        QFETCH(QString, rows);
        QCOMPARE(ComposeTime(clockText, table), rows);
    }

    void date_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("rows");
        for (const DateRow& r : kDates)
            QTest::addRow("%d/%d w%d", r.month, r.day, r.weekday)
                << r.month << r.day << r.weekday << QString::fromUtf8(r.rows);
        for (int d = 1; d <= 10; ++d)
            QTest::addRow("day %d", d)
                << 6 << d << 1 << QStringLiteral("[6] [41] [%1] [14] [23] [13]").arg(29 + d);
    }
    void date() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, weekday);
        QFETCH(QString, rows);
        QCOMPARE(ComposeDate(month, day, weekday, table), rows);
    }

    // What espeak-ng's Japanese voice is given without Open JTalk: kana, read as Japanese
    // reads them (the clock's own announcements are swept by tools/check-readings.py); an
    // unknown kanji is left out and counted.
    void kana_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kana");
        QTest::addColumn<int>("dropped");
        const char* const rows[][2] = {
            {"十一日日曜日です", "じゅういちにちにちようびです"},
            {"二十四日", "にじゅうよっか"},
            {"三十四日", "さんじゅうよっか"},
            {"四月十四日", "しがつじゅうよっか"},
            {"零時零分", "れいじれいふん"},
            {"百分", "ひゃくふん"},
            {"三百六十五日", "さんびゃくろくじゅうごにち"},
            {"二千二十七年", "にせんにじゅうななねん"},
            {"八千", "はっせん"},
            {"二〇二七年", "にれいにななねん"},
            {"今日は誕生日", "きょうはたんじょうび"},
            {"元日です。", "がんじつです。"},
            {"ごご ヨジ です", "ごご ヨジ です"},
            {"3時です", "3じです"},
        };
        for (const auto& [text, kana] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(kana) << 0;
        QTest::newRow("unknown kanji") << QStringLiteral("東京で会議") << QStringLiteral("で")
                                       << 4;
    }
    void kana() {
        QFETCH(QString, text);
        int dropped = -1;
        QTEST(kanaReading(text, &dropped), "kana");
        QTEST(dropped, "dropped");
    }

    // Expected runs are written "J:text|L:text" (J Japanese, L Latin).
    void scriptRuns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runs");
        const char* const rows[][2] = {
            {"じゅう に じ です", "J:じゅう に じ です"},
            {"ごご yoji です", "J:ごご |L:yoji |J:です"},
            {"A Happy New Year!", "L:A Happy New Year!"},
            {"A Happy New Year! おめでとう。", "L:A Happy New Year! |J:おめでとう。"},
            {"元日 カレー", "J:元日 カレー"},
            {"ｶﾀｶﾅ ＡＢＣ", "J:ｶﾀｶﾅ ＡＢＣ"},
            {"Meeting 3時から", "L:Meeting |J:3時から"},
            {"ごご 3 o'clock", "J:ごご 3 |L:o'clock"},
            {"「はい」 OK", "J:「はい」 |L:OK"},
            {"12:00 !", "L:12:00 !"},
            {"", ""},
        };
        for (const auto& [text, runs] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(runs);
    }
    void scriptRuns() {
        QFETCH(QString, text);
        QFETCH(QString, runs);
        QStringList got;
        for (const ScriptRun& run : splitScriptRuns(text))
            got.append((run.japanese ? QStringLiteral("J:") : QStringLiteral("L:")) + run.text);
        QCOMPARE(got.join(u'|'), runs);
        QCOMPARE(withoutSpaces(QStringLiteral("ご ご\u3000よ じ  です ")),
                 QStringLiteral("ごごよじです"));
    }
};

QTEST_APPLESS_MAIN(TestCompose)
#include "test_compose.moc"
