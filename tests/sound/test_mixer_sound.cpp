// The sound backend over SDL2_mixer (silent "dummy" output) and the built-in sounds as the
// program carries them: each one short, equally loud, free of clicks, and recognisably what
// its name says.

#include "sound/AudioOutput.h"
#include "sound/MixerSound.h"
#include "sound/gen/Synth.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace taku;
namespace synth = taku::synth;

namespace {

synth::Samples builtIn(int kind) {
    const QByteArray data = builtInSoundData(kind);
    std::vector<synth::Samples> channels;
    int rate = 0;
    if (!synth::decodeWav(std::vector<std::uint8_t>(data.begin(), data.end()), channels, rate) ||
        channels.size() != 1 || rate != synth::kRate)
        return {};
    return channels[0];
}

synth::Samples slice(const synth::Samples& s, double from, double to) {
    const auto a = static_cast<std::size_t>(from * synth::kRate);
    const auto b = std::min(s.size(), static_cast<std::size_t>(to * synth::kRate));
    return a < b ? synth::Samples(s.begin() + a, s.begin() + b) : synth::Samples{};
}

double rmsDb(const synth::Samples& s) {
    double sum = 0.0;
    for (double v : s)
        sum += v * v;
    return 10.0 * std::log10(sum / std::max<std::size_t>(1, s.size()) + 1e-20);
}

// The pitch of a stretch of sound, 150..1200 Hz, from its autocorrelation: the shortest lag
// that comes close to the best one, so an octave below is not taken for the note.
double pitch(const synth::Samples& s) {
    const int minLag = synth::kRate / 1200;
    const int maxLag = synth::kRate / 150;
    std::vector<double> r(maxLag + 1, 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        for (std::size_t i = 0; i + lag < s.size(); ++i)
            r[lag] += s[i] * s[i + lag];
        best = std::max(best, r[lag]);
    }
    for (int lag = minLag + 1; lag < maxLag; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
            return static_cast<double>(synth::kRate) / lag;
    return 0.0;
}

// The frequencies (2 Hz apart, 60..2500 Hz) of the strongest spectral peaks, strongest first.
QList<double> strongestPeaks(const synth::Samples& s, int count) {
    std::vector<double> power;
    for (int f = 60; f <= 2500; f += 2) {
        // Goertzel: the power of one frequency without a sine per sample.
        const double c = 2.0 * std::cos(2.0 * M_PI * f / synth::kRate);
        double s1 = 0.0;
        double s2 = 0.0;
        for (double v : s) {
            const double s0 = v + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        power.push_back(s1 * s1 + s2 * s2 - c * s1 * s2);
    }
    QList<std::pair<double, int>> peaks;
    for (std::size_t i = 1; i + 1 < power.size(); ++i)
        if (power[i] > power[i - 1] && power[i] >= power[i + 1]) peaks.append({power[i], int(i)});
    std::sort(peaks.begin(), peaks.end(), [](auto a, auto b) { return a.first > b.first; });
    QList<double> out;
    for (int i = 0; i < std::min(count, int(peaks.size())); ++i)
        out.append(60 + 2 * peaks[i].second);
    return out;
}

// Stretches louder than 20 dB below the loudest 10 ms, as (start, end) in seconds.
QList<std::pair<double, double>> bursts(const synth::Samples& s) {
    const int window = synth::kRate / 100;
    std::vector<double> levels;
    for (std::size_t i = 0; i + window <= s.size(); i += window)
        levels.push_back(rmsDb(synth::Samples(s.begin() + i, s.begin() + i + window)));
    const double top = *std::max_element(levels.begin(), levels.end());
    QList<std::pair<double, double>> out;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (levels[i] < top - 20.0) continue;
        if (!out.isEmpty() && out.last().second >= i * 0.01 - 0.05)
            out.last().second = (i + 1) * 0.01;
        else
            out.append({i * 0.01, (i + 1) * 0.01});
    }
    return out;
}

} // namespace

class MixerSoundTest final : public QObject {
    Q_OBJECT
private slots:
    void builtInSoundsAreShortLevelledAndClean_data() {
        QTest::addColumn<int>("kind");
        for (int k = 0; k < 5; ++k)
            QTest::newRow(qPrintable(builtInSoundName(k))) << k;
    }
    void builtInSoundsAreShortLevelledAndClean() {
        QFETCH(int, kind);
        const synth::Samples s = builtIn(kind);
        QVERIFY(!s.empty());
        const double seconds = double(s.size()) / synth::kRate;
        QVERIFY2(seconds >= 0.5 && seconds <= 2.5, qPrintable(QString::number(seconds)));
        // No sound jumps out: all at one loudness, none clipping.
        const double lufs = synth::integratedLoudness(s);
        const double reference = synth::integratedLoudness(builtIn(0));
        QVERIFY2(std::abs(lufs - reference) < 0.5, qPrintable(QString::number(lufs)));
        QVERIFY2(lufs > -24.0 && lufs < -14.0, qPrintable(QString::number(lufs)));
        QVERIFY(synth::peakDbfs(s) < -0.5);
        // Starts and ends at rest, so no strike begins or ends with a click.
        QVERIFY(std::abs(s.front()) < 0.01);
        QVERIFY(std::abs(s.back()) < 0.01);
    }

