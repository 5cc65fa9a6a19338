// The spoken time and date: which rows of the pronunciation table are said, in which order,
// with which spaces, for every clock text and date the clock can show, and for the texts and
// numbers a user can type into the editor.

#include "speech/Announcement.h"
#include "speech/ScriptRuns.h"

#include <QRegularExpression>
#include <QTest>
#include <limits>

using namespace taku;

namespace {

// Every row says its own number, "r0" .. "r50", so a result shows which rows were read.
VoiceTableData numberedTable() {
    VoiceTableData table;
    for (int row = 0; row < VoiceTableData::kRows; ++row)
        table.setRow(row, QString(), QStringLiteral("r%1").arg(row));
    return table;
}

// "[22]·[9]·[24]" as the numbered table says it: "r22 r9 r24".
QString said(QString rows) {
    rows.replace(QRegularExpression(QStringLiteral("\\[(\\d+)\\]")), QStringLiteral("r\\1"));
    rows.replace(QChar(u'·'), QChar(u' '));
    return rows;
}

} // namespace

class TestCompose final : public QObject {
    Q_OBJECT

    const VoiceTableData table = numberedTable();

private Q_SLOTS:
    void time_data() {
        QTest::addColumn<QString>("clockText");
        QTest::addColumn<QString>("rows");
        // The worked examples, one per display mode.
        QTest::newRow("afternoon 9:30") << "月 午後9:30"
                                        << "[22]·[9]·[24]·[3]·[10]·[25]··[13]";
        QTest::newRow("12h no word") << " 9:30"
                                     << "[9]·[24]·[3]·[10]·[25]··[13]";
        QTest::newRow("24h 21:30") << "月 21:30"
                                   << "[2]·[10]·[1]·[24]·[3]·[10]·[25]··[13]";
        QTest::newRow("noon") << "月 午後0:00"
                              << "[22]·[0]·[24]···[13]";
        QTest::newRow("24h seconds") << " 13:44:27"
                                     << "[10]·[3]·[24]·[11]·[10]·[11]·[25]·[2]·[10]·[7]·[27]·[13]";
        QTest::newRow("morning seconds")
            << " 午前11:59:59"
            << "[21]·[10]·[1]·[24]·[5]·[10]·[12]·[26]·[5]·[10]·[12]·[27]·[13]";
        QTest::newRow("20:10") << " 20:10"
                               << "[2]·[10]·[24]·[10]·[26]··[13]";
        // Minutes.
        QTest::newRow("minute 0") << " 8:00"
                                  << "[8]·[24]···[13]";
        QTest::newRow("minute 10") << " 8:10"
                                   << "[8]·[24]·[10]·[26]··[13]";
        QTest::newRow("minute 20") << " 8:20"
                                   << "[8]·[24]·[2]·[10]·[25]··[13]";
        QTest::newRow("minute 30") << " 8:30"
                                   << "[8]·[24]·[3]·[10]·[25]··[13]";
        QTest::newRow("minute 40") << " 8:40"
                                   << "[8]·[24]·[11]·[10]·[25]··[13]";
        QTest::newRow("minute 50") << " 8:50"
                                   << "[8]·[24]·[5]·[10]·[25]··[13]";
        QTest::newRow("minute 3") << " 8:03"
                                  << "[8]·[24]·[3]·[25]··[13]";
        QTest::newRow("minute 4") << " 8:04"
                                  << "[8]·[24]·[11]·[25]··[13]";
        QTest::newRow("minute 9") << " 8:09"
                                  << "[8]·[24]·[12]·[26]··[13]";
        QTest::newRow("minute 7") << " 8:07"
                                  << "[8]·[24]·[7]·[26]··[13]";
        QTest::newRow("minute 13") << " 8:13"
                                   << "[8]·[24]·[10]·[3]·[25]··[13]";
        QTest::newRow("minute 14") << " 8:14"
                                   << "[8]·[24]·[10]·[11]·[25]··[13]";
        QTest::newRow("minute 19") << " 8:19"
                                   << "[8]·[24]·[10]·[12]·[26]··[13]";
        QTest::newRow("minute 44") << " 8:44"
                                   << "[8]·[24]·[11]·[10]·[11]·[25]··[13]";
        QTest::newRow("minute 49") << " 8:49"
                                   << "[8]·[24]·[11]·[10]·[12]·[26]··[13]";
        // Hours: 4 and 9 have rows of their own, never 11 and 12.
        QTest::newRow("hour 4") << " 4:00"
                                << "[4]·[24]···[13]";
        QTest::newRow("hour 9") << " 9:00"
                                << "[9]·[24]···[13]";
        QTest::newRow("hour 14") << " 14:00"
                                 << "[10]·[4]·[24]···[13]";
        QTest::newRow("hour 19") << " 19:00"
                                 << "[10]·[9]·[24]···[13]";
        QTest::newRow("hour 10") << " 10:00"
                                 << "[10]·[24]···[13]";
        QTest::newRow("hour 20") << " 20:00"
                                 << "[2]·[10]·[24]···[13]";
        QTest::newRow("hour 23") << " 23:00"
                                 << "[2]·[10]·[3]·[24]···[13]";
        QTest::newRow("midnight 12h") << "木 午前0:00"
                                      << "[21]·[0]·[24]···[13]";
        // Seconds only when non-zero.
        QTest::newRow("seconds 00") << " 8:00:00"
                                    << "[8]·[24]···[13]";
        QTest::newRow("seconds 5") << " 8:00:05"
                                   << "[8]·[24]··[5]·[27]·[13]";
        QTest::newRow("seconds 4") << " 8:00:04"
                                   << "[8]·[24]··[11]·[27]·[13]";
        QTest::newRow("seconds 9") << " 8:00:09"
                                   << "[8]·[24]··[12]·[27]·[13]";
        QTest::newRow("seconds 3") << " 8:00:03"
                                   << "[8]·[24]··[3]·[27]·[13]";
        QTest::newRow("seconds 10") << " 8:00:10"
                                    << "[8]·[24]··[10]·[27]·[13]";
        QTest::newRow("seconds 40") << " 8:00:40"
                                    << "[8]·[24]··[11]·[10]·[27]·[13]";
        QTest::newRow("seconds 14") << " 8:00:14"
                                    << "[8]·[24]··[10]·[11]·[27]·[13]";
        // Typed texts: no space, letters, a day off the clock.
        QTest::newRow("no space") << "10:00"
                                  << "[0]·[24]···[13]";
        QTest::newRow("letters") << " ab:cd"
                                 << "[0]·[24]···[13]";
        QTest::newRow("hour 99") << " 99:00"
                                 << "[2]·[10]··[24]···[13]";
        QTest::newRow("negative") << " -5:-3:-2"
                                  << "·[24]··[27]·[13]";
        QTest::newRow("huge minute") << " 1:150"
                                     << "[1]·[24]·[15]·[10]·[25]··[13]";
        QTest::newRow("out of range")
            << " 99999999999:99999999999:99999999999" << QString(); // checked below
    }
    void time() {
        QFETCH(QString, clockText);
        QFETCH(QString, rows);
        const QString result = ComposeTime(clockText, table);
        if (rows.isEmpty()) {
            // Saturated to the 32-bit range: nothing outside the table is read, nothing crashes.
            QVERIFY(result.endsWith(QStringLiteral(" r13")));
            return;
        }
        QCOMPARE(result, said(rows));
    }

