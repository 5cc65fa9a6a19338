// The sound backend over SDL2_mixer.

#include "sound/MixerSound.h"

#include "base/Backends.h"
#include "base/Logging.h"
#include "sound/AudioOutput.h"

#include <QFile>
#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>

// Resources compiled into a static library are registered by hand; the macro must be used
// outside any namespace.
static void initSoundResources() { Q_INIT_RESOURCE(taku_sounds); }

namespace taku {

namespace {

const char* const kNames[] = {"church", "cuculus", "oldclock", "dog", "cat"};

// Built-in sound k plays on channel 1 + k; the user's sounds share the rest in turn.
constexpr int kFirstBuiltInChannel = 1;
constexpr int kFirstFileChannel = kFirstBuiltInChannel + 5;

class MixerSound final : public SoundObject {
public:
    MixerSound(Mix_Chunk* chunk, int channel, QString name)
        : chunk_(chunk), channel_(channel), name_(std::move(name)) {
        setVolume(100);
    }
    ~MixerSound() override {
        // Freeing a chunk stops the channels that play it.
        auto guard = audio::lock();
        Mix_FreeChunk(chunk_);
    }
    MixerSound(const MixerSound&) = delete;
    MixerSound& operator=(const MixerSound&) = delete;

    void Play() override {
        auto guard = audio::lock();
        if (!audio::ensureOpen()) return;
        // The mixer drops a channel's panning whenever a sound on it ends (and when the idle
        // output closes), so the position is set afresh on a silent channel right before the
        // sound starts.
        if (Mix_Playing(channel_)) Mix_HaltChannel(channel_);
        const ChannelGains g = panGains(pan_);
        Mix_SetPanning(channel_, static_cast<Uint8>(g.left), static_cast<Uint8>(g.right));
        if (Mix_PlayChannel(channel_, chunk_, 0) < 0)
            qCWarning(lcFiles) << "sound" << name_ << "did not play:" << Mix_GetError();
        else
            audio::watchOnset(channel_, audio::OnsetKind::Chime);
    }
    bool IsPlaying() const override {
        auto guard = audio::lock();
        return audio::isOpen() && Mix_Playing(channel_) != 0 && Mix_GetChunk(channel_) == chunk_;
    }
    void setVolume(int volume) override {
        volume_ = std::clamp(volume, 0, 100);
        auto guard = audio::lock();
        Mix_VolumeChunk(chunk_, volume_ * MIX_MAX_VOLUME / 100);
    }
    int Volume() const override { return volume_; }
    void setPan(int pan) override {
        pan_ = std::clamp(pan, -100, 100);
        auto guard = audio::lock();
        if (IsPlaying()) {
            const ChannelGains g = panGains(pan_);
            Mix_SetPanning(channel_, static_cast<Uint8>(g.left), static_cast<Uint8>(g.right));
        }
    }
    int Pan() const override { return pan_; }
    QString name() const override { return name_; }

private:
    Mix_Chunk* chunk_;
    int channel_;
    QString name_;
    int volume_ = 100;
    int pan_ = 0;
};

} // namespace

ChannelGains panGains(int pan) {
    pan = std::clamp(pan, -100, 100);
    ChannelGains g;
    if (pan > 0) g.left = 255 * (100 - pan) / 100;
    if (pan < 0) g.right = 255 * (100 + pan) / 100;
    return g;
}

QString builtInSoundName(int kind) {
    if (kind < 0 || kind > 4) return {};
    return QString::fromLatin1(kNames[kind]);
}

QByteArray builtInSoundData(int kind) {
    if (kind < 0 || kind > 4) return {};
    initSoundResources();
    QFile file(QStringLiteral(":/sounds/%1.wav").arg(builtInSoundName(kind)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

MixerSoundService::MixerSoundService() {
    initSoundResources();
    // The output itself opens on the first sound, so a clock that never chimes never keeps
    // an audio device busy.
    auto guard = audio::lock();
    Mix_Init(MIX_INIT_FLAC | MIX_INIT_MP3 | MIX_INIT_OGG);
}

std::shared_ptr<SoundObject> MixerSoundService::builtIn(int kind) {
    if (kind < 0 || kind > 4) return nullptr;
    auto guard = audio::lock();
    if (!builtIns_[kind] && audio::ensureOpen()) {
        const QByteArray data = builtInSoundData(kind);
        SDL_RWops* rw = SDL_RWFromConstMem(data.constData(), static_cast<int>(data.size()));
        if (Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr) {
            builtIns_[kind] = std::make_shared<MixerSound>(chunk, kFirstBuiltInChannel + kind,
                                                           builtInSoundName(kind));
        } else {
            qCWarning(lcFiles) << "built-in sound" << builtInSoundName(kind)
                               << "did not load:" << Mix_GetError();
        }
    }
    return builtIns_[kind];
}

std::shared_ptr<SoundObject> MixerSoundService::openAsSound(const QString& path) {
    if (path.isEmpty()) return nullptr;
    auto guard = audio::lock();
    if (!audio::ensureOpen()) return nullptr;
    SDL_RWops* rw = SDL_RWFromFile(QFile::encodeName(path).constData(), "rb");
    Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (!chunk) {
        qCWarning(lcFiles) << path << "does not open as a sound:" << Mix_GetError();
        return nullptr;
    }
    const int channel = kFirstFileChannel + nextChannel_;
    nextChannel_ = (nextChannel_ + 1) % (audio::kChannels - kFirstFileChannel);
    return std::make_shared<MixerSound>(chunk, channel, QStringLiteral("custom"));
}

MixerSoundService::~MixerSoundService() {
    if (warming_.joinable()) warming_.join();
}

void MixerSoundService::warmUp() {
    // The previous warm-up had a minute to end; joining it here costs nothing.
    if (warming_.joinable()) warming_.join();
    warming_ = std::thread([] { audio::warmUp(); });
}

void MixerSoundService::expectOnset(qint64 dueEpochMs) {
    audio::expectOnset(audio::OnsetKind::Chime, dueEpochMs);
}

std::unique_ptr<SoundService> makeSoundBackend() { return std::make_unique<MixerSoundService>(); }

} // namespace taku
