#pragma once
// The speech backend: each text is cut into runs of one script, the Japanese runs spoken by
// Open JTalk (espeak-ng's Japanese voice, given the runs in kana, when Open JTalk or its voice
// is missing) and the Latin runs by espeak-ng's English voice, joined into one utterance at
// one loudness. Synthesis runs on a
// worker thread while the text before is still sounding; the samples play on the mixer's
// speech channel, each text only after the previous has ended, none cut short.

#include "base/Services.h"
#include "speech/OpenJTalkEngine.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace taku {

class SpeechPlayer final : public Speech {
public:
    // What a test or tool learns of each text once it has been played (or dropped).
    struct Played final {
        QString text;
        QString voice;     // the voices of its runs in order, "+"-joined: "mei", "ja", "mei+en"
        QStringList sent;  // what each of those voices was handed, in the same order
        QList<qint64> runStarts; // the output frame at which each of those runs begins
        qint64 frames = 0; // output frames handed to the mixer
        bool whole = true; // false when cut off by an interrupting text or by shutdown
        QByteArray pcm;    // the bytes handed to the mixer, only when keepPcm is set
    };

    // espeakData: the espeak-ng-data folder, empty for the installed one (see EspeakEngine).
    // openJTalk: the Open JTalk program, dictionary and voice to use.
    explicit SpeechPlayer(const QString& espeakData = {},
                          OpenJTalkEngine::Setup openJTalk = OpenJTalkEngine::defaultSetup());
    ~SpeechPlayer() override;
    SpeechPlayer(const SpeechPlayer&) = delete;
    SpeechPlayer& operator=(const SpeechPlayer&) = delete;

    // Queues the text and returns at once. With interrupt true the queue is dropped and the
    // speech now sounding is cut off first.
    void Speak(const QString& text, bool interrupt) override;

    // Opens the audio output and synthesises the text ahead, so that a Speak of the same text
    // soon after starts sounding at once. Returns at once; an empty text only opens the output
    // (ahead of a chime), off the calling thread.
    void prepare(const QString& text) override;

    // The next text Speak is given is due at dueEpochMs: its first sound is logged against it.
    void expectOnset(qint64 dueEpochMs) override;

    // Called on the worker thread after each text; set it before the first Speak.
    std::function<void(const Played&)> onPlayed;
    // Tests compare what was played with what the output device received.
    bool keepPcm = false;

    // Blocks until every queued text has been played; false when timeoutMs passed first.
    bool waitUntilIdle(int timeoutMs);

    // False when neither espeak-ng nor Open JTalk can speak; Speak then only queues and drops.
    // Blocks until the worker has tried.
    bool synthesizerReady();

private:
    struct Pending;
    struct Rendered;
    void run();

    QString espeakData_;
    OpenJTalkEngine::Setup openJTalk_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<QString> queue_;
    std::deque<QString> toPrepare_;
    int unfinished_ = 0; // texts queued or being synthesised or playing
    bool stop_ = false;
    bool interrupt_ = false;
    int ready_ = -1; // -1 not yet known, 0 no synthesizer, 1 ready
    std::thread worker_;
};

} // namespace taku
