#pragma once
// The speech synthesizer: espeak-ng renders each text (retrieval mode, so no sound server is
// needed), and the samples play through the shared SDL2_mixer output on the speech channel,
// one text after the other.

#include "base/Services.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace taku {

// espeak-ng itself. espeak-ng keeps global state and does not survive being terminated and
// initialised again in one process, so there is one engine per process, made on first use
// and kept until the process ends. Syntheses from several threads take turns.
class EspeakEngine final {
public:
    // The engine of the process. dataPath (the espeak-ng-data folder, empty for the installed
    // one) counts only on the first call.
    static EspeakEngine& shared(const QString& dataPath = {});

    EspeakEngine(const EspeakEngine&) = delete;
    EspeakEngine& operator=(const EspeakEngine&) = delete;

    // False when espeak-ng could not load its data; then nothing is synthesised.
    bool ok() const { return ok_; }
    int sampleRate() const { return sampleRate_; }

    // Mono 16-bit samples of the text at sampleRate(), in the voice its script asks for
    // (speechVoiceFor). Empty when the engine is not ok or the text makes no sound.
    std::vector<short> synthesize(const QString& text);

private:
    explicit EspeakEngine(const QString& dataPath);
    ~EspeakEngine() = default;
    bool selectVoice(const QString& name);

    std::mutex mutex_;
    bool ok_ = false;
    int sampleRate_ = 0;
    QString voice_;
};

class EspeakSpeech final : public Speech {
public:
    // What a test or tool learns of each text once it has been played (or dropped).
    struct Played final {
        QString text;
        QString voice;
        qint64 frames = 0; // output frames handed to the mixer
        bool whole = true; // false when cut off by an interrupting text or by shutdown
        QByteArray pcm;    // the bytes handed to the mixer, only when keepPcm is set
    };

    // dataPath: see EspeakEngine. The shared audio output is opened here.
    explicit EspeakSpeech(const QString& dataPath = {});
    ~EspeakSpeech() override;
    EspeakSpeech(const EspeakSpeech&) = delete;
    EspeakSpeech& operator=(const EspeakSpeech&) = delete;

    // Queues the text and returns at once. With interrupt true the queue is dropped and the
    // speech now sounding is cut off first.
    void Speak(const QString& text, bool interrupt) override;

    // Called on the worker thread after each text; set it before the first Speak.
    std::function<void(const Played&)> onPlayed;
    // Tests compare what was played with what the output device received.
    bool keepPcm = false;

    // Blocks until every queued text has been played; false when timeoutMs passed first.
    bool waitUntilIdle(int timeoutMs);

    // False when espeak-ng could not start (no data); Speak then only queues and drops.
    // Blocks until the worker has tried.
    bool synthesizerReady();

private:
    struct Pending;
    void run();

    QString dataPath_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<QString> queue_;
    int unfinished_ = 0; // texts queued or being synthesised or playing
    bool stop_ = false;
    bool interrupt_ = false;
    int ready_ = -1; // -1 not yet known, 0 no synthesizer, 1 ready
    std::thread worker_;
};

} // namespace taku
