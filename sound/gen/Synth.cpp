#include "sound/gen/Synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace taku::synth {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

int samplesFor(double seconds) { return static_cast<int>(std::lround(seconds * kRate)); }

// A small deterministic noise source, so every build makes the same sounds.
class Noise final {
public:
    explicit Noise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    // Uniform in [-1, 1).
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<double>(state_ >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    std::uint64_t state_;
};

// A two-pole resonator with unity gain at 0 Hz (the formant filter of cascade speech
// synthesizers). Frequency and bandwidth may change from sample to sample.
class Resonator final {
public:
    double step(double x, double freq, double bandwidth) {
        const double c = -std::exp(-kTwoPi * bandwidth / kRate);
        const double b = 2.0 * std::exp(-kPi * bandwidth / kRate) * std::cos(kTwoPi * freq / kRate);
        const double a = 1.0 - b - c;
        const double y = a * x + b * y1_ + c * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double y1_ = 0.0;
    double y2_ = 0.0;
};

// Rises from 0 to 1 along half a cosine over the given number of seconds.
double rise(double t, double seconds) {
    if (t <= 0.0) return 0.0;
    if (t >= seconds) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * t / seconds);
}

// Piecewise-linear curve through (x, y) points sorted by x.
struct Point final {
    double x;
    double y;
};
double curve(std::initializer_list<Point> points, double x) {
    const Point* p = points.begin();
    if (x <= p->x) return p->y;
    for (const Point* q = p + 1; q != points.end(); ++p, ++q) {
        if (x <= q->x) {
            const double f = (x - p->x) / (q->x - p->x);
            return p->y + f * (q->y - p->y);
        }
    }
    return (points.end() - 1)->y;
}

// Adds a decaying sine to out from the given start time.
void addPartial(Samples& out, double start, double freq, double amp, double tau, double phase,
                double attack) {
    const int first = samplesFor(start);
    for (int n = first; n < static_cast<int>(out.size()); ++n) {
        const double t = static_cast<double>(n - first) / kRate;
        const double env = amp * std::exp(-t / tau) * rise(t, attack);
        out[n] += env * std::sin(kTwoPi * freq * t + phase);
    }
}

// A metal partial rings as two nearly equal modes, so its level slowly swells and fades.
void addBeatingPartial(Samples& out, double start, double freq, double beatHz, double amp,
                       double tau, double phase, double attack) {
    addPartial(out, start, freq - beatHz / 2.0, amp / 2.0, tau, phase, attack);
    addPartial(out, start, freq + beatHz / 2.0, amp / 2.0, tau * 0.9, phase + 1.3, attack);
}

// A short burst of coloured noise: a hammer, a click.
void addKnock(Samples& out, double start, double centre, double bandwidth, double amp, double tau,
              std::uint64_t seed) {
    Noise noise(seed);
    Resonator r;
    const int first = samplesFor(start);
    const int length = samplesFor(tau * 8.0);
    for (int i = 0; i < length && first + i < static_cast<int>(out.size()); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double y = r.step(noise.next(), centre, bandwidth);
        out[first + i] += amp * std::exp(-t / tau) * rise(t, 0.0005) * y;
    }
}

void fadeOut(Samples& s, double seconds) {
    const int length = std::min(samplesFor(seconds), static_cast<int>(s.size()));
    const int first = static_cast<int>(s.size()) - length;
    for (int i = 0; i < length; ++i)
        s[first + i] *= 0.5 + 0.5 * std::cos(kPi * static_cast<double>(i + 1) / length);
}

// Removes the slow offset a resonator cascade can leave behind (a 20 Hz high-pass).
void removeOffset(Samples& s) {
    const double k = std::exp(-kTwoPi * 20.0 / kRate);
    double x1 = 0.0;
    double y1 = 0.0;
    for (double& v : s) {
        const double y = v - x1 + k * y1;
        x1 = v;
        y1 = y;
        v = y;
    }
}

// A voiced sound through moving formants: the way an animal's call is made. f0 and the three
// formant frequencies are given as functions of the time in seconds.
struct Voice final {
    double seconds;
    double tilt;         // harmonic h has amplitude 1/h^tilt before the formants
    double breath;       // level of the noise mixed into the source
    double jitter;       // relative random wobble of the pitch (roughness)
    double growl;        // depth of a half-rate flutter of the folds (a harsh voice)
    double bandwidth[4]; // formant bandwidths in Hz
    double (*f0)(double t) = nullptr;
    double (*formant)(int i, double t) = nullptr; // i = 0..3
    double (*envelope)(double t) = nullptr;
};

Samples voiced(const Voice& v, std::uint64_t seed) {
    Samples out(samplesFor(v.seconds), 0.0);
    Noise breath(seed);
    Noise wobble(seed + 7);
    Resonator formants[4];
    double phase = 0.0;
    double jitter = 0.0;
    const double jitterSmoothing = std::exp(-kTwoPi * 30.0 / kRate);
    const double topHz = 9000.0;
    double previous = 0.0;
    for (std::size_t n = 0; n < out.size(); ++n) {
        const double t = static_cast<double>(n) / kRate;
        jitter = jitterSmoothing * jitter + (1.0 - jitterSmoothing) * wobble.next();
        const double f0 = v.f0(t) * (1.0 + v.jitter * 6.0 * jitter);
        phase += kTwoPi * f0 / kRate;
        if (phase > kTwoPi * 1024.0) phase -= kTwoPi * 1024.0;
        double source = 0.0;
        for (int h = 1; h * f0 < topHz; ++h)
            source += std::sin(h * phase) / std::pow(static_cast<double>(h), v.tilt);
        source *= 1.0 + v.growl * std::sin(0.5 * phase);
        source += v.breath * breath.next();
        double y = source * v.envelope(t);
        for (int i = 0; i < 4; ++i)
            y = formants[i].step(y, v.formant(i, t), v.bandwidth[i]);
        // The mouth radiates the change of the air flow: a gentle rise towards the highs.
        out[n] = y - 0.9 * previous;
        previous = y;
    }
    return out;
}

} // namespace

