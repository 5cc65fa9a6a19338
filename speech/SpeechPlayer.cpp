// The speech backend: a text is synthesised on the worker thread while the text before it
// is still sounding, so consecutive announcements follow each other without a gap; the
// samples play on the mixer's speech channel, each text only after the previous has ended.

#include "speech/SpeechPlayer.h"

#include "base/Backends.h"
#include "base/Logging.h"
#include "sound/AudioOutput.h"
#include "speech/EspeakEngine.h"
#include "speech/KanaReading.h"
#include "speech/ScriptRuns.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace taku {

namespace {

// Prepared texts kept for a Speak to come; the clock prepares one or two at a time.
constexpr size_t kPreparedKept = 4;
constexpr std::chrono::seconds kPreparedFor{10};

struct MixerFormat final {
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    int frameBytes() const { return SDL_AUDIO_BITSIZE(format) / 8 * channels; }
};

// The mixer's format, opening the output if it is closed; nullopt when there is no output.
std::optional<MixerFormat> openMixerFormat() {
    auto guard = audio::lock();
    MixerFormat mixer;
    if (!audio::ensureOpen() ||
        Mix_QuerySpec(&mixer.frequency, &mixer.format, &mixer.channels) == 0)
        return std::nullopt;
    return mixer;
}

// Mono samples at rate, converted to the mixer's format and appended to out.
bool appendConverted(const std::vector<short>& samples, int rate, const MixerFormat& mixer,
                     QByteArray& out) {
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, 1, rate, mixer.format,
                          static_cast<Uint8>(mixer.channels), mixer.frequency) < 0)
        return false;
    cvt.len = static_cast<int>(samples.size() * sizeof(short));
    QByteArray buffer(static_cast<qsizetype>(cvt.len) * cvt.len_mult, Qt::Uninitialized);
    std::memcpy(buffer.data(), samples.data(), static_cast<size_t>(cvt.len));
    cvt.buf = reinterpret_cast<Uint8*>(buffer.data());
    if (cvt.needed) {
        if (SDL_ConvertAudio(&cvt) != 0) return false;
    } else {
        cvt.len_cvt = cvt.len;
    }
    out.append(buffer.constData(), cvt.len_cvt);
    return true;
}

// Drops the pause a synthesizer puts before the first sound of a text but a few milliseconds,
// so the text is heard as soon as it starts playing (Open JTalk's is about a quarter second).
void trimLeadingPause(std::vector<short>& samples, int rate) {
    constexpr int kAudible = 100;
    constexpr int kKeptMs = 2;
    const auto first = std::find_if(samples.begin(), samples.end(),
                                    [](short v) { return std::abs(int(v)) >= kAudible; });
    if (first == samples.end()) return;
    const auto kept = static_cast<std::ptrdiff_t>(rate) * kKeptMs / 1000;
    samples.erase(samples.begin(),
                  samples.begin() + std::max<std::ptrdiff_t>(0, first - samples.begin() - kept));
}

// espeak-ng and Open JTalk's Mei speak at levels of their own, espeak-ng's peaks near full
// scale: espeak-ng's runs are brought to Mei's loudness, so that an English word in a Japanese
// sentence (or an English event message after a spoken date) is neither shouted nor lost.
// Loudness is the RMS of the 10 ms blocks that sound at all, so pauses do not count.
constexpr double kSpeechRms = 3900; // Mei's, over the clock's announcements
constexpr double kPeakLimit = 30000;

double soundingRms(const std::vector<short>& samples, int rate) {
    const size_t block = static_cast<size_t>(std::max(1, rate / 100));
    double sum = 0;
    size_t counted = 0;
    for (size_t at = 0; at + block <= samples.size(); at += block) {
        double blockSum = 0;
        for (size_t i = at; i < at + block; ++i)
            blockSum += double(samples[i]) * samples[i];
        if (blockSum / double(block) < 300.0 * 300.0) continue; // silence or breath
        sum += blockSum;
        counted += block;
    }
    return counted ? std::sqrt(sum / double(counted)) : 0;
}

void bringToLevel(std::vector<short>& samples, int rate, double level) {
    const double rms = soundingRms(samples, rate);
    if (rms <= 0 || level <= 0) return;
    int peak = 1;
    for (const short v : samples)
        peak = std::max(peak, std::abs(int(v)));
    const double gain = std::min(level / rms, kPeakLimit / peak);
    for (short& v : samples)
        v = static_cast<short>(std::lround(v * gain));
}

