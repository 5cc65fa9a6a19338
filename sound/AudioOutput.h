#pragma once
// The one audio output of the program, shared by speech and chimes: SDL2_mixer at 44.1 kHz,
// 16-bit stereo. Channel 0 is reserved for speech; the sound effects use the others.
//
// An open output wakes the process dozens of times a second even when it plays silence, so
// the output closes itself once nothing has played for a few seconds and opens again on the
// next use. Every call into SDL_mixer therefore happens after ensureOpen() with lock() held.

#include <QtGlobal>
#include <mutex>

namespace taku::audio {

inline constexpr int kFrequency = 44100;
inline constexpr int kSpeechChannel = 0;
inline constexpr int kChannels = 16;

// Held around every use of SDL_mixer, on any thread.
std::unique_lock<std::recursive_mutex> lock();

// Opens the output if it is closed and marks it as in use. With no usable sound device it
// falls back to SDL's "dummy" driver, so playing state and timing still work and the clock
// runs on, silent. False only when not even that works.
bool ensureOpen();

bool isOpen();

// Closes the output now if nothing plays (what the idle check does after a quiet spell).
// Returns whether it is closed afterwards.
bool closeIfIdle();

// Opens the output now, ahead of a sound due shortly (a chime about a second and a half
// before it strikes), so the sound does not wait for the device. Blocks while the device
// opens; the output then stays open until it has been quiet for a few seconds again.
void warmUp();

// The sounds whose start is timed against the wall clock.
enum class OnsetKind { Chime, Speech };

// Announces that the next sound of this kind is due at dueEpochMs (milliseconds since the
// epoch, wall clock). When its first audible frame leaves the mixer, taku.audio logs
// "onset chime +N ms" or "onset speech +N ms": N is that moment, plus the device's buffer
// latency, after the due time. A newer expectation of the same kind replaces the older one;
// a due time of 0 withdraws it.
void expectOnset(OnsetKind kind, qint64 dueEpochMs);

// Called with lock() held right after a sound of this kind started on the channel: watches
// the channel for its first audible frame when an onset of that kind is expected.
void watchOnset(int channel, OnsetKind kind);

} // namespace taku::audio