Samples church() {
    // Partials of a tuned bell relative to its nominal (the strike note), with their
    // levels and decay times: the hum an octave below the prime rings longest, the minor-third
    // tierce gives the bell its plaintive colour, the upper partials die first.
    struct Partial {
        double ratio, amp, tau;
    };
    static constexpr Partial partials[] = {
        {0.2502, 0.30, 2.2},  // hum
        {0.5010, 0.40, 1.5},  // prime
        {0.5968, 0.45, 1.2},  // tierce
        {0.7510, 0.18, 0.9},  // quint
        {1.0000, 0.65, 0.95}, // nominal
        {1.2560, 0.14, 0.55}, // major third above the nominal
        {1.5030, 0.22, 0.45}, // superquint
        {2.0060, 0.16, 0.32}, // octave nominal
        {2.5210, 0.09, 0.22}, {2.6620, 0.07, 0.18}, {3.0130, 0.05, 0.12},
    };
    const double nominal = 659.0;
    Samples out(samplesFor(2.4), 0.0);
    double phase = 0.3;
    for (const Partial& p : partials) {
        const double f = nominal * p.ratio;
        addBeatingPartial(out, 0.0, f, f * 0.0018, p.amp, p.tau, phase, 0.0015);
        phase += 2.1;
    }
    addKnock(out, 0.0, 2500.0, 2000.0, 0.35, 0.004, 11);
    fadeOut(out, 0.45);
    return out;
}

