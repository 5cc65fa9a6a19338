// The sound backend over SDL2_mixer with SDL's "disk" driver as the sound device: panning, the
// built-in sounds as the program carries them, sound files and the idle output.

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
    if (!synth::decodeWav({data.begin(), data.end()}, channels, rate) || channels.size() != 1 ||
        rate != synth::kRate)
        return {};
    return channels[0];
}

} // namespace

class TestSoundBackend final : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath(QStringLiteral("out.raw"))));
    }

    void panningMapsToChannelGains_data() {
        QTest::addColumn<int>("pan");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        const int rows[][3] = {{0, 255, 255},   {-100, 255, 0}, {100, 0, 255},
                               {-50, 255, 127}, {50, 127, 255}, {300, 0, 255}};
        for (const auto& [pan, left, right] : rows)
            QTest::addRow("%d", pan) << pan << left << right;
    }
    void panningMapsToChannelGains() {
        QFETCH(int, pan);
        QTEST(panGains(pan).left, "left");
        QTEST(panGains(pan).right, "right");
    }

    // No built-in sound jumps out: short, all at one loudness, none clipping, none clicking.
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
        const double lufs = synth::integratedLoudness(s);
        QVERIFY2(seconds >= 0.5 && seconds <= 2.5 && lufs > -24.0 && lufs < -14.0 &&
                     std::abs(lufs - synth::integratedLoudness(builtIn(0))) < 0.5,
                 qPrintable(QStringLiteral("%1 s, %2 LUFS").arg(seconds).arg(lufs)));
        QVERIFY(synth::peakDbfs(s) < -0.5);
        QVERIFY(std::abs(s.front()) < 0.01 && std::abs(s.back()) < 0.01);
    }

    void soundFilesOpenInAnyFormatTheMixerReads_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opens");
        for (const char* opens : {"sound_tone.wav", "sound_tone.ogg", "sound_tone.flac"})
            QTest::newRow(opens) << opens << true;
        for (const char* fails : {"sound_not_a_sound.wav", "sound_missing.wav", ""})
            QTest::newRow(fails) << fails << false;
    }
    void soundFilesOpenInAnyFormatTheMixerReads() {
        QFETCH(QString, file);
        MixerSoundService service;
        QTEST(bool(service.openAsSound(QDir(TAKU_TEST_DATA).filePath(file))), "opens");
    }

    // Built-in sounds load once and keep their settings; each sound has its own playing
    // state; the idle output closes and opens again on the next sound.
    void soundsKeepTheirStateAcrossTheIdleOutput() {
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
