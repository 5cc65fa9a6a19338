#pragma once
// The one audio output of the program, shared by speech and chimes: SDL2_mixer at 44.1 kHz,
// 16-bit stereo. Channel 0 is reserved for speech; the sound effects use the others.

namespace taku::audio {

inline constexpr int kFrequency = 44100;
inline constexpr int kSpeechChannel = 0;
inline constexpr int kChannels = 16;

// Opens the output once. With no usable sound device it falls back to SDL's "dummy" driver,
// so playing state and timing still work and the clock runs on, silent. False only when not
// even that works.
bool ensureOpen();

// True when the output is the silent fallback.
bool isSilentFallback();

} // namespace taku::audio