Samples cuculus() {
    // A cuckoo clock's two stopped pipes, a minor third apart, blown by bellows: mostly
    // the fundamental with weak odd harmonics, a little breath, and a soft chiff at the onset.
    struct Note {
        double start, freq, length, amp;
    };
    static constexpr Note notes[] = {{0.03, 698.5, 0.24, 1.0}, {0.36, 587.3, 0.46, 0.9}};
    static constexpr double harmonics[][2] = {{1, 1.0},  {2, 0.05}, {3, 0.20},
                                              {4, 0.02}, {5, 0.07}, {7, 0.025}};
    Samples out(samplesFor(0.9), 0.0);
    std::uint64_t seed = 21;
    for (const Note& note : notes) {
        Noise noise(seed++);
        Resonator breath;
        Resonator chiff;
        const int first = samplesFor(note.start);
        const int length = samplesFor(note.length);
        const double release = 0.07;
        double phase = 0.0;
        for (int i = 0; i < length && first + i < static_cast<int>(out.size()); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double toEnd = note.length - t;
            // The pitch settles from slightly sharp and sags as the bellows empty.
            const double freq = note.freq * (1.0 + 0.006 * std::exp(-t / 0.02)) *
                                (1.0 - 0.012 * (1.0 - rise(toEnd, release)));
            phase += kTwoPi * freq / kRate;
            const double env =
                note.amp * rise(t, 0.025) * rise(toEnd, release) * std::exp(-t / 1.5);
            double tone = 0.0;
            for (const auto& h : harmonics)
                tone += h[1] * std::sin(h[0] * phase);
            const double n = noise.next();
            const double air = 0.6 * breath.step(n, freq, 60.0) + 0.05 * n;
            const double onset = 0.25 * std::exp(-t / 0.012) * chiff.step(n, 2.0 * freq, 400.0);
            out[first + i] += env * (tone + air) + note.amp * onset * rise(t, 0.002);
        }
    }
    fadeOut(out, 0.02);
    return out;
}

Samples oldclock() {
    // The striking train lets go with a click, then the hammer hits a coiled wire gong: a
    // low, wobbling fundamental and the inharmonic partials of a bar clamped at one end.
    struct Partial {
        double ratio, amp, tau, beat;
    };
    static constexpr Partial partials[] = {
        {1.000, 0.70, 1.5, 0.9},  {2.004, 0.18, 1.0, 0.0},  {2.756, 0.55, 1.0, 1.7},
        {4.100, 0.20, 0.6, 0.0},  {5.404, 0.35, 0.5, 2.3},  {6.267, 0.15, 0.35, 0.0},
        {8.933, 0.12, 0.22, 0.0}, {11.47, 0.05, 0.12, 0.0},
    };
    const double base = 138.6;
    const double hit = 0.07;
    Samples out(samplesFor(2.3), 0.0);
    addKnock(out, 0.0, 3200.0, 900.0, 0.35, 0.003, 31);
    addKnock(out, 0.014, 2700.0, 900.0, 0.2, 0.003, 32);
    double phase = 0.7;
    for (const Partial& p : partials) {
        const double f = base * p.ratio;
        if (p.beat > 0.0)
            addBeatingPartial(out, hit, f, p.beat, p.amp, p.tau, phase, 0.002);
        else
            addPartial(out, hit, f, p.amp, p.tau, phase, 0.002);
        phase += 1.7;
    }
    addKnock(out, hit, 420.0, 300.0, 0.5, 0.006, 33);
    fadeOut(out, 0.4);
    return out;
}

namespace {
// One bark lasts about 0.2 s: the pitch jumps up and falls, the mouth opens from "wo" to "u".
constexpr double kBarkLength = 0.20;
constexpr double kBarks[][2] = {{0.02, 420.0}, {0.33, 395.0}}; // start, pitch

int barkAt(double t) {
    for (int i = 1; i >= 0; --i)
        if (t >= kBarks[i][0]) return i;
    return -1;
}
} // namespace

