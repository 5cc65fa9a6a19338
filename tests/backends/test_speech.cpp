// The speech backend for real into SDL's disk driver: texts heard whole and in order, Mei for
// Japanese, espeak-ng for Latin and for a broken voice, and the onset line of a due sound.

#include "base/Logging.h"
#include "sound/AudioOutput.h"
#include "sound/MixerSound.h"
#include "speech/Announcement.h"
#include "speech/SpeechPlayer.h"
#include "speech/VoiceTable.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <mutex>

using namespace taku;

namespace {

const OpenJTalkEngine::Setup kEspeakOnly{QStringLiteral("/nonexistent/open_jtalk"), {}, {}};
const QString kMei = QStringLiteral(TAKU_VOICE_DIR "/mei/mei_normal.htsvoice");

QStringList logged; // the lines of the category a test listens to
std::mutex loggedMutex;
const char* listened = "";

// Runs body with the category's lines of that level on and kept in `logged`.
void listen(const QLoggingCategory& category, QtMsgType type, const std::function<void()>& body) {
    auto& c = const_cast<QLoggingCategory&>(category);
    c.setEnabled(type, true);
    listened = c.categoryName();
    logged.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& m) {
            std::lock_guard lock(loggedMutex);
            if (qstrcmp(context.category, listened) == 0) logged.append(m);
        });
    body();
    qInstallMessageHandler(previous);
    c.setEnabled(type, false);
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

// The RMS of stereo 16-bit frames [from, to), leading and trailing quiet left out.
double rms(const QByteArray& pcm, qint64 from, qint64 to) {
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    auto quiet = [&](qint64 f) { return std::abs(s[2 * f]) < 300 && std::abs(s[2 * f + 1]) < 300; };
    while (from < to && quiet(from))
        ++from;
    while (to > from && quiet(to - 1))
        --to;
    double sum = 0;
    for (qint64 f = from; f < to; ++f)
        sum += double(s[2 * f]) * s[2 * f] + double(s[2 * f + 1]) * s[2 * f + 1];
    return to > from ? std::sqrt(sum / double(2 * (to - from))) : 0;
}

bool loud(const QByteArray& pcm, int level = 4000) {
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    return std::any_of(s, s + pcm.size() / 2, [level](qint16 v) { return std::abs(v) > level; });
}

} // namespace

