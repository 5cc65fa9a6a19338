#pragma once
// espeak-ng, in retrieval mode (its samples come back to the program, no sound server needed):
// the English voice for Latin text, and the Japanese voice when Open JTalk can't speak.

#include <QString>
#include <mutex>
#include <vector>

namespace taku {

// espeak-ng keeps global state and does not survive being terminated and initialised again
// in one process, so there is one engine per process, made on first use and kept until the
// process ends. Syntheses from several threads take turns.
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

    // Mono 16-bit samples of the text at sampleRate() in the named voice ("en", "ja"). Empty
    // when the engine is not ok, the voice is missing or the text makes no sound.
    std::vector<short> synthesize(const QString& text, const QString& voice);

private:
    explicit EspeakEngine(const QString& dataPath);
    ~EspeakEngine() = default;
    bool selectVoice(const QString& name);

    std::mutex mutex_;
    bool ok_ = false;
    int sampleRate_ = 0;
    QString voice_;
};

} // namespace taku
