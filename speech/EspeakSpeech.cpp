// The speech backend: espeak-ng renders a text on the worker thread while the text before it
// is still sounding, so consecutive announcements follow each other without a gap; the
// samples play on the mixer's speech channel, each text only after the previous has ended.

#include "speech/EspeakSpeech.h"

#include "base/Backends.h"
#include "base/Logging.h"
#include "sound/AudioOutput.h"
#include "speech/VoiceChoice.h"

#include <QByteArray>
#include <QFileInfo>

#include <SDL.h>
#include <SDL_mixer.h>
#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <cstring>
#include <optional>

namespace taku {

// ---- espeak-ng ----------------------------------------------------------------------------

namespace {

// espeak-ng calls back on a thread of its own in retrieval mode; the samples go to the one
// synthesis running at a time.
std::mutex collectMutex;
std::vector<short>* collectTarget = nullptr;

int collectSamples(short* wav, int count, espeak_EVENT*) {
    std::lock_guard lock(collectMutex);
    if (wav && count > 0 && collectTarget)
        collectTarget->insert(collectTarget->end(), wav, wav + count);
    return 0; // go on synthesising
}

} // namespace

EspeakEngine::EspeakEngine(const QString& dataPath) {
    const QByteArray path = QFile::encodeName(dataPath);
    // DONT_EXIT: without its data espeak-ng would otherwise end the whole program.
    sampleRate_ = espeak_Initialize(AUDIO_OUTPUT_RETRIEVAL, 0,
                                    dataPath.isEmpty() ? nullptr : path.constData(),
                                    espeakINITIALIZE_DONT_EXIT);
    if (sampleRate_ <= 0) return;
    espeak_SetSynthCallback(collectSamples);
    const char* home = nullptr;
    espeak_Info(&home);
    const bool hasData =
        home && QFileInfo::exists(QFile::decodeName(home) + QStringLiteral("/phontab"));
    ok_ = hasData && selectVoice(QStringLiteral("en"));
}

EspeakEngine& EspeakEngine::shared(const QString& dataPath) {
    // Never destroyed: terminating espeak-ng at exit could wait on its own threads.
    static EspeakEngine* engine = new EspeakEngine(dataPath);
    return *engine;
}

bool EspeakEngine::selectVoice(const QString& name) {
    if (voice_ == name) return true;
    if (espeak_SetVoiceByName(name.toLatin1().constData()) != EE_OK) return false;
    voice_ = name;
    return true;
}

std::vector<short> EspeakEngine::synthesize(const QString& text) {
    std::vector<short> samples;
    if (!ok_) return samples;
    std::lock_guard turn(mutex_);
    const QString voice = speechVoiceFor(text);
    if (!selectVoice(voice)) {
        qCWarning(lcFiles) << "espeak-ng has no voice" << voice;
        return samples;
    }
    const QByteArray utf8 = text.toUtf8();
    {
        std::lock_guard lock(collectMutex);
        collectTarget = &samples;
    }
    const espeak_ERROR result =
        espeak_Synth(utf8.constData(), static_cast<size_t>(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, nullptr);
    if (result == EE_OK) espeak_Synchronize();
    {
        std::lock_guard lock(collectMutex);
        collectTarget = nullptr;
    }
    return samples;
}

// ---- the speech queue ---------------------------------------------------------------------

struct EspeakSpeech::Pending final {
    QString text;
    QString voice;
    Mix_Chunk* chunk = nullptr;
    qint64 frames = 0;
};

namespace {

// Converts mono samples to the mixer's own format; null when the mixer is closed or there is
// no sound.
Mix_Chunk* toChunk(const std::vector<short>& samples, int rate, qint64* frames) {
    *frames = 0;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (samples.empty()) return nullptr;
    auto guard = audio::lock();
    if (!audio::ensureOpen() || Mix_QuerySpec(&frequency, &format, &channels) == 0)
        return nullptr;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, 1, rate, format, static_cast<Uint8>(channels),
                          frequency) < 0)
        return nullptr;
    cvt.len = static_cast<int>(samples.size() * sizeof(short));
    cvt.buf = static_cast<Uint8*>(SDL_malloc(static_cast<size_t>(cvt.len) * cvt.len_mult));
    if (!cvt.buf) return nullptr;
    std::memcpy(cvt.buf, samples.data(), static_cast<size_t>(cvt.len));
    if (cvt.needed) {
        if (SDL_ConvertAudio(&cvt) != 0) {
            SDL_free(cvt.buf);
            return nullptr;
        }
    } else {
        cvt.len_cvt = cvt.len;
    }
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(cvt.buf, static_cast<Uint32>(cvt.len_cvt));
    if (!chunk) {
        SDL_free(cvt.buf);
        return nullptr;
    }
    chunk->allocated = 1; // Mix_FreeChunk frees the samples too
    *frames = cvt.len_cvt / (SDL_AUDIO_BITSIZE(format) / 8 * channels);
    return chunk;
}

bool speechChannelPlaying() {
    auto guard = audio::lock();
    return audio::isOpen() && Mix_Playing(audio::kSpeechChannel) != 0;
}

bool playOnSpeechChannel(Mix_Chunk* chunk) {
    auto guard = audio::lock();
    return audio::ensureOpen() && Mix_PlayChannel(audio::kSpeechChannel, chunk, 0) >= 0;
}

} // namespace

