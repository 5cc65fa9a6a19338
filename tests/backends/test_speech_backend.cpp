// The speech backend through the real espeak-ng and SDL2_mixer, with SDL's disk driver as the
// sound device, and the delivered pronunciation tables it speaks.

#include "base/TextFile.h"
#include "sound/AudioOutput.h"
#include "speech/Announcement.h"
#include "speech/EspeakEngine.h"
#include "speech/ScriptRuns.h"
#include "speech/SpeechPlayer.h"
#include "speech/VoiceTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

using namespace taku;

namespace {
// No Open JTalk: the queue is heard through espeak-ng alone, whatever the machine has.
const OpenJTalkEngine::Setup kEspeakOnly{QStringLiteral("/nonexistent/open_jtalk"), {}, {}};

bool allRunsIn(const QString& text, bool japanese) {
    const auto runs = splitScriptRuns(text);
    return std::all_of(runs.begin(), runs.end(),
                       [japanese](const ScriptRun& r) { return r.japanese == japanese; });
}
} // namespace

class TestSpeechBackend final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath(QStringLiteral("speech.raw"))));
    }

    // Queued texts are heard one after the other, whole and in order, each in the voice of its
    // script; texts that say nothing do not stall the queue; the output closed while idle
    // opens again for the next text.
    void textsAreHeardInOrderAndWhole() {
        std::mutex m;
        QList<SpeechPlayer::Played> played;
        SpeechPlayer speech({}, kEspeakOnly);
        if (!speech.synthesizerReady()) QFAIL("espeak-ng data is missing");
        speech.keepPcm = true;
        speech.onPlayed = [&](const SpeechPlayer::Played& p) {
            std::lock_guard lock(m);
            played.append(p);
        };
        const QStringList texts{QStringLiteral("じゅう に がつ です"), QString(),
                                QStringLiteral("Merry Xmas!........"),
                                QStringLiteral("ご ご いち じ です")};
        for (const QString& text : texts)
            speech.Speak(text, false);
        QVERIFY(speech.waitUntilIdle(60000));
        QVERIFY(audio::closeIfIdle()); // writes out what the driver still holds

        std::unique_lock lock(m);
        QCOMPARE(played.size(), 4);
        QFile raw(dir.filePath(QStringLiteral("speech.raw")));
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray heard = raw.readAll();
        qsizetype from = 0;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(played[i].text, texts[i]);
            if (texts[i].isEmpty()) continue;
            QVERIFY(played[i].whole && played[i].frames > 0);
            QCOMPARE(played[i].voice, i == 2 ? QStringLiteral("en") : QStringLiteral("ja"));
            const qsizetype at = heard.indexOf(played[i].pcm, from);
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("not heard whole: ") + texts[i]));
            from = at + played[i].pcm.size();
        }

        played.clear();
        lock.unlock();
        QVERIFY(!audio::isOpen());
        speech.Speak(QStringLiteral("に"), false);
        QVERIFY(speech.waitUntilIdle(20000));
        QVERIFY(audio::isOpen());
        lock.lock();
        QVERIFY(played.size() == 1 && played[0].whole && played[0].frames > 0);
    }

    void shutsDownWithTextsQueued() {
        auto speech = std::make_unique<SpeechPlayer>(QString(), kEspeakOnly);
        for (int i = 0; i < 20; ++i)
            speech->Speak(
                QStringLiteral("A long text that would take a while to say, number %1.").arg(i),
                false);
        speech.reset(); // joins the worker; must neither hang nor crash
    }

    // The delivered tables: 42 rows of a display word and a spoken text that espeak-ng turns
    // into sound, kana for the Japanese voice, romanized text for the English one.
    void deliveredTablesAreSpeech_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("voice");
        QTest::newRow("voice.txt") << "voice.txt"
                                   << "ja";
        QTest::newRow("Fred.txt") << "Fred.txt"
                                  << "en";
    }
    void deliveredTablesAreSpeech() {
        QFETCH(QString, name);
        QFETCH(QString, voice);
        const QString path = QStringLiteral(TAKU_DELIVERED_DATA "/") + name;
        const auto lines = readLines(path);
        QVERIFY(lines);
        QCOMPARE(lines->size(), VoiceTableData::kEditedRows);
        VoiceTableData table;
        QVERIFY(loadTableFile(path, table));
        EspeakEngine& engine = EspeakEngine::shared();
        QVERIFY(engine.ok());
        for (int row = 0; row < VoiceTableData::kEditedRows; ++row) {
            const QByteArray where = (name + QStringLiteral(" row %1").arg(row)).toUtf8();
            QVERIFY2(lines->at(row).count('\t') == 1, where.constData());
            QVERIFY2(encodeShiftJis(decodeShiftJis(lines->at(row))) == lines->at(row),
                     where.constData());
            QVERIFY2(!table.display(row).isEmpty() &&
                         allRunsIn(table.spoken(row), voice == QLatin1String("ja")),
                     where.constData());
            const std::vector<short> samples = engine.synthesize(table.spoken(row), voice);
            const auto peak = std::max_element(samples.begin(), samples.end());
            // At least a tenth of a second, and not whisper-quiet.
            QVERIFY2(samples.size() > size_t(engine.sampleRate() / 10) && *peak > 2000,
                     where.constData());
        }
        if (voice == QLatin1String("ja")) {
            QCOMPARE(ComposeDate(4, 24, 7, table),
                     QStringLiteral("し がつ に じゅう よっか ど ようび です"));
            QCOMPARE(ComposeTime(QStringLiteral(" 9:44:19"), table),
                     QStringLiteral("く じ よん じゅう よん ぷん じゅう きゅう びょう です"));
        }
    }
};

QTEST_GUILESS_MAIN(TestSpeechBackend)
#include "test_speech_backend.moc"