    void theChurchBellHasAMinorThirdAndDiesAway() {
        const synth::Samples s = builtIn(0);
        const QList<double> peaks = strongestPeaks(slice(s, 0.0, 0.6), 6);
        bool tierce = false;
        for (double a : peaks)
            for (double b : peaks)
                if (b / a > 1.17 && b / a < 1.22) tierce = true;
        QVERIFY2(tierce, qPrintable(QString::number(peaks.size())));
        QVERIFY(rmsDb(slice(s, 1.9, 2.4)) < rmsDb(slice(s, 0.0, 0.5)) - 15.0);
    }

    void theCuckooFallsByAThird() {
        const synth::Samples s = builtIn(1);
        const auto notes = bursts(s);
        QCOMPARE(notes.size(), 2);
        const double first = pitch(slice(s, notes[0].first + 0.05, notes[0].second - 0.05));
        const double second = pitch(slice(s, notes[1].first + 0.05, notes[1].second - 0.1));
        QVERIFY2(first / second > 1.12 && first / second < 1.30,
                 qPrintable(QStringLiteral("%1 %2").arg(first).arg(second)));
    }

    void theOldClockGongIsLowAndLong() {
        const synth::Samples s = builtIn(2);
        const QList<double> peaks = strongestPeaks(slice(s, 0.07, 0.8), 3);
        QVERIFY(*std::min_element(peaks.begin(), peaks.end()) < 200.0);
        QVERIFY(double(s.size()) / synth::kRate > 1.5);
    }

    void theDogBarksTwice() {
        const auto barks = bursts(builtIn(3));
        QCOMPARE(barks.size(), 2);
        for (const auto& b : barks)
            QVERIFY(b.second - b.first < 0.3);
    }

    void theCatsMeowRisesAndFalls() {
        const synth::Samples s = builtIn(4);
        const double start = pitch(slice(s, 0.05, 0.15));
        const double middle = pitch(slice(s, 0.3, 0.45));
        const double end = pitch(slice(s, 0.8, 0.9));
        QVERIFY2(start < middle * 0.8 && end < middle * 0.8,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(start).arg(middle).arg(end)));
    }

    void panningMapsToChannelGains() {
        QCOMPARE(panGains(0).left, 255);
        QCOMPARE(panGains(0).right, 255);
        QCOMPARE(panGains(-100).left, 255);
        QCOMPARE(panGains(-100).right, 0);
        QCOMPARE(panGains(100).left, 0);
        QCOMPARE(panGains(100).right, 255);
        QCOMPARE(panGains(-50).right, 127);
        QCOMPARE(panGains(50).left, 127);
        QCOMPARE(panGains(300).left, 0);
    }

