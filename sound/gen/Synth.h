#pragma once
// The five built-in chime sounds, synthesised from nothing but sines, noise and resonators, and
// the loudness measure that levels them against each other. Plain C++: the generator that runs
// at build time and the tests that check its output need nothing else.

#include <cstdint>
#include <string>
#include <vector>

namespace taku::synth {

inline constexpr int kRate = 44100;

// A mono signal at kRate, nominally within -1..1.
using Samples = std::vector<double>;

// The recipes, in the order of the sound list (kind 0..4). The levels they come out at are
// arbitrary; levelled() brings them to one loudness.
Samples church();   // a church bell: hum, prime, tierce, quint and nominal, each slowly dying
Samples cuculus();  // a cuckoo clock: two falling pipe notes
Samples oldclock(); // an old clock: the click of the striking train, then its wire gong
Samples dog();      // a dog: two short barks
Samples cat();      // a cat: one meow

struct Recipe final {
    const char* name; // the resource's file name without ".wav"
    Samples (*make)();
};
const std::vector<Recipe>& recipes();

// Integrated loudness after ITU-R BS.1770 (K-weighting, 400 ms blocks with 75 % overlap,
// absolute gate at -70 LUFS, relative gate 10 LU below), in LUFS; -inf for silence.
double integratedLoudness(const Samples& s, int rate = kRate);
// The highest sample magnitude in dB relative to full scale.
double peakDbfs(const Samples& s);

// The loudness every built-in sound is brought to, unless a sound's peak would then come
// closer than kPeakCeilingDbfs to full scale; then all of them go down together.
inline constexpr double kTargetLufs = -18.0;
inline constexpr double kPeakCeilingDbfs = -1.0;

struct Levelled final {
    std::string name;
    Samples samples;
    double lufs = 0.0;
    double peakDbfs = 0.0;
};
// All five sounds, made and levelled to one loudness.
std::vector<Levelled> levelled();

// 16-bit PCM WAV, mono.
std::vector<std::uint8_t> encodeWav(const Samples& s, int rate = kRate);
// The channels of a 16-bit PCM WAV file; false for anything else.
bool decodeWav(const std::vector<std::uint8_t>& bytes, std::vector<Samples>& channels, int& rate);

} // namespace taku::synth
