// The speech backend with Open JTalk, through SDL's disk driver: Japanese is Mei's voice and
// reaches the device whole, a romaji word in a kana text is read by the English voice in the
// same utterance, a prepared text is spoken from what was prepared, and a missing or damaged
// voice falls back to espeak-ng with one clear log line, nothing blocking.

#include "base/Logging.h"
#include "speech/SpeechPlayer.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

using namespace taku;

namespace {

QStringList warnings;
std::mutex warningsMutex;

void keepFileWarnings(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (type != QtWarningMsg || qstrcmp(context.category, "taku.files") != 0) return;
    std::lock_guard lock(warningsMutex);
    warnings.append(msg);
}

int peak(const QByteArray& pcm) {
    int p = 0;
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        p = std::max(p, std::abs(int(s[i])));
    return p;
}

// Speaks each text in turn and returns what was played.
QList<SpeechPlayer::Played> speak(SpeechPlayer& speech, const QStringList& texts) {
    std::mutex m;
    QList<SpeechPlayer::Played> played;
    speech.keepPcm = true;
    speech.onPlayed = [&](const SpeechPlayer::Played& p) {
        std::lock_guard lock(m);
        played.append(p);
    };
    for (const QString& text : texts)
        speech.Speak(text, false);
    if (!speech.waitUntilIdle(60000)) qWarning() << "speech did not finish";
    std::lock_guard lock(m);
    speech.onPlayed = nullptr;
    return played;
}

} // namespace

class TestVoiceSpeech final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString output;
    OpenJTalkEngine::Setup mei = OpenJTalkEngine::defaultSetup();

private Q_SLOTS:
    void initTestCase() {
        output = dir.filePath(QStringLiteral("speech.raw"));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
        mei.voice = QStringLiteral(TAKU_VOICE_DIR "/mei/mei_normal.htsvoice");
        if (!OpenJTalkEngine(mei).ok()) QSKIP("Open JTalk or its voice is not installed");
    }

    void japaneseIsMeiAndEnglishIsEspeak() {
        const QString time = QStringLiteral("じゅう ご じ   です");
        const QString romaji = QStringLiteral("ごご yoji です");
        const QString kana = QStringLiteral("ごご です");
        QList<SpeechPlayer::Played> played;
        {
            SpeechPlayer speech({}, mei);
            played = speak(speech, {time, romaji, kana});
        }
        QCOMPARE(played.size(), 3);
        QCOMPARE(played[0].voice, QStringLiteral("mei"));
        QCOMPARE(played[1].voice, QStringLiteral("mei+en+mei"));
        QCOMPARE(played[2].voice, QStringLiteral("mei"));
        // The English word is inside the one utterance, not dropped.
        QVERIFY(played[1].frames > played[2].frames + 44100 / 5);
        for (const SpeechPlayer::Played& p : played) {
            QVERIFY(p.whole);
            QVERIFY2(peak(p.pcm) > 4000, qPrintable(p.text));
            // Heard within 20 ms of its start: the synthesizer's opening pause is gone.
            QVERIFY2(peak(p.pcm.first(4 * 44100 / 50)) >= 100, qPrintable(p.text));
        }
        // espeak-ng's Japanese voice says the time differently.
        SpeechPlayer espeakOnly({}, OpenJTalkEngine::Setup{});
        const QList<SpeechPlayer::Played> other = speak(espeakOnly, {time});
        QCOMPARE(other.value(0).voice, QStringLiteral("ja"));
        QVERIFY(other.value(0).pcm != played[0].pcm);

        // The device received Mei's samples whole.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 4 * played[0].pcm.size(), 30000);
        QFile raw(output);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(raw.readAll().contains(played[0].pcm));
    }

    void preparedTextNeedsNoSynthesisWhenSpoken() {
        // The voice is gone by the time the text is spoken: only the prepared samples are Mei's.
        const QString copy = dir.filePath(QStringLiteral("mei.htsvoice"));
        QVERIFY(QFile::copy(mei.voice, copy));
        OpenJTalkEngine::Setup setup = mei;
        setup.voice = copy;
        SpeechPlayer speech({}, setup);
        speech.prepare(QStringLiteral("く じ です"));
        speech.waitUntilPrepared();
        QVERIFY(QFile::remove(copy));
        const auto played = speak(speech, {QStringLiteral("く じ です")});
        QCOMPARE(played.value(0).voice, QStringLiteral("mei"));
        QVERIFY(played.value(0).frames > 0);
    }

    void brokenVoiceFallsBackToEspeak_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a voice") << QByteArray("RIFF not a voice at all");
        QFile voice(QStringLiteral(TAKU_VOICE_DIR "/mei/mei_normal.htsvoice"));
        if (voice.open(QIODevice::ReadOnly)) QTest::newRow("truncated") << voice.read(300000);
    }
    void brokenVoiceFallsBackToEspeak() {
        QFETCH(QByteArray, content);
        OpenJTalkEngine::Setup setup = mei;
        setup.voice = dir.filePath(QStringLiteral("broken.htsvoice"));
        QFile::remove(setup.voice);
        if (!content.isEmpty()) {
            QFile f(setup.voice);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        auto& category = const_cast<QLoggingCategory&>(lcFiles());
        category.setEnabled(QtWarningMsg, true);
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(keepFileWarnings);
        QList<SpeechPlayer::Played> played;
        {
            SpeechPlayer speech({}, setup);
            played = speak(speech, {QStringLiteral("いち じ です"), QStringLiteral("に じ です")});
        }
        qInstallMessageHandler(previous);
        category.setEnabled(QtWarningMsg, false);

        QCOMPARE(played.size(), 2);
        for (const SpeechPlayer::Played& p : played) {
            QCOMPARE(p.voice, QStringLiteral("ja"));
            QVERIFY(p.frames > 0);
        }
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("Japanese is spoken by espeak-ng")),
                 qPrintable(warnings[0]));
    }
};

QTEST_GUILESS_MAIN(TestVoiceSpeech)
#include "test_voice_speech.moc"