    void builtInSoundsAreLoadedOnceAndKeepTheirSettings() {
        MixerSoundService service;
        const auto bell = service.church();
        QVERIFY(bell);
        QCOMPARE(bell->name(), QStringLiteral("church"));
        bell->setVolume(35);
        bell->setPan(-60);
        QVERIFY(service.builtIn(0) == bell);
        QCOMPARE(service.builtIn(0)->Volume(), 35);
        QCOMPARE(service.builtIn(0)->Pan(), -60);
        QCOMPARE(service.cat()->name(), QStringLiteral("cat"));
        QVERIFY(service.cat() == service.builtIn(4));
        QVERIFY(!service.builtIn(5));
        QVERIFY(!service.builtIn(-1));
    }

    void soundFilesOpenInAnyFormatTheMixerReads_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opens");
        QTest::newRow("wav") << "sound_tone.wav" << true;
        QTest::newRow("ogg") << "sound_tone.ogg" << true;
        QTest::newRow("flac") << "sound_tone.flac" << true;
        QTest::newRow("text named .wav") << "sound_not_a_sound.wav" << false;
        QTest::newRow("missing") << "sound_missing.wav" << false;
        QTest::newRow("a folder") << "" << false;
    }
    void soundFilesOpenInAnyFormatTheMixerReads() {
        QFETCH(QString, file);
        QFETCH(bool, opens);
        MixerSoundService service;
        const auto sound = service.openAsSound(QDir(TAKU_TEST_DATA).filePath(file));
        QCOMPARE(bool(sound), opens);
        if (sound) {
            QCOMPARE(sound->name(), QStringLiteral("custom"));
            QCOMPARE(sound->Volume(), 100);
            QCOMPARE(sound->Pan(), 0);
        }
    }

    void eachSoundHasItsOwnPlayingState() {
        MixerSoundService service;
        const auto tone = service.openAsSound(QDir(TAKU_TEST_DATA).filePath("sound_tone.wav"));
        const auto other = service.openAsSound(QDir(TAKU_TEST_DATA).filePath("sound_tone.wav"));
        QVERIFY(tone && other);
        QVERIFY(!tone->IsPlaying());
        tone->setPan(100);
        tone->Play();
        QVERIFY(tone->IsPlaying());
        QVERIFY(!other->IsPlaying());
        QVERIFY(!service.church()->IsPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!tone->IsPlaying(), 10000);
        QCOMPARE(tone->Pan(), 100);
    }

    // An idle output is closed so it stops waking the process; the next sound opens it again
    // and keeps its volume and pan.
    void theIdleOutputClosesAndOpensAgainOnUse() {
        MixerSoundService service;
        const auto bell = service.church();
        QVERIFY(bell);
        bell->setVolume(40);
        bell->setPan(70);
        bell->Play();
        QVERIFY(!audio::closeIfIdle()); // not while it sounds
        QVERIFY(audio::isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!bell->IsPlaying(), 10000);
        QVERIFY(audio::closeIfIdle());
        QVERIFY(!audio::isOpen());
        QVERIFY(!bell->IsPlaying());
        bell->Play();
        QVERIFY(audio::isOpen());
        QVERIFY(bell->IsPlaying());
        QCOMPARE(bell->Volume(), 40);
        QCOMPARE(bell->Pan(), 70);
        // A file opened while the output is closed still loads.
        QTRY_VERIFY_WITH_TIMEOUT(!bell->IsPlaying(), 10000);
        QVERIFY(audio::closeIfIdle());
        QVERIFY(service.openAsSound(QDir(TAKU_TEST_DATA).filePath("sound_tone.wav")));
    }
};

QTEST_GUILESS_MAIN(MixerSoundTest)
#include "test_mixer_sound.moc"
