#pragma once
// The sound effects over SDL2_mixer, on the audio output that speech also uses. Each sound
// object plays on a mixer channel of its own among 1..15, so its playing state and its stereo
// position never mix with another sound's.

#include "base/Services.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <thread>

namespace taku {

class MixerSoundService final : public SoundService {
public:
    MixerSoundService();
    MixerSoundService(const MixerSoundService&) = delete;
    MixerSoundService& operator=(const MixerSoundService&) = delete;

    std::shared_ptr<SoundObject> builtIn(int kind) override;
    std::shared_ptr<SoundObject> openAsSound(const QString& path) override;
    // Opens the output on a thread of its own, so the caller does not wait for the device.
    void warmUp() override;
    void expectOnset(qint64 dueEpochMs) override;
    ~MixerSoundService() override;

    // The five built-in sounds, each read from the resources on first use and kept.
    std::shared_ptr<SoundObject> church() { return builtIn(0); }
    std::shared_ptr<SoundObject> cuculus() { return builtIn(1); }
    std::shared_ptr<SoundObject> oldclock() { return builtIn(2); }
    std::shared_ptr<SoundObject> dog() { return builtIn(3); }
    std::shared_ptr<SoundObject> cat() { return builtIn(4); }

private:
    std::shared_ptr<SoundObject> builtIns_[5];
    int nextChannel_ = 0;
    std::thread warming_;
};

// The name and the embedded WAV data of a built-in sound (kind 0..4); empty outside.
QString builtInSoundName(int kind);
QByteArray builtInSoundData(int kind);

// The mixer's channel gains for a pan of -100 (left only) .. 0 (both at full) .. 100 (right
// only), each 0..255 as Mix_SetPanning takes them.
struct ChannelGains final {
    int left = 255;
    int right = 255;
};
ChannelGains panGains(int pan);

} // namespace taku
