// What Open JTalk really says for the delivered table: each row alone, and the announcements
// whose numbers change their reading before a counter (4, 7 and 9 before hours, minutes and
// months, the 4th, 14th, 20th and 24th, morning and afternoon), read from Open JTalk's trace.

#include "speech/Announcement.h"
#include "speech/OpenJTalkEngine.h"
#include "speech/ScriptRuns.h"
#include "speech/VoiceTable.h"

#include <QFile>
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

    // Numbers that change their reading before a counter, alone and in company.
    void announcements_data() {
        QTest::addColumn<QString>("clock"); // a clock text, or "month/day/weekday"
        QTest::addColumn<QString>("expected");
        static const char* const rows[][2] = {
            {" 4:00", "ヨジデス"},
            {" 7:00", "シチジデス"},
            {" 9:00", "クジデス"},
            {" 8:08", "ハチジハチフンデス"},
            {" 14:04", "ジューヨジヨンプンデス"},
            {" 19:09", "ジュークジキューフンデス"},
            {" 16:18", "ジューロクジジューハチフンデス"},
            {" 15:00", "ジューゴジデス"},
            {"月 午前4:44", "ゴゼンヨジヨンジューヨンプンデス"},
            {"月 午後9:49", "ゴゴクジヨンジューキューフンデス"},
            {" 7:07:04", "シチジシチフンヨンビョーデス"},
            {"4/4/1", "シガツヨッカニチヨービデス"},
            {"7/14/2", "シチガツジューヨッカゲツヨービデス"},
            {"9/20/3", "クガツハツカカヨービデス"},
            {"8/24/7", "ハチガツニジューヨッカドヨービデス"},
            {"12/8/4", "ジューニガツヨーカスイヨービデス"},
            {"10/10/5", "ジューガツトーカモクヨービデス"},
            {"11/17/6", "ジューイチガツジューシチニチキンヨービデス"},
        };
        for (const auto& [clock, expected] : rows)
            QTest::newRow(clock) << QString::fromUtf8(clock) << QString::fromUtf8(expected);
    }
    void announcements() {
        QFETCH(QString, clock);
        const QStringList date = clock.split(u'/');
        const QString text =
            date.size() == 3 ? ComposeDate(date[0].toInt(), date[1].toInt(), date[2].toInt(), table)
                             : ComposeTime(clock, table);
        QTEST(reading(text), "expected");
    }
};

QTEST_GUILESS_MAIN(TestReadings)
#include "test_readings.moc"
