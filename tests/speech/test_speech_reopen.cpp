// Speech after the idle audio output has closed: the next text opens it again and is heard
// in full.

#include "sound/AudioOutput.h"
#include "speech/SpeechPlayer.h"

#include <QTest>
#include <atomic>

using namespace taku;

class TestSpeechReopen final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void speaksAgainAfterTheOutputClosed() {
        SpeechPlayer speech;
        if (!speech.synthesizerReady()) QSKIP("espeak-ng data is not installed");
        std::atomic<int> whole{0};
        std::atomic<qint64> frames{0};
        speech.onPlayed = [&](const SpeechPlayer::Played& p) {
            if (p.whole && p.frames > 0) ++whole;
            frames += p.frames;
        };
        speech.Speak(QStringLiteral("いち"), false);
        QVERIFY(speech.waitUntilIdle(20000));
        QVERIFY(audio::closeIfIdle());
        QVERIFY(!audio::isOpen());
        speech.Speak(QStringLiteral("に"), false);
        QVERIFY(speech.waitUntilIdle(20000));
        QCOMPARE(whole.load(), 2);
        QVERIFY(audio::isOpen());
    }
};

QTEST_GUILESS_MAIN(TestSpeechReopen)
#include "test_speech_reopen.moc"