Samples dog() {
    Voice v{.seconds = 0.62,
            .tilt = 0.6,
            .breath = 2.5,
            .jitter = 0.05,
            .growl = 0.5,
            .bandwidth = {170.0, 220.0, 300.0, 400.0}};
    v.f0 = [](double t) {
        const int i = barkAt(t);
        const double x = i < 0 ? 0.0 : (t - kBarks[i][0]) / kBarkLength;
        const double base = i < 0 ? kBarks[0][1] : kBarks[i][1];
        return base * curve({{0.0, 0.8}, {0.22, 1.2}, {1.0, 0.7}}, x);
    };
    v.formant = [](int f, double t) {
        const int i = barkAt(t);
        const double x = i < 0 ? 0.0 : (t - kBarks[i][0]) / kBarkLength;
        switch (f) {
        case 0:
            return curve({{0.0, 760.0}, {1.0, 520.0}}, x);
        case 1:
            return curve({{0.0, 1350.0}, {1.0, 1050.0}}, x);
        case 2:
            return 2500.0;
        default:
            return 3400.0;
        }
    };
    v.envelope = [](double t) {
        const int i = barkAt(t);
        if (i < 0) return 0.0;
        const double s = t - kBarks[i][0];
        if (s >= kBarkLength) return 0.0;
        return rise(s, 0.006) * std::exp(-std::max(0.0, s - 0.03) / 0.05) *
               rise(kBarkLength - s, 0.012);
    };
    Samples out = voiced(v, 41);
    removeOffset(out);
    fadeOut(out, 0.02);
    return out;
}

Samples cat() {
    Voice v{.seconds = 0.95,
            .tilt = 0.75,
            .breath = 0.15,
            .jitter = 0.004,
            .growl = 0.0,
            .bandwidth = {110.0, 160.0, 260.0, 350.0}};
    // "mi-a-ow": the pitch rises while the mouth opens and falls as it closes again.
    v.f0 = [](double t) {
        const double x = t / 0.95;
        const double vibrato = 1.0 + 0.012 * rise(x, 0.5) * std::sin(kTwoPi * 5.5 * t);
        return vibrato * curve({{0.0, 480.0}, {0.35, 780.0}, {0.6, 740.0}, {1.0, 430.0}}, x);
    };
    v.formant = [](int f, double t) {
        const double x = t / 0.95;
        switch (f) {
        case 0:
            return curve({{0.0, 350.0}, {0.12, 500.0}, {0.4, 950.0}, {0.7, 800.0}, {1.0, 500.0}},
                         x);
        case 1:
            return curve(
                {{0.0, 1900.0}, {0.12, 2100.0}, {0.4, 1650.0}, {0.7, 1250.0}, {1.0, 900.0}}, x);
        case 2:
            return curve({{0.0, 3000.0}, {0.4, 2900.0}, {1.0, 2600.0}}, x);
        default:
            return 4000.0;
        }
    };
    v.envelope = [](double t) {
        return rise(t, 0.08) * curve({{0.0, 0.7}, {0.4, 1.0}, {0.75, 0.9}, {1.0, 0.6}}, t / 0.95) *
               rise(0.95 - t, 0.25);
    };
    Samples out = voiced(v, 51);
    removeOffset(out);
    fadeOut(out, 0.02);
    return out;
}

const std::vector<Recipe>& recipes() {
    static const std::vector<Recipe> list = {
        {"church", &church}, {"cuculus", &cuculus}, {"oldclock", &oldclock},
        {"dog", &dog},       {"cat", &cat},
    };
    return list;
}