EspeakSpeech::EspeakSpeech(const QString& dataPath) : dataPath_(dataPath) {
    worker_ = std::thread([this] { run(); });
}

EspeakSpeech::~EspeakSpeech() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void EspeakSpeech::Speak(const QString& text, bool interrupt) {
    {
        std::lock_guard lock(mutex_);
        if (interrupt) {
            unfinished_ -= static_cast<int>(queue_.size());
            queue_.clear();
            interrupt_ = true;
        }
        queue_.push_back(text);
        ++unfinished_;
    }
    wake_.notify_all();
}

bool EspeakSpeech::waitUntilIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return unfinished_ == 0; });
}

bool EspeakSpeech::synthesizerReady() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return ready_ >= 0; });
    return ready_ == 1;
}

void EspeakSpeech::run() {
    EspeakEngine& engine = EspeakEngine::shared(dataPath_);
    if (!engine.ok())
        qCWarning(lcFiles) << "espeak-ng data missing or unusable" << dataPath_
                           << "- the clock will not speak";
    {
        std::lock_guard lock(mutex_);
        ready_ = engine.ok() ? 1 : 0;
    }
    idle_.notify_all();

    std::optional<Pending> playing; // on the speech channel
    std::optional<Pending> next;    // synthesised, waiting for the channel

    auto finish = [&](Pending& p, bool whole) {
        QByteArray pcm;
        if (p.chunk && keepPcm)
            pcm = QByteArray(reinterpret_cast<const char*>(p.chunk->abuf),
                             static_cast<qsizetype>(p.chunk->alen));
        if (p.chunk) {
            auto guard = audio::lock();
            Mix_FreeChunk(p.chunk);
        }
        p.chunk = nullptr;
        if (onPlayed) onPlayed(Played{p.text, p.voice, p.frames, whole, pcm});
        std::lock_guard lock(mutex_);
        if (--unfinished_ <= 0) {
            unfinished_ = 0;
            idle_.notify_all();
        }
    };

    for (;;) {
        QString text;
        bool haveText = false;
        bool halt = false;
        {
            std::unique_lock lock(mutex_);
            auto due = [&] { return stop_ || interrupt_ || (!next && !queue_.empty()); };
            // While a text sounds, look every few milliseconds whether it has ended; the
            // mixer's finished callback is left to the chimes.
            if (playing)
                wake_.wait_for(lock, std::chrono::milliseconds(5), due);
            else
                wake_.wait(lock, due);
            if (stop_) break;
            halt = interrupt_;
            interrupt_ = false;
            if (!next && !queue_.empty()) {
                text = queue_.front();
                queue_.pop_front();
                haveText = true;
            }
        }
        if (halt) {
            if (playing) {
                auto guard = audio::lock();
                Mix_HaltChannel(audio::kSpeechChannel);
                finish(*playing, false);
                playing.reset();
            }
            if (next) {
                finish(*next, false);
                next.reset();
            }
        }
        if (playing && !speechChannelPlaying()) {
            finish(*playing, true);
            playing.reset();
        }
        if (haveText) {
            Pending p{text, speechVoiceFor(text), nullptr, 0};
            p.chunk = toChunk(engine.synthesize(text), engine.sampleRate(), &p.frames);
            next = std::move(p);
        }
        if (next && !playing) {
            if (next->chunk && playOnSpeechChannel(next->chunk)) {
                playing = std::move(next);
            } else {
                finish(*next, true); // nothing to hear, or no output at all
            }
            next.reset();
        }
    }

    // Shutting down: cut off what sounds and drop the rest.
    if (playing) {
        auto guard = audio::lock();
        if (audio::isOpen()) Mix_HaltChannel(audio::kSpeechChannel);
        finish(*playing, false);
    }
    if (next) finish(*next, false);
    std::lock_guard lock(mutex_);
    queue_.clear();
    unfinished_ = 0;
    idle_.notify_all();
}

std::unique_ptr<Speech> makeSpeechBackend() { return std::make_unique<EspeakSpeech>(); }

} // namespace taku
