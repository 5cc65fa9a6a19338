// The spoken time and date: which rows of the pronunciation table are said, in which order,
// with which spaces; and which voice a text is spoken with.

#include "speech/Announcement.h"
#include "speech/KanaReading.h"
#include "speech/ScriptRuns.h"

#include <QTest>
#include <limits>

using namespace taku;

class TestCompose final : public QObject {
    Q_OBJECT

    // Every row says its own number, "[0]" .. "[50]", so a result shows which rows were read.
    const VoiceTableData table = [] {
        VoiceTableData t;
        for (int row = 0; row < VoiceTableData::kRows; ++row)
            t.setRow(row, QString(), QStringLiteral("[%1]").arg(row));
        return t;
    }();

private Q_SLOTS:
    // One row per rule: morning and afternoon, hours above 10 and 19, 4 and 9 before a unit, the
    // counters after 3, 4 and whole tens, seconds only when not 0, and a text typed by hand.
    void time() {
        const char* const rows[][2] = {
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
        for (const auto& [clockText, expected] : rows)
            QCOMPARE(ComposeTime(QString::fromUtf8(clockText), table), QString::fromUtf8(expected));
    }

    // Months 4 and 7 and days 1..10, 14, 17, 20, 24, 27 read on their own; weekday 0 says the
    // closing word instead; numbers without a row say nothing.
    void date() {
        const struct {
            int month, day, weekday;
            const char* rows;
        } rows[] = {
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
        for (const auto& r : rows)
            QCOMPARE(ComposeDate(r.month, r.day, r.weekday, table), QString::fromUtf8(r.rows));
        for (int d = 1; d <= 10; ++d)
            QCOMPARE(ComposeDate(6, d, 1, table),
                     QStringLiteral("[6] [41] [%1] [14] [23] [13]").arg(29 + d));
    }

    // What espeak-ng's Japanese voice is given without Open JTalk: kana, read as Japanese
    // reads them (the clock's own announcements are swept by tools/check-readings.py); an
    // unknown kanji is left out and counted.
    void kana() {
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
            {"東京で会議", "で"},
        };
        for (const auto& [text, kana] : rows) {
            int dropped = -1;
            QCOMPARE(kanaReading(QString::fromUtf8(text), &dropped), QString::fromUtf8(kana));
            QCOMPARE(dropped, qstrcmp(kana, "で") ? 0 : 4);
        }
    }

    // Expected runs are written "J:text|L:text" (J Japanese, L Latin).
    void scriptRuns() {
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
        for (const auto& [text, expected] : rows) {
            QStringList got;
            for (const ScriptRun& run : splitScriptRuns(QString::fromUtf8(text)))
                got.append((run.japanese ? QStringLiteral("J:") : QStringLiteral("L:")) + run.text);
            QCOMPARE(got.join(u'|'), QString::fromUtf8(expected));
        }
        QCOMPARE(withoutSpaces(QStringLiteral("ご ご\u3000よ じ  です ")),
                 QStringLiteral("ごごよじです"));
    }
};

QTEST_APPLESS_MAIN(TestCompose)
#include "test_compose.moc"