namespace {
// A biquad in direct form I with a0 normalised to 1.
struct Biquad final {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double step(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The two K-weighting stages at any sample rate: a +4 dB shelf above about 1.7 kHz (the head)
// and a high-pass at 38 Hz.
Biquad shelf(int rate) {
    const double gainDb = 3.99984385397;
    const double q = 0.7071752369554193;
    const double fc = 1681.9744509555319;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = kTwoPi * fc / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double s = 2.0 * std::sqrt(a) * alpha;
    const double a0 = (a + 1) - (a - 1) * c + s;
    return {a * ((a + 1) + (a - 1) * c + s) / a0, -2 * a * ((a - 1) + (a + 1) * c) / a0,
            a * ((a + 1) + (a - 1) * c - s) / a0, 2 * ((a - 1) - (a + 1) * c) / a0,
            ((a + 1) - (a - 1) * c - s) / a0};
}

Biquad highPass(int rate) {
    const double q = 0.5003270373253953;
    const double fc = 38.13547087613982;
    const double w = kTwoPi * fc / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

double lufsOf(double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); }
} // namespace

double integratedLoudness(const Samples& s, int rate) {
    Biquad k1 = shelf(rate);
    Biquad k2 = highPass(rate);
    std::vector<double> squared(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double y = k2.step(k1.step(s[i]));
        squared[i] = y * y;
    }
    const std::size_t block = static_cast<std::size_t>(rate * 0.4);
    const std::size_t hop = block / 4;
    std::vector<double> blocks;
    for (std::size_t start = 0; start + block <= squared.size(); start += hop) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + block; ++i)
            sum += squared[i];
        blocks.push_back(sum / static_cast<double>(block));
    }
    auto gatedMean = [&](double threshold) {
        double sum = 0.0;
        int count = 0;
        for (double z : blocks) {
            if (z > 0.0 && lufsOf(z) > threshold) {
                sum += z;
                ++count;
            }
        }
        return count ? sum / count : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0.0) return -std::numeric_limits<double>::infinity();
    const double relative = gatedMean(lufsOf(absolute) - 10.0);
    return lufsOf(relative);
}

double peakDbfs(const Samples& s) {
    double peak = 0.0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    return 20.0 * std::log10(peak);
}

std::vector<Levelled> levelled() {
    std::vector<Levelled> all;
    for (const Recipe& r : recipes()) {
        Levelled l;
        l.name = r.name;
        l.samples = r.make();
        l.lufs = integratedLoudness(l.samples);
        l.peakDbfs = peakDbfs(l.samples);
        all.push_back(std::move(l));
    }
    double target = kTargetLufs;
    for (const Levelled& l : all)
        target = std::min(target, l.lufs + (kPeakCeilingDbfs - l.peakDbfs));
    for (Levelled& l : all) {
        const double gain = std::pow(10.0, (target - l.lufs) / 20.0);
        for (double& v : l.samples)
            v *= gain;
        l.lufs = integratedLoudness(l.samples);
        l.peakDbfs = peakDbfs(l.samples);
    }
    return all;
}

namespace {
void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}
std::uint32_t get16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t get32(const std::uint8_t* p) { return get16(p) | (get16(p + 2) << 16); }
} // namespace

std::vector<std::uint8_t> encodeWav(const Samples& s, int rate) {
    const auto dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * 2));
    put16(out, 2);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (double v : s) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(out, static_cast<std::uint32_t>(static_cast<std::int16_t>(q)) & 0xffff);
    }
    return out;
}

bool decodeWav(const std::vector<std::uint8_t>& bytes, std::vector<Samples>& channels, int& rate) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    int channelCount = 0;
    int bits = 0;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint8_t* chunk = bytes.data() + pos;
        const std::size_t size = get32(chunk + 4);
        const std::size_t body = pos + 8;
        if (size > bytes.size() - body) return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            if (get16(chunk + 8) != 1) return false;
            channelCount = static_cast<int>(get16(chunk + 10));
            rate = static_cast<int>(get32(chunk + 12));
            bits = static_cast<int>(get16(chunk + 22));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (bits != 16 || channelCount < 1) return false;
            const std::size_t frames = size / (2 * static_cast<std::size_t>(channelCount));
            channels.assign(static_cast<std::size_t>(channelCount), Samples(frames));
            for (std::size_t f = 0; f < frames; ++f)
                for (int c = 0; c < channelCount; ++c) {
                    const std::uint8_t* p = bytes.data() + body + (f * channelCount + c) * 2;
                    channels[c][f] = static_cast<std::int16_t>(get16(p)) / 32768.0;
                }
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

} // namespace taku::synth
