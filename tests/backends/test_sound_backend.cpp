// The sound backend over SDL2_mixer with SDL's "disk" driver as the sound device: panning, the
// built-in sounds as the program carries them, sound files and the idle output.

#include "sound/AudioOutput.h"
#include "sound/MixerSound.h"
#include "sound/gen/Synth.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace taku;

namespace {
synth::Samples builtIn(int kind) {
    const QByteArray data = builtInSoundData(kind);
    std::vector<synth::Samples> channels;
    int rate = 0;
    const bool ok = synth::decodeWav({data.begin(), data.end()}, channels, rate);
    return ok && channels.size() == 1 && rate == synth::kRate ? channels[0] : synth::Samples{};
}
} // namespace

class TestSoundBackend final : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString output = dir.filePath(QStringLiteral("out.raw"));

private Q_SLOTS:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
    }

    void panningMapsToChannelGains() {
        const int rows[][3] = {{0, 255, 255},   {-100, 255, 0}, {100, 0, 255},
                               {-50, 255, 127}, {50, 127, 255}, {300, 0, 255}};
        for (const auto& [pan, left, right] : rows) {
            const ChannelGains g = panGains(pan);
            QVERIFY2(g.left == left && g.right == right,
                     qPrintable(QStringLiteral("%1: %2 %3").arg(pan).arg(g.left).arg(g.right)));
        }
    }

    // No built-in sound jumps out: short, all at one loudness, none clipping, none clicking.
    void builtInSoundsAreShortLevelledAndClean() {
        for (int kind = 0; kind < 5; ++kind) {
            const synth::Samples s = builtIn(kind);
            QVERIFY(!s.empty());
            const double seconds = double(s.size()) / synth::kRate;
            const double lufs = synth::integratedLoudness(s);
            QVERIFY2(seconds >= 0.5 && seconds <= 2.5 && lufs > -24.0 && lufs < -14.0 &&
                         std::abs(lufs - synth::integratedLoudness(builtIn(0))) < 0.5 &&
                         synth::peakDbfs(s) < -0.5 && std::abs(s.front()) < 0.01 &&
                         std::abs(s.back()) < 0.01,
                     qPrintable(builtInSoundName(kind) +
                                QStringLiteral(": %1 s, %2 LUFS").arg(seconds).arg(lufs)));
        }
    }

    void soundFilesOpenInAnyFormatTheMixerReads() {
        MixerSoundService service;
        for (const char* file : {"sound_tone.wav", "sound_tone.ogg", "sound_tone.flac"})
            QVERIFY2(service.openAsSound(QDir(TAKU_TEST_DATA).filePath(file)), file);
        for (const char* file : {"sound_not_a_sound.wav", "sound_missing.wav", ""})
            QVERIFY2(!service.openAsSound(QDir(TAKU_TEST_DATA).filePath(file)), file);
    }

    // Built-in sounds load once and keep their settings; each sound has its own playing
    // state; the idle output closes and opens again on the next sound, panned as set.
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
        QVERIFY(audio::closeIfIdle() && !audio::isOpen());
        service.builtIn(1)->setPan(100);
        bell->Play();
        service.builtIn(1)->Play();
        QVERIFY(audio::isOpen() && bell->IsPlaying() && service.builtIn(1)->IsPlaying());
        QCOMPARE(service.builtIn(0)->Volume(), 40);
        QTRY_VERIFY_WITH_TIMEOUT(!bell->IsPlaying() && !service.builtIn(1)->IsPlaying(), 10000);
        QVERIFY(audio::closeIfIdle());
        QFile raw(output);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray pcm = raw.readAll();
        const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
        double left = 0, right = 0;
        for (qsizetype i = 0; i + 1 < pcm.size() / 2; i += 2)
            left += std::abs(s[i]), right += std::abs(s[i + 1]);
        QVERIFY2(right > 2 * left && left > 0,
                 qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    }
};

QTEST_MAIN(TestSoundBackend)
#include "test_sound_backend.moc"