class TestSpeech final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString output = dir.filePath(QStringLiteral("speech.raw"));
    OpenJTalkEngine::Setup mei = OpenJTalkEngine::defaultSetup();
    bool meiReady = false;

    QByteArray heard() const {
        QFile raw(output);
        return raw.open(QIODevice::ReadOnly) ? raw.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
        mei.voice = kMei;
        meiReady = OpenJTalkEngine(mei).ok();
    }

    // Without Open JTalk, queued texts are heard in order and whole, an empty one stalling
    // nothing; espeak-ng's Japanese voice is given kana only (a kanji would be "Chinese letter"),
    // its English voice the Latin; the output closed while idle opens again.
    void espeakHearsKanaAndLatinInOrderAndWhole() {
        VoiceTableData table;
        QVERIFY(loadTableFile(QStringLiteral(TAKU_DELIVERED_DATA "/voice.txt"), table));
        const QStringList texts{ComposeTime(QStringLiteral("月 午後6:01"), table),
                                QString(),
                                ComposeTime(QStringLiteral(" 23:40:59"), table),
                                ComposeTime(QStringLiteral("水 午前0:08:14"), table),
                                ComposeDate(1, 1, 6, table),
                                ComposeDate(12, 24, 5, table),
                                QStringLiteral("今日は誕生日です"),
                                QStringLiteral("Happy New Year! 元日です。二〇二七年"),
                                QStringLiteral("Merry Xmas!........")};
        SpeechPlayer speech({}, kEspeakOnly);
        QVERIFY2(speech.synthesizerReady(), "espeak-ng data is missing");
        const auto played = speak(speech, texts);
        QVERIFY(audio::closeIfIdle()); // writes out what the driver still holds
        QCOMPARE(played.size(), texts.size());
        // Kana, the long-vowel mark and the punctuation a Japanese run may carry; no kanji.
        const QRegularExpression kana(QStringLiteral("^[\\x{3041}-\\x{30ff}。、!！]*$"));
        const QRegularExpression latin(QStringLiteral("^[\\x{0}-\\x{2e7f}]*$"));
        const QByteArray bytes = heard();
        qsizetype from = 0;
        for (qsizetype t = 0; t < texts.size(); ++t) {
            const SpeechPlayer::Played& p = played[t];
            QCOMPARE(p.text, texts[t]);
            if (texts[t].isEmpty()) continue;
            const QStringList voices = p.voice.split(u'+');
            QCOMPARE(voices.size(), p.sent.size());
            for (qsizetype i = 0; i < voices.size(); ++i)
                QVERIFY2(p.sent[i].contains(voices[i] == u"ja" ? kana : latin),
                         qPrintable(voices[i] + QStringLiteral(": ") + p.sent[i]));
            QVERIFY2(p.whole && p.frames > 0, qPrintable(p.text));
            const qsizetype at = bytes.indexOf(p.pcm, from);
            QVERIFY2(at >= 0, qPrintable(p.text));
            from = at + p.pcm.size();
        }
        QCOMPARE(played[0].sent, QStringList{QStringLiteral("ごごろくじいっぷんです")});
        QCOMPARE(played[5].sent,
                 QStringList{QStringLiteral("じゅうにがつにじゅうよっかもくようびです")});
        QCOMPARE(played[7].voice, QStringLiteral("en+ja"));
        QCOMPARE(played[8].voice, QStringLiteral("en"));

        QVERIFY(!audio::isOpen());
        const auto again = speak(speech, {QStringLiteral("に")});
        QVERIFY(audio::isOpen() && again.size() == 1 && again[0].frames > 0);
        auto queued = std::make_unique<SpeechPlayer>(QString(), kEspeakOnly);
        for (int i = 0; i < 20; ++i)
            queued->Speak(QStringLiteral("A long text to say, number %1.").arg(i), false);
        queued.reset(); // joins the worker with texts queued: neither hangs nor crashes
    }

    // Mei says Japanese from its first 20 ms on, espeak-ng the English run between as loud as
    // Mei within 2 dB (3 dB off unlevelled), and so the Japanese without Open JTalk.
    void meiSaysJapaneseAndEspeakTheEnglishAsLoud() {
        if (!meiReady) QSKIP("Open JTalk or its voice is not installed");
        const QString time = QStringLiteral("じゅう ご じ   です");
        const QString mixed =
            QStringLiteral("十二月二十四日木曜日です。Merry Christmas! おめでとうございます");
        QList<SpeechPlayer::Played> played;
        {
            SpeechPlayer speech({}, mei);
            played = speak(speech, {time, QStringLiteral("ごご yoji です"),
                                    QStringLiteral("ごご です"), mixed});
        }
        SpeechPlayer espeakOnly({}, OpenJTalkEngine::Setup{});
        played += speak(espeakOnly, {time, mixed});
        QCOMPARE(played.size(), 6);
        const QStringList voices{"mei", "mei+en+mei", "mei", "mei+en+mei", "ja", "ja+en+ja"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(played[i].voice, voices[i]);
        QVERIFY(played[1].frames > played[2].frames + 44100 / 5); // the English word is said
        for (const SpeechPlayer::Played& p : played.first(4))
            QVERIFY2(p.whole && loud(p.pcm) && loud(p.pcm.first(4 * 44100 / 50), 100),
                     qPrintable(p.text));
        QVERIFY(played[4].pcm != played[0].pcm);
        QTRY_VERIFY_WITH_TIMEOUT(heard().contains(played[0].pcm), 30000);

        const SpeechPlayer::Played& p = played[3];
        QCOMPARE(p.runStarts.size(), 3);
        const double japanese = rms(p.pcm, p.runStarts[0], p.runStarts[1]);
        const double db = 20 * std::log10(rms(p.pcm, p.runStarts[1], p.runStarts[2]) / japanese);
        const double fallbackDb =
            20 * std::log10(rms(played[5].pcm, 0, played[5].frames) / japanese);
        QVERIFY2(std::abs(db) <= 2 && std::abs(fallbackDb) <= 2,
                 qPrintable(QStringLiteral("English %1 dB, espeak-ng alone %2 dB")
                                .arg(db, 0, 'f', 1)
                                .arg(fallbackDb, 0, 'f', 1)));
    }

    void brokenVoiceFallsBackToEspeak_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a voice") << QByteArray("RIFF not a voice at all");
        QFile voice(kMei);
        if (voice.open(QIODevice::ReadOnly)) QTest::newRow("truncated") << voice.read(300000);
    }
    void brokenVoiceFallsBackToEspeak() {
        QFETCH(QByteArray, content);
        OpenJTalkEngine::Setup setup = mei;
        setup.voice = dir.filePath(QStringLiteral("broken.htsvoice"));
        QFile f(setup.voice);
        f.remove();
        if (!content.isEmpty()) QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) > 0);
        f.close();
        QList<SpeechPlayer::Played> played;
        listen(lcFiles(), QtWarningMsg, [&] {
            SpeechPlayer speech({}, setup);
            played = speak(speech, {QStringLiteral("いち じ です"), QStringLiteral("に じ です")});
        });
        QCOMPARE(played.size(), 2);
        for (const SpeechPlayer::Played& p : played)
            QVERIFY(p.voice == QStringLiteral("ja") && p.frames > 0);
        QCOMPARE(logged.size(), 1);
        QVERIFY2(logged[0].contains(QStringLiteral("Japanese is spoken by espeak-ng")),
                 qPrintable(logged[0]));
    }

    // A chime or an announcement due now logs "onset <kind> +N ms" once, when its first frame
    // leaves the mixer; without a due time, or one long past, nothing.
    void onsetIsLoggedOncePerDueSound_data() {
        QTest::addColumn<bool>("chime");
        QTest::addColumn<qint64>("dueAgoMs"); // -1: no due time given
        QTest::newRow("speech due now") << false << qint64(0);
        QTest::newRow("chime due now") << true << qint64(0);
        QTest::newRow("speech not due") << false << qint64(-1);
        QTest::newRow("chime due long ago") << true << qint64(600000);
    }
    void onsetIsLoggedOncePerDueSound() {
        QFETCH(bool, chime);
        QFETCH(qint64, dueAgoMs);
        const auto kind = chime ? audio::OnsetKind::Chime : audio::OnsetKind::Speech;
        const auto other = chime ? audio::OnsetKind::Speech : audio::OnsetKind::Chime;
        listen(lcAudio(), QtInfoMsg, [&] {
            MixerSoundService sounds;
            SpeechPlayer speech({}, kEspeakOnly);
            audio::expectOnset(other, QDateTime::currentMSecsSinceEpoch()); // not this sound's
            for (int i = 0; i < 2; ++i) { // only the first sound after the due time counts
                if (dueAgoMs >= 0 && i == 0)
                    audio::expectOnset(kind, QDateTime::currentMSecsSinceEpoch() - dueAgoMs);
                if (chime) {
                    const auto sound = sounds.builtIn(1);
                    sound->Play();
                    QTRY_VERIFY_WITH_TIMEOUT(!sound->IsPlaying(), 20000);
                } else {
                    speech.Speak(QStringLiteral("one"), false);
                    QVERIFY(speech.waitUntilIdle(20000));
                }
            }
            audio::expectOnset(other, 0);
        });
        QCOMPARE(logged.size(), dueAgoMs == 0 ? 1 : 0);
        const QString line =
            QStringLiteral("^onset %1 \\+\\d+ ms$").arg(chime ? "chime" : "speech");
        if (dueAgoMs == 0)
            QVERIFY2(logged[0].contains(QRegularExpression(line)), qPrintable(logged[0]));
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "test_speech.moc"