Mix_Chunk* toChunk(const QByteArray& pcm) {
    if (pcm.isEmpty()) return nullptr;
    auto* buf = static_cast<Uint8*>(SDL_malloc(static_cast<size_t>(pcm.size())));
    if (!buf) return nullptr;
    std::memcpy(buf, pcm.constData(), static_cast<size_t>(pcm.size()));
    auto guard = audio::lock();
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(buf, static_cast<Uint32>(pcm.size()));
    if (!chunk) {
        SDL_free(buf);
        return nullptr;
    }
    chunk->allocated = 1; // Mix_FreeChunk frees the samples too
    return chunk;
}

bool speechChannelPlaying() {
    auto guard = audio::lock();
    return audio::isOpen() && Mix_Playing(audio::kSpeechChannel) != 0;
}

bool playOnSpeechChannel(Mix_Chunk* chunk) {
    auto guard = audio::lock();
    if (!audio::ensureOpen() || Mix_PlayChannel(audio::kSpeechChannel, chunk, 0) < 0) return false;
    audio::watchOnset(audio::kSpeechChannel, audio::OnsetKind::Speech);
    return true;
}

} // namespace

// A text synthesised into the mixer's format.
struct SpeechPlayer::Rendered final {
    QString voice;
    QStringList sent;
    QList<qint64> runStarts;
    QByteArray pcm;
    qint64 frames = 0;
};

struct SpeechPlayer::Pending final {
    QString text;
    QString voice;
    QStringList sent;
    QList<qint64> runStarts;
    Mix_Chunk* chunk = nullptr;
    qint64 frames = 0;
};

SpeechPlayer::SpeechPlayer(const QString& espeakData, OpenJTalkEngine::Setup openJTalk)
    : espeakData_(espeakData), openJTalk_(std::move(openJTalk)) {
    worker_ = std::thread([this] { run(); });
}

SpeechPlayer::~SpeechPlayer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void SpeechPlayer::Speak(const QString& text, bool interrupt) {
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

void SpeechPlayer::prepare(const QString& text) {
    {
        std::lock_guard lock(mutex_);
        toPrepare_.push_back(text);
    }
    wake_.notify_all();
}

void SpeechPlayer::expectOnset(qint64 dueEpochMs) {
    audio::expectOnset(audio::OnsetKind::Speech, dueEpochMs);
}

bool SpeechPlayer::waitUntilIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return unfinished_ == 0; });
}

bool SpeechPlayer::synthesizerReady() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return ready_ >= 0; });
    return ready_ == 1;
}

