// The delivered pronunciation tables: 42 rows each, every row a display word and a spoken
// text that espeak-ng really turns into sound, kana for the Japanese voice in voice.txt and
// romanized text for the English voice in Fred.txt.

#include "base/TextFile.h"
#include "speech/Announcement.h"
#include "speech/EspeakEngine.h"
#include "speech/ScriptRuns.h"
#include "speech/VoiceTable.h"

#include <QTest>
#include <algorithm>
#include <cstdlib>

using namespace taku;

namespace {

QString delivered(const char* name) {
    return QStringLiteral(TAKU_DELIVERED_DATA "/") + QLatin1String(name);
}

VoiceTableData load(const char* name) {
    VoiceTableData table;
    if (!loadTableFile(delivered(name), table)) qWarning() << "cannot open" << name;
    return table;
}

} // namespace

class TestVoiceData final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filesHoldExactly42ValidRows_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("voice.txt") << "voice.txt";
        QTest::newRow("Fred.txt") << "Fred.txt";
    }
    void filesHoldExactly42ValidRows() {
        QFETCH(QString, name);
        const auto lines = readLines(delivered(name.toLatin1().constData()));
        QVERIFY(lines);
        QCOMPARE(lines->size(), VoiceTableData::kEditedRows);
        for (const QByteArray& line : *lines) {
            QCOMPARE(line.count('\t'), 1);
            QVERIFY(!decodeShiftJis(line).contains(QChar::ReplacementCharacter));
            QCOMPARE(encodeShiftJis(decodeShiftJis(line)), line);
        }
    }

    void everyRowIsSpeech_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("voice");
        QTest::newRow("voice.txt") << "voice.txt"
                                   << "ja";
        QTest::newRow("Fred.txt") << "Fred.txt"
                                  << "en";
    }
    void everyRowIsSpeech() {
        QFETCH(QString, name);
        QFETCH(QString, voice);
        EspeakEngine& engine = EspeakEngine::shared();
        if (!engine.ok()) QFAIL("espeak-ng data is missing");
        const VoiceTableData table = load(name.toLatin1().constData());
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row) {
            const QString text = table.spoken(row);
            const QByteArray where = (name + QStringLiteral(" row %1: ").arg(row) + text).toUtf8();
            QVERIFY2(!table.display(row).isEmpty(), where.constData());
            QVERIFY2(!text.trimmed().isEmpty(), where.constData());
            const QList<ScriptRun> runs = splitScriptRuns(text);
            QVERIFY2(runs.size() == 1 && runs[0].japanese == (voice == u"ja"), where.constData());
            const std::vector<short> samples = engine.synthesize(text, voice);
            int peak = 0;
            for (short s : samples)
                peak = std::max(peak, std::abs(int(s)));
            // At least a tenth of a second, and not whisper-quiet.
            QVERIFY2(samples.size() > size_t(engine.sampleRate() / 10), where.constData());
            QVERIFY2(peak > 2000, where.constData());
        }
    }

    void rowsSayWhatTheirRolesNeed() {
        const VoiceTableData t = load("voice.txt");
        QCOMPARE(t.spoken(4), QStringLiteral("よ"));
        QCOMPARE(t.spoken(11), QStringLiteral("よん"));
        QCOMPARE(t.spoken(9), QStringLiteral("く"));
        QCOMPARE(t.spoken(12), QStringLiteral("きゅう"));
        QCOMPARE(t.spoken(30), QStringLiteral("ついたち"));
        QCOMPARE(t.spoken(40), QStringLiteral("はつか"));
        QCOMPARE(t.spoken(13), QStringLiteral("です"));
        QCOMPARE(ComposeDate(12, 24, 7, t),
                 QStringLiteral("じゅう に がつ に じゅう よっか ど ようび です"));
        QCOMPARE(ComposeDate(4, 17, 1, t),
                 QStringLiteral("し がつ じゅう しちにち にち ようび です"));
        QCOMPARE(ComposeTime(QStringLiteral("木 午後4:09"), t),
                 QStringLiteral("ごご よ じ きゅう ふん  です"));
        QCOMPARE(ComposeTime(QStringLiteral(" 9:44:30"), t),
                 QStringLiteral("く じ よん じゅう よん ぷん さん じゅう びょう です"));
    }
};

QTEST_APPLESS_MAIN(TestVoiceData)
#include "test_voice_data.moc"
