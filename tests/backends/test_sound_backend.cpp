// The sound backend over SDL2_mixer with SDL's "disk" driver as the sound device: the
// built-in sounds as the program carries them, sound files, the idle output, and a chime
// recorded as it is heard.

#include "base/Settings.h"
#include "clock/ClockCore.h"
#include "sound/AudioOutput.h"
#include "sound/MixerSound.h"
#include "sound/gen/Synth.h"
#include "support/TestEnv.h"

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
    if (!synth::decodeWav({data.begin(), data.end()}, channels, rate) || channels.size() != 1 ||
        rate != synth::kRate)
        return {};
    return channels[0];
}

} // namespace

class TestSoundBackend final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    // Points the disk driver at a new recording; the output opens on the next sound.
    QString record(const char* name) {
        const QString path = dir.filePath(QLatin1String(name));
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("SDL_AUDIODRIVER", "disk"); }

    void panningMapsToChannelGains_data() {
        QTest::addColumn<int>("pan");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::newRow("centre") << 0 << 255 << 255;
        QTest::newRow("all left") << -100 << 255 << 0;
        QTest::newRow("all right") << 100 << 0 << 255;
        QTest::newRow("half left") << -50 << 255 << 127;
        QTest::newRow("half right") << 50 << 127 << 255;
        QTest::newRow("beyond right") << 300 << 0 << 255;
    }
    void panningMapsToChannelGains() {
        QFETCH(int, pan);
        QTEST(panGains(pan).left, "left");
        QTEST(panGains(pan).right, "right");
    }

    // A chime of three cuckoo strikes, recorded: silent windows aside, the sound starts on
    // the left, passes the middle and ends on the right.
    void theChimeMovesFromLeftToRight() {
        const QString recording = record("chime.raw");
        {
            test::TestEnv env;
            MixerSoundService mixer;
            services().sound = &mixer;
            ClockCore w;
            w.TickPeriod = 1000;
            w.AnnounceReady = true;
            env.edit([](SettingsRecord& s) { s.Volume = 100; });
            w.startChime(1, 3, false);
            QTRY_VERIFY_WITH_TIMEOUT(
                w.Timer2.Mode() == TimerMode::Off && !w.EffectSound->IsPlaying(), 30000);
            QVERIFY(audio::closeIfIdle()); // writes out what the driver still holds
            services().sound = nullptr;
        }
        QFile raw(recording);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        const auto* frames = reinterpret_cast<const qint16*>(bytes.constData());
        const qsizetype count = bytes.size() / 4;
        QList<double> energy, balance; // per 10 ms
        for (qsizetype start = 0; start + 441 <= count; start += 441) {
            double l = 0.0, r = 0.0;
            for (qsizetype i = start; i < start + 441; ++i) {
                l += double(frames[2 * i]) * frames[2 * i];
                r += double(frames[2 * i + 1]) * frames[2 * i + 1];
            }
            energy.append(l + r);
            balance.append(l + r > 0.0 ? (r - l) / (r + l) : 0.0);
        }
        QVERIFY(!energy.isEmpty());
        const double loudest = *std::max_element(energy.begin(), energy.end());
        QList<int> sides; // -1 left, 0 middle, 1 right, for each loud window in time order
        for (int i = 0; i < energy.size(); ++i) {
            if (energy[i] >= loudest * 1e-3)
                sides.append(balance[i] < -0.3 ? -1 : balance[i] > 0.3 ? 1 : 0);
        }
        QVERIFY(sides.size() > 30);
        QVERIFY(std::is_sorted(sides.begin(), sides.end()));
        QCOMPARE(sides.first(), -1);
        QVERIFY(sides.contains(0));
        QCOMPARE(sides.last(), 1);
    }

    void builtInSoundsAreShortLevelledAndClean_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("sounds");
        const int sounds[] = {1, 2, 1, 2, 1}; // the cuckoo calls twice, the dog barks twice
        for (int k = 0; k < 5; ++k)
            QTest::newRow(qPrintable(builtInSoundName(k))) << k << sounds[k];
    }
    void builtInSoundsAreShortLevelledAndClean() {
        QFETCH(int, kind);
        const synth::Samples s = builtIn(kind);
        QVERIFY(!s.empty());
        const double seconds = double(s.size()) / synth::kRate;
        QVERIFY2(seconds >= 0.5 && seconds <= 2.5, qPrintable(QString::number(seconds)));
        // No sound jumps out: all at one loudness, none clipping, none starting with a click.
        const double lufs = synth::integratedLoudness(s);
        QVERIFY2(std::abs(lufs - synth::integratedLoudness(builtIn(0))) < 0.5,
                 qPrintable(QString::number(lufs)));
        QVERIFY2(lufs > -24.0 && lufs < -14.0, qPrintable(QString::number(lufs)));
        QVERIFY(synth::peakDbfs(s) < -0.5);
        QVERIFY(std::abs(s.front()) < 0.01 && std::abs(s.back()) < 0.01);
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
        MixerSoundService service;
        QTEST(bool(service.openAsSound(QDir(TAKU_TEST_DATA).filePath(file))), "opens");
    }

    // Built-in sounds load once and keep their settings; each sound has its own playing
    // state; the idle output closes and opens again on the next sound.
    void soundsKeepTheirStateAcrossTheIdleOutput() {
        record("idle.raw");
        MixerSoundService service;
        const auto bell = service.church();
        const auto tone = service.openAsSound(QDir(TAKU_TEST_DATA).filePath("sound_tone.wav"));
        QVERIFY(bell && tone && service.builtIn(0) == bell && !service.builtIn(5));
        bell->setVolume(40);
        bell->setPan(70);
        tone->Play();
        QVERIFY(tone->IsPlaying() && !bell->IsPlaying());
        QVERIFY(!audio::closeIfIdle()); // not while it sounds
        QTRY_VERIFY_WITH_TIMEOUT(!tone->IsPlaying(), 10000);
        QVERIFY(audio::closeIfIdle());
        QVERIFY(!audio::isOpen());
        bell->Play();
        QVERIFY(audio::isOpen() && bell->IsPlaying());
        QCOMPARE(service.builtIn(0)->Volume(), 40);
        QCOMPARE(service.builtIn(0)->Pan(), 70);
    }
};

QTEST_MAIN(TestSoundBackend)
#include "test_sound_backend.moc"