void SpeechPlayer::run() {
    OpenJTalkEngine jtalk(openJTalk_);
    // espeak-ng's phoneme data take most of a megabyte once loaded, and with Open JTalk it is
    // needed only for Latin text: it is started when first needed.
    EspeakEngine* espeakStarted = nullptr;
    auto espeakEngine = [&]() -> EspeakEngine& {
        if (!espeakStarted) {
            espeakStarted = &EspeakEngine::shared(espeakData_);
            if (!espeakStarted->ok())
                qCWarning(lcFiles) << "espeak-ng data missing or unusable" << espeakData_
                                   << "- only Japanese can be spoken, and only by Open JTalk";
        }
        return *espeakStarted;
    };
    bool toldFallback = false;
    auto tellFallback = [&] {
        if (toldFallback) return;
        toldFallback = true;
        qCWarning(lcFiles).noquote()
            << QStringLiteral("Open JTalk cannot speak (%1); Japanese is spoken by espeak-ng")
                   .arg(jtalk.problem());
    };
    if (!jtalk.ok()) tellFallback();
    {
        const bool ready = jtalk.ok() || espeakEngine().ok();
        std::lock_guard lock(mutex_);
        ready_ = ready ? 1 : 0;
    }
    idle_.notify_all();

    auto render = [&](const QString& text) {
        Rendered r;
        const std::optional<MixerFormat> mixer = openMixerFormat();
        if (!mixer) return r;
        struct Run {
            QString voice;
            QString sent;
            std::vector<short> samples;
            int rate = 0;
        };
        std::vector<Run> runs;
        for (const ScriptRun& run : splitScriptRuns(text)) {
            if (run.text.trimmed().isEmpty()) continue;
            Run out;
            if (run.japanese && jtalk.ok()) {
                out.sent = withoutSpaces(run.text);
                out.samples = jtalk.synthesize(out.sent, &out.rate);
                out.voice = QStringLiteral("mei");
                if (!jtalk.ok()) tellFallback(); // the voice failed in use
            }
            if (out.samples.empty() && !(run.japanese && jtalk.ok())) {
                if (run.japanese) {
                    // espeak-ng reads kana only: each kanji would be "Chinese letter".
                    int dropped = 0;
                    out.sent = kanaReading(withoutSpaces(run.text), &dropped);
                    if (dropped > 0)
                        qCWarning(lcFiles).noquote()
                            << QStringLiteral("espeak-ng cannot read %1 kanji of \"%2\"; "
                                              "they are left out")
                                   .arg(dropped)
                                   .arg(run.text);
                    out.voice = QStringLiteral("ja");
                } else {
                    out.sent = run.text;
                    out.voice = QStringLiteral("en");
                }
                out.samples = espeakEngine().synthesize(out.sent, out.voice);
                out.rate = espeakEngine().sampleRate();
            }
            if (!out.samples.empty()) runs.push_back(std::move(out));
        }
        // espeak-ng's runs take the loudness of Mei's in the same text, or Mei's usual one.
        std::vector<short> mei;
        int meiRate = 0;
        for (const Run& run : runs) {
            if (run.voice != u"mei") continue;
            mei.insert(mei.end(), run.samples.begin(), run.samples.end());
            meiRate = run.rate;
        }
        const double level = mei.empty() ? kSpeechRms : soundingRms(mei, meiRate);
        QStringList voices;
        for (Run& run : runs) {
            if (run.voice != u"mei") bringToLevel(run.samples, run.rate, level);
            if (r.pcm.isEmpty()) trimLeadingPause(run.samples, run.rate);
            const qsizetype startBytes = r.pcm.size();
            if (appendConverted(run.samples, run.rate, *mixer, r.pcm)) {
                voices.append(run.voice);
                r.sent.append(run.sent);
                r.runStarts.append(startBytes / mixer->frameBytes());
            }
        }
        r.voice = voices.join(u'+');
        r.frames = r.pcm.size() / mixer->frameBytes();
        return r;
    };

    // Texts synthesised ahead, with when: one not asked for within kPreparedFor (its second
    // 0 has passed, or was spoken before it was ready) is dropped, samples and all.
    struct Prepared {
        QString text;
        Rendered rendered;
        std::chrono::steady_clock::time_point at;
    };
    std::deque<Prepared> prepared;
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
        if (onPlayed) onPlayed(Played{p.text, p.voice, p.sent, p.runStarts, p.frames, whole, pcm});
        bool idle = false;
        {
            std::lock_guard lock(mutex_);
            if (--unfinished_ <= 0) {
                unfinished_ = 0;
                idle = true;
                idle_.notify_all();
            }
        }
        // The samples of an utterance take megabytes for a moment: once nothing more is to be
        // said, the freed pages go back to the system instead of staying with the clock.
        if (idle) malloc_trim(0);
    };

    for (;;) {
        QString text;
        QString toPrepare;
        bool haveText = false;
        bool havePrepare = false;
        bool halt = false;
        {
            std::unique_lock lock(mutex_);
            auto due = [&] {
                return stop_ || interrupt_ || (!next && !queue_.empty()) || !toPrepare_.empty();
            };
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
            } else if (!toPrepare_.empty()) {
                toPrepare = toPrepare_.front();
                toPrepare_.pop_front();
                havePrepare = true;
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
        const auto stale = std::chrono::steady_clock::now() - kPreparedFor;
        if (!prepared.empty() && prepared.front().at < stale) {
            while (!prepared.empty() && prepared.front().at < stale)
                prepared.pop_front();
            malloc_trim(0);
        }
        if (playing && !speechChannelPlaying()) {
            finish(*playing, true);
            playing.reset();
        }
        if (havePrepare) {
            audio::warmUp();
            if (std::none_of(prepared.begin(), prepared.end(),
                             [&](const auto& entry) { return entry.text == toPrepare; })) {
                prepared.push_back(
                    {toPrepare, render(toPrepare), std::chrono::steady_clock::now()});
                if (prepared.size() > kPreparedKept) prepared.pop_front();
            }
        }
        if (haveText) {
            Rendered r;
            auto found = std::find_if(prepared.begin(), prepared.end(),
                                      [&](const auto& entry) { return entry.text == text; });
            if (found != prepared.end()) {
                r = std::move(found->rendered);
                prepared.erase(found);
            } else {
                r = render(text);
            }
            next = Pending{text, r.voice, r.sent, r.runStarts, toChunk(r.pcm), r.frames};
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
    toPrepare_.clear();
    unfinished_ = 0;
    idle_.notify_all();
}

std::unique_ptr<Speech> makeSpeechBackend() { return std::make_unique<SpeechPlayer>(); }

} // namespace taku
