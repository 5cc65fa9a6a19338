// What Open JTalk really says for the delivered table: each row alone, and the announcements
// whose numbers change their reading before a counter (4, 7 and 9 before hours, minutes and
// months, the 4th, 14th, 20th and 24th, morning and afternoon). Open JTalk joins the words of
// a text before it reads them, so a row that reads right alone can read wrong in company.
// The reading is taken from Open JTalk's own trace, as pronounced, in katakana.

#include "speech/Announcement.h"
#include "speech/OpenJTalkEngine.h"
#include "speech/ScriptRuns.h"
#include "speech/VoiceTable.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace taku;

namespace {

// Long vowels spelled out (トオ, ジュウ, ヨウ) and marked (トー) read the same.
QString markLongVowels(const QString& kana) {
    static const QString oRow = QStringLiteral("オコゴソゾトドノホボポモヨョロヲ");
    static const QString uRow = QStringLiteral("ウクグスズツヅヌフブプムユュル");
    QString r = kana;
    for (qsizetype i = 1; i < r.size(); ++i) {
        const bool o = oRow.contains(r[i - 1]);
        if ((r[i] == u'ウ' && (o || uRow.contains(r[i - 1]))) || (r[i] == u'オ' && o)) r[i] = u'ー';
    }
    return r;
}

} // namespace

class TestReadings final : public QObject {
    Q_OBJECT

    OpenJTalkEngine::Setup setup = OpenJTalkEngine::defaultSetup();
    VoiceTableData table;
    QTemporaryDir dir;

    // The pronunciation Open JTalk's trace gives for the text, as the speech backend hands it.
    QString reading(const QString& text) {
        const QString trace = dir.filePath(QStringLiteral("trace.txt"));
        QProcess p;
        p.start(setup.program,
                {QStringLiteral("-x"), setup.dictionary, QStringLiteral("-m"), setup.voice,
                 QStringLiteral("-ow"), QStringLiteral("/dev/null"), QStringLiteral("-ot"), trace});
        p.write(withoutSpaces(text).toUtf8() + '\n');
        p.closeWriteChannel();
        if (!p.waitForFinished(20000) || p.exitCode() != 0) return QStringLiteral("(failed)");
        QFile f(trace);
        if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("(no trace)");
        QString r;
        // "[Text analysis result]" lists one word a line: surface,pos,...,reading,pronunciation,...
        for (const QByteArray& line : f.readAll().split('\n')) {
            if (line.startsWith("[Output label]")) break;
            const QList<QByteArray> fields = line.split(',');
            if (fields.size() > 9) r += QString::fromUtf8(fields[9]);
        }
        r.remove(u'’'); // the devoicing mark
        return markLongVowels(r);
    }

private Q_SLOTS:
    void initTestCase() {
        setup.voice = QStringLiteral(TAKU_VOICE_DIR "/mei/mei_normal.htsvoice");
        if (!OpenJTalkEngine(setup).ok()) QSKIP("Open JTalk or its voice is not installed");
        QVERIFY(loadTableFile(QStringLiteral(TAKU_DELIVERED_DATA "/voice.txt"), table));
    }

    void rowsAlone_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");
        const QStringList readings =
            QStringLiteral("レイ イチ ニ サン ヨ ゴ ロク シチ ハチ ク ジュー ヨン キュー デス ニチ "
                           "ゲツ カ スイ モク キン ド ゴゼン ゴゴ ヨービ ジ プン フン ビョー シ "
                           "シチ ツイタチ フツカ ミッカ ヨッカ イツカ ムイカ ナノカ ヨーカ "
                           "ココノカ トーカ ハツカ ガツ")
                .split(u' ');
        for (int row = 0; row < readings.size(); ++row)
            QTest::addRow("row %d", row) << row << readings[row];
    }
    void rowsAlone() {
        QFETCH(int, row);
        QFETCH(QString, expected);
        QCOMPARE(reading(table.spoken(row)), expected);
    }

    void times_data() {
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QString>("expected");
        QTest::newRow("4 o'clock") << " 4:00"
                                   << "ヨジデス";
        QTest::newRow("7 o'clock") << " 7:00"
                                   << "シチジデス";
        QTest::newRow("9 o'clock") << " 9:00"
                                   << "クジデス";
        QTest::newRow("8:08") << " 8:08"
                              << "ハチジハチフンデス";
        QTest::newRow("14:04") << " 14:04"
                               << "ジューヨジヨンプンデス";
        QTest::newRow("19:09") << " 19:09"
                               << "ジュークジキューフンデス";
        QTest::newRow("16:18") << " 16:18"
                               << "ジューロクジジューハチフンデス";
        QTest::newRow("15:00") << " 15:00"
                               << "ジューゴジデス";
        QTest::newRow("morning") << "月 午前4:44"
                                 << "ゴゼンヨジヨンジューヨンプンデス";
        QTest::newRow("afternoon") << "月 午後9:49"
                                   << "ゴゴクジヨンジューキューフンデス";
        QTest::newRow("seconds") << " 7:07:04"
                                 << "シチジシチフンヨンビョーデス";
    }
    void times() {
        QFETCH(QString, clock);
        QFETCH(QString, expected);
        QCOMPARE(reading(ComposeTime(clock, table)), expected);
    }

    void dates_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("expected");
        QTest::newRow("April 4th") << 4 << 4 << 1 << "シガツヨッカニチヨービデス";
        QTest::newRow("July 14th") << 7 << 14 << 2 << "シチガツジューヨッカゲツヨービデス";
        QTest::newRow("September 20th") << 9 << 20 << 3 << "クガツハツカカヨービデス";
        QTest::newRow("August 24th") << 8 << 24 << 7 << "ハチガツニジューヨッカドヨービデス";
        QTest::newRow("December 8th") << 12 << 8 << 4 << "ジューニガツヨーカスイヨービデス";
        QTest::newRow("October 10th") << 10 << 10 << 5 << "ジューガツトーカモクヨービデス";
        QTest::newRow("November 17th")
            << 11 << 17 << 6 << "ジューイチガツジューシチニチキンヨービデス";
    }
    void dates() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, weekday);
        QFETCH(QString, expected);
        QCOMPARE(reading(ComposeDate(month, day, weekday, table)), expected);
    }
};

QTEST_GUILESS_MAIN(TestReadings)
#include "test_readings.moc"