    void date_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("rows");
        // The worked examples.
        QTest::newRow("12/24 Sat") << 12 << 24 << 7 << "[10]·[2]·[41]·[2]·[10]·[33]·[20]·[23]·[13]";
        QTest::newRow("1/1 Sun") << 1 << 1 << 1 << "[1]·[41]·[30]·[14]·[23]·[13]";
        QTest::newRow("4/7 Wed") << 4 << 7 << 4 << "[28]·[41]·[36]·[17]·[23]·[13]";
        QTest::newRow("7/20 Fri") << 7 << 20 << 6 << "[29]·[41]·[40]·[19]·[23]·[13]";
        QTest::newRow("3/17 Sun") << 3 << 17 << 1 << "[3]·[41]·[10]·[29][14]·[14]·[23]·[13]";
        QTest::newRow("10/30 Thu") << 10 << 30 << 5 << "[10]·[41]·[3]·[10]·[14]·[18]·[23]·[13]";
        QTest::newRow("5/31 Tue") << 5 << 31 << 3 << "[5]·[41]·[3]·[10]·[1]·[14]·[16]·[23]·[13]";
        QTest::newRow("12/10 Sat") << 12 << 10 << 7 << "[10]·[2]·[41]·[39]·[20]·[23]·[13]";
        // Months with words of their own, and the two-word months.
        QTest::newRow("month 9") << 9 << 1 << 2 << "[9]·[41]·[30]·[15]·[23]·[13]";
        QTest::newRow("month 11") << 11 << 1 << 2 << "[10]·[1]·[41]·[30]·[15]·[23]·[13]";
        // Days 1 to 10 are single words.
        for (int d = 1; d <= 10; ++d)
            QTest::addRow("day %d", d)
                << 6 << d << 1 << QStringLiteral("[6]·[41]·[%1]·[14]·[23]·[13]").arg(29 + d);
        QTest::newRow("day 11") << 6 << 11 << 1 << "[6]·[41]·[10]·[1]·[14]·[14]·[23]·[13]";
        QTest::newRow("day 14") << 6 << 14 << 1 << "[6]·[41]·[10]·[33]·[14]·[23]·[13]";
        QTest::newRow("day 19") << 6 << 19 << 1 << "[6]·[41]·[10]·[9]·[14]·[14]·[23]·[13]";
        QTest::newRow("day 24") << 6 << 24 << 1 << "[6]·[41]·[2]·[10]·[33]·[14]·[23]·[13]";
        QTest::newRow("day 27") << 6 << 27 << 1 << "[6]·[41]·[2]·[10]·[29][14]·[14]·[23]·[13]";
        QTest::newRow("day 30") << 6 << 30 << 1 << "[6]·[41]·[3]·[10]·[14]·[14]·[23]·[13]";
        // Weekday 0 (an unknown weekday character) says the closing word in its place.
        QTest::newRow("weekday 0") << 6 << 1 << 0 << "[6]·[41]·[30]·[13]·[23]·[13]";
        // Typed numbers the table has no row for contribute nothing.
        QTest::newRow("month 13") << 13 << 1 << 1 << "[10]·[3]·[41]·[30]·[14]·[23]·[13]";
        QTest::newRow("month 61") << 61 << 1 << 1 << "[10]··[41]·[30]·[14]·[23]·[13]";
        QTest::newRow("month -1") << -1 << 1 << 1 << "·[41]·[30]·[14]·[23]·[13]";
        QTest::newRow("day 0") << 6 << 0 << 1 << "[6]·[41]··[14]·[23]·[13]";
        QTest::newRow("day -5") << 6 << -5 << 1 << "[6]·[41]··[14]·[23]·[13]";
        QTest::newRow("weekday 40") << 6 << 1 << 40 << "[6]·[41]·[30]··[23]·[13]";
        QTest::newRow("weekday max")
            << 6 << 1 << std::numeric_limits<int>::max() << "[6]·[41]·[30]··[23]·[13]";
        QTest::newRow("weekday min")
            << 6 << 1 << std::numeric_limits<int>::min() << "[6]·[41]·[30]··[23]·[13]";
    }
    void date() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, weekday);
        QFETCH(QString, rows);
        QCOMPARE(ComposeDate(month, day, weekday, table), said(rows));
    }

    void monthsFourAndSevenUseTheirOwnRows() {
        QVERIFY(ComposeDate(4, 1, 1, table).startsWith(QStringLiteral("r28 r41 ")));
        QVERIFY(ComposeDate(7, 1, 1, table).startsWith(QStringLiteral("r29 r41 ")));
        QVERIFY(ComposeDate(12, 1, 1, table).startsWith(QStringLiteral("r10 r2 r41 ")));
    }

    void emptyTableSaysOnlySpaces() {
        const VoiceTableData empty;
        QCOMPARE(ComposeTime(QStringLiteral("木 午後9:30:15"), empty).trimmed(), QString());
        QCOMPARE(ComposeDate(12, 24, 7, empty).trimmed(), QString());
    }

    // Expected runs are written "J:text|L:text" (J Japanese, L Latin).
    void scriptRuns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runs");
        QTest::newRow("kana row") << "じゅう に じ です"
                                  << "J:じゅう に じ です";
        QTest::newRow("romaji row in kana") << "ごご yoji です"
                                            << "J:ごご |L:yoji |J:です";
        QTest::newRow("English event") << "A Happy New Year!"
                                       << "L:A Happy New Year!";
        QTest::newRow("English then kana") << "A Happy New Year! おめでとう。"
                                           << "L:A Happy New Year! |J:おめでとう。";
        QTest::newRow("kanji katakana long mark") << "元日 カレー"
                                                  << "J:元日 カレー";
        QTest::newRow("half and full width") << "ｶﾀｶﾅ ＡＢＣ"
                                             << "J:ｶﾀｶﾅ ＡＢＣ";
        QTest::newRow("number before counter") << "Meeting 3時から"
                                               << "L:Meeting |J:3時から";
        QTest::newRow("clock time before counter") << "at 12:30分"
                                                   << "L:at |J:12:30分";
        QTest::newRow("number after kana") << "ごご 3 o'clock"
                                           << "J:ごご 3 |L:o'clock";
        QTest::newRow("number in English") << "Room 101, こんにちは"
                                           << "L:Room 101, |J:こんにちは";
        QTest::newRow("leading punctuation") << "「はい」 OK"
                                             << "J:「はい」 |L:OK";
        QTest::newRow("leading digits join first letter") << "12 Monkeys"
                                                          << "L:12 Monkeys";
        QTest::newRow("no letters") << "12:00 !"
                                    << "L:12:00 !";
        QTest::newRow("empty") << ""
                               << "";
    }
    void scriptRuns() {
        QFETCH(QString, text);
        QFETCH(QString, runs);
        QStringList got;
        for (const ScriptRun& run : splitScriptRuns(text))
            got.append((run.japanese ? QStringLiteral("J:") : QStringLiteral("L:")) + run.text);
        QCOMPARE(got.join(u'|'), runs);
    }

    void japaneseRunsLoseTheirSpaces() {
        QCOMPARE(withoutSpaces(QStringLiteral("ご ご\u3000よ じ  です ")),
                 QStringLiteral("ごごよじです"));
    }
};

QTEST_APPLESS_MAIN(TestCompose)
#include "test_compose.moc"
