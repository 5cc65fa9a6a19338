// The clock window's chime: choosing the sound, counting the strikes, sweeping them from left
// to right, and the settings window's sound buttons.

#include "app/DataFolder.h"
#include "app/Logging.h"
#include "app/Settings.h"
#include "clock/W_Time.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace taku {

namespace {

// The sound last tried out from the settings window, kept so that it plays to its end.
std::shared_ptr<SoundObject>& heardSound() {
    static std::shared_ptr<SoundObject> sound;
    return sound;
}

// Strikes on the 12-hour dial: 0 and 12 strike 12 times, 13 once. A negative count (a repeat
// count typed as one) would never count down to 0, so it strikes once.
int strikesFor(int count) {
    int n = count % 12;
    if (n == 0) n = 12;
    return std::max(1, n);
}

// Copies the file at from over the file at to through a temporary file beside it, so the
// old file stays whole until the new one is complete.
bool replaceWithCopy(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        qCWarning(lcFiles) << "cannot read" << from << ":" << source.errorString();
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        qCWarning(lcFiles) << "cannot write" << to << ":" << target.errorString();
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = source.read(buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 || target.write(buffer, got) != got) {
            qCWarning(lcFiles) << "copying" << from << "to" << to << "failed";
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        qCWarning(lcFiles) << "cannot write" << to << ":" << target.errorString();
        return false;
    }
    return true;
}

} // namespace

void W_Time::Get_Sound(int kind, int count) {
    const SettingsRecord& s = Settings();
    ChimeCount = strikesFor(count);
    ChimesLeft = ChimeCount;
    if (!s.CustomSound) {
        SoundService* sound = services().sound;
        EffectSound = sound ? sound->builtIn(kind) : nullptr;
    }
    AnnounceReady = false;
    if (EffectSound) EffectSound->setVolume(s.Volume);
    Timer2.setMode(2);
}

void W_Time::Take_Sound(int hour, int minute) {
    Get_Sound(Settings().SoundIndex, minute == 0 ? hour : 1);
}

void W_Time::Timer2_Action() {
    // With no sound to strike the chime ends here as if it had been struck: the clock must go
    // on ticking and announcing.
    if (EffectSound) {
        if (EffectSound->IsPlaying()) return;
        const double step = 200.0 / (ChimeCount + 1);
        const int k = ChimeCount - ChimesLeft + 1;
        const int pan = static_cast<int>(step * k - 100.0);
        EffectSound->setPan(pan);
        EffectSound->Play();
        qCInfo(lcSound).noquote() << QStringLiteral("strike %1/%2 pan=%3 volume=%4 sound=%5")
                                         .arg(k)
                                         .arg(ChimeCount)
                                         .arg(pan)
                                         .arg(EffectSound->Volume())
                                         .arg(EffectSound->name());
        --ChimesLeft;
        if (ChimesLeft > 0) return;
    }
    ChimesLeft = 0;
    Timer2.setMode(0);
    Timer1.setPeriod(TickPeriod);
    Timer1.setMode(2);
    AnnounceReady = true;
}

void W_Time::PreviewBuiltInSound(int kind) {
    bool& custom = Settings().CustomSound;
    const bool wasCustom = custom;
    custom = false;
    Get_Sound(kind, 2);
    custom = wasCustom;
}

bool W_Time::LoadCustomSound(const QString& path) {
    SoundService* service = services().sound;
    if (path.isEmpty() || !service) return false;
    std::shared_ptr<SoundObject> sound = service->openAsSound(path);
    if (!sound) return false;
    sound->Play();
    EffectSound = sound;

    const QString stored = dataFile(QStringLiteral("MySound.wav"));
    if (stored.isEmpty()) {
        qCWarning(lcFiles) << "no Taku_DATA folder; the chosen sound is not kept";
        return true;
    }
    // Choosing the stored sound itself keeps it as it is.
    const QFileInfo chosen(path);
    const QFileInfo current(stored);
    if (current.exists() && chosen.canonicalFilePath() == current.canonicalFilePath()) return true;
    replaceWithCopy(path, stored);
    return true;
}

void W_Time::PreviewCustomSound() {
    const QString stored = dataFile(QStringLiteral("MySound.wav"));
    SoundService* service = services().sound;
    if (stored.isEmpty() || !service || !QFileInfo::exists(stored)) return;
    if (std::shared_ptr<SoundObject> sound = service->openAsSound(stored)) {
        sound->Play();
        heardSound() = std::move(sound);
    }
}

} // namespace taku
