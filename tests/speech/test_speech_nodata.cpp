// Without espeak-ng's data the backend speaks nothing, and the texts handed to it still
// leave the queue, so the clock runs on.

#include "speech/SpeechPlayer.h"

#include <QTemporaryDir>
#include <QTest>
#include <atomic>

using namespace taku;

class TestSpeechNoData final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingDataSpeaksNothing() {
        QTemporaryDir empty;
        SpeechPlayer speech(empty.path());
        QVERIFY(!speech.synthesizerReady());
        std::atomic<int> played{0};
        std::atomic<qint64> frames{0};
        speech.onPlayed = [&](const SpeechPlayer::Played& p) {
            ++played;
            frames += p.frames;
        };
        speech.Speak(QStringLiteral("いち"), false);
        speech.Speak(QStringLiteral("two"), false);
        QVERIFY(speech.waitUntilIdle(10000));
        QCOMPARE(played.load(), 2);
        QCOMPARE(frames.load(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestSpeechNoData)
#include "test_speech_nodata.moc"
