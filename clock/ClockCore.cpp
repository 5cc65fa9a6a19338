#include "clock/ClockCore.h"

#include "base/DataFolder.h"
#include "base/Logging.h"
#include "base/TextFile.h"
#include "clock/ClockText.h"
#include "events/EventFile.h"
#include "prefs/Quiet.h"
#include "speech/Announcement.h"
#include "speech/VoiceTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace taku {

namespace {

constexpr int kMinutesOfInterval[] = {60, 30, 15, 10, 5, 1};
// The tick at this second gets the coming minute's chime or spoken time ready.
constexpr int kReadySecond = 58;

// What second 0 of the minute after `time` will start, judged ahead as if nothing were under
// way then, so that its sound can be got ready.
SecondZero dueAtNextMinute(const SettingsRecord& settings, int intervalMinutes, const QTime& time) {
    return decideAtSecond(settings, intervalMinutes, QTime(time.hour(), time.minute()).addSecs(60),
                          true);
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

ClockCore::ClockCore(QObject* parent) : QObject(parent) {
    Timer1.alignToSeconds(services().clock);
    Timer1.Action = [this] { tick(); };
    Timer2.Action = [this] { strike(); };
    Timer3.Action = [this] { handOverSpeech(); };
    connect(&settingsStore(), &SettingsStore::changed, this, &ClockCore::applySettings);
}

void ClockCore::open() {
    Now = taku::Now();
    LastDay = Now.date().day();
    zoneWatch_.changed();
    if (const ClockSource* clock = services().clock) zoneMinute_ = clock->msecsSinceEpoch() / 60000;
    showTitle();
    preferencesLoaded();
    loadPronunciations();
    AnnounceReady = true;
    if (Settings().SpeakDateAtStart)
        announceDate(Now.date().month(), Now.date().day(), dayOfWeek(Now.date()));
    speakTodaysEvents();
}

void ClockCore::showTitle() {
    Title = dateTitle(Now.date());
    Q_EMIT titleChanged(Title);
}

void ClockCore::updateInterval() {
    const int index = Settings().IntervalIndex;
    if (index >= 0 && index < 6) IntervalMinutes = kMinutesOfInterval[index];
}

void ClockCore::applySettings() {
    updateInterval();
    // A Timer1 asleep until the next minute wakes at the next second: the strip may show the
    // seconds now, or the coming minute need its sound got ready.
    if (Timer1.Mode() == TimerMode::Repeat) Timer1.setPeriod(Timer1.Period());
    const SettingsRecord& s = Settings();
    Q_EMIT colorsChanged(s.TextColor, s.BackColor);
    Q_EMIT opacityChanged(s.Transparency / 100.0);
}

void ClockCore::tick() {
    // The zone file is looked at once a minute; minutes since the epoch need no zone.
    bool zoneChanged = false;
    if (const ClockSource* clock = services().clock) {
        const qint64 minute = clock->msecsSinceEpoch() / 60000;
        if (minute != zoneMinute_) {
            zoneMinute_ = minute;
            zoneChanged = zoneWatch_.changed();
            if (zoneChanged) reloadLocalZone();
        }
    }
    Now = taku::Now();
    const QDateTime previous = std::exchange(lastTick_, Now);
    const QTime time = Now.time();
    qCDebug(lcTick).noquote() << Now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));

    if (LastDay != Now.date().day() || zoneChanged) {
        showTitle();
        LastDay = Now.date().day();
    }

    const SettingsRecord& s = Settings();
    const ClockLayout layout = composeClock(Now, s);
    TimeText = layout.text;
    Q_EMIT textShown(layout.text, layout.textVisible);
    Q_EMIT faceShown(layout.faceVisible);
    if (layout.width != width_) {
        width_ = layout.width;
        Q_EMIT widthChanged(width_);
    }

    // After a gap (sleep, the clock set forward) the chimes and spoken times that passed are
    // not made up for; an alarm that passed sounds once when at most ten minutes late.
    if (s.AlarmOn && AnnounceReady && previous.isValid() &&
        Now.toSecsSinceEpoch() - previous.toSecsSinceEpoch() > 1 &&
        missedAlarm(previous, Now, s.AlarmHour, s.AlarmMinute) == MissedAlarm::SoundNow) {
        soundAlarm();
        return;
    }

    if (time.second() >= kReadySecond) getReadyForNextMinute();
    SecondZero started = decideAtSecond(s, IntervalMinutes, time, AnnounceReady);
    // Quiet time and a locked or busy desktop hold back the chime and the spoken time, never
    // the alarm.
    if ((started == SecondZero::IntervalChime &&
         !mayMakeSound(quietSettings(s), desktop_, SoundKind::Chime, time)) ||
        (started == SecondZero::SpokenTime &&
         !mayMakeSound(quietSettings(s), desktop_, SoundKind::Speech, time)))
        started = SecondZero::Nothing;
    expectOnset(started);
    switch (started) {
    case SecondZero::AlarmChime:
        startChime(s.SoundIndex, s.AlarmRepeat, s.CustomSound);
        return; // the alarm ends the tick as it is
    case SecondZero::AlarmSpeech:
        announceTime();
        return;
    case SecondZero::IntervalChime:
        chimeForTime(time.hour(), time.minute());
        break;
    case SecondZero::SpokenTime:
        announceTime();
        break;
    case SecondZero::Nothing:
        break;
    }
    Timer1.setPeriod(kEveryWallSecond);
    sleepUntilNextChange();
}

void ClockCore::sleepUntilNextChange() {
    // Without the seconds the strip and its face change with the minute: Timer1 sleeps until
    // second 0, or until the second that gets the coming minute's sound ready.
    if (Settings().ShowSeconds) return;
    const QTime time = Now.time();
    const bool soundDue = dueAtNextMinute(Settings(), IntervalMinutes, time) != SecondZero::Nothing;
    const int second = soundDue && time.second() < kReadySecond ? kReadySecond : 60;
    const qint64 minute = Now.toMSecsSinceEpoch() - time.second() * 1000 - time.msec();
    Timer1.skipUntil(minute + second * 1000);
}

void ClockCore::wake() {
    if (Timer1.Mode() == TimerMode::Repeat) Timer1.fire();
}

void ClockCore::soundAlarm() {
    const SettingsRecord& s = Settings();
    if (s.SoundOn || s.CustomSound)
        startChime(s.SoundIndex, s.AlarmRepeat, s.CustomSound);
    else
        announceTime();
}

void ClockCore::getReadyForNextMinute() {
    const QTime time = Now.time();
    const QDateTime due = Now.addMSecs(-(time.second() * 1000 + time.msec())).addSecs(60);
    if (due.toMSecsSinceEpoch() == readyFor_) return;
    readyFor_ = due.toMSecsSinceEpoch();
    const SecondZero coming = dueAtNextMinute(Settings(), IntervalMinutes, time);
    const bool held = coming == SecondZero::IntervalChime || coming == SecondZero::SpokenTime;
    if (held &&
        quietReason(quietSettings(Settings()), desktop_,
                    coming == SecondZero::IntervalChime ? SoundKind::Chime : SoundKind::Speech,
                    due.time()) != SkipReason::None)
        return; // a minute left quiet needs nothing ready
    switch (coming) {
    case SecondZero::AlarmChime:
    case SecondZero::IntervalChime:
        if (SoundService* sound = services().sound) sound->warmUp();
        break;
    case SecondZero::AlarmSpeech:
    case SecondZero::SpokenTime:
        // The text second 0 composes: the strip's text at hh:mm:00 read through the table.
        if (Speech* speech = services().speech)
            speech->prepare(ComposeTime(composeClock(due, Settings()).text, VoiceTable()));
        break;
    case SecondZero::Nothing:
        break;
    }
}

void ClockCore::expectOnset(SecondZero started) {
    const qint64 minute = Now.toMSecsSinceEpoch() - Now.time().msec();
    switch (started) {
    case SecondZero::AlarmChime:
    case SecondZero::IntervalChime:
        if (SoundService* sound = services().sound) sound->expectOnset(minute);
        break;
    case SecondZero::AlarmSpeech:
    case SecondZero::SpokenTime:
        if (Speech* speech = services().speech) speech->expectOnset(minute);
        break;
    case SecondZero::Nothing:
        break;
    }
}

// Chime ------------------------------------------------------------------------------------

void ClockCore::startChime(int kind, int count, bool custom) {
    ChimeCount = strikeCount(count);
    ChimesLeft = ChimeCount;
    if (!custom) {
        SoundService* sound = services().sound;
        EffectSound = sound ? sound->builtIn(kind) : nullptr;
    } else if (customSound_) {
        // The user's sound, also after a built-in sound was tried out in between.
        EffectSound = customSound_;
    }
    AnnounceReady = false;
    if (EffectSound) EffectSound->setVolume(Settings().Volume);
    Timer2.setMode(TimerMode::Repeat);
}

void ClockCore::chimeForTime(int hour, int minute) {
    startChime(Settings().SoundIndex, minute == 0 ? hour : 1, Settings().CustomSound);
}

void ClockCore::strike() {
    // With no sound to strike the chime ends here as if it had been struck: the clock must go
    // on ticking and announcing.
    if (!EffectSound) return endChime();
    if (EffectSound->IsPlaying()) return;
    const int k = ChimeCount - ChimesLeft + 1;
    const int pan = strikePan(k, ChimeCount);
    EffectSound->setPan(pan);
    EffectSound->Play();
    qCInfo(lcSound).noquote() << QStringLiteral("strike %1/%2 pan=%3 volume=%4 sound=%5")
                                     .arg(k)
                                     .arg(ChimeCount)
                                     .arg(pan)
                                     .arg(EffectSound->Volume())
                                     .arg(EffectSound->name());
    if (--ChimesLeft <= 0) endChime();
}

void ClockCore::endChime() {
    ChimesLeft = 0;
    Timer2.setMode(TimerMode::Off);
    Timer1.setPeriod(TickPeriod);
    Timer1.setMode(TimerMode::Repeat);
    AnnounceReady = true;
}

bool ClockCore::loadCustomSound(const QString& path) {
    SoundService* service = services().sound;
    if (path.isEmpty() || !service) return false;
    std::shared_ptr<SoundObject> sound = service->openAsSound(path);
    if (!sound) return false;
    sound->Play();
    EffectSound = sound;
    customSound_ = sound;

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

void ClockCore::previewCustomSound() {
    const QString stored = dataFile(QStringLiteral("MySound.wav"));
    SoundService* service = services().sound;
    if (stored.isEmpty() || !service || !QFileInfo::exists(stored)) return;
    if (std::shared_ptr<SoundObject> sound = service->openAsSound(stored)) {
        sound->Play();
        heard_ = std::move(sound);
    }
}

// Speech -----------------------------------------------------------------------------------

void ClockCore::loadPronunciations() {
    const QString path = dataFile(QStringLiteral("voice.txt"));
    if (path.isEmpty()) {
        qCWarning(lcFiles) << "no data folder: the pronunciation table stays empty";
        return;
    }
    loadTableFile(path, VoiceTable()); // unchanged when the file is missing; logged there
}

void ClockCore::queueSpeech(const QString& text) {
    SpeechText = text;
    Timer3.setMode(TimerMode::Once);
}

void ClockCore::announce(const QString& clockText) {
    AnnounceReady = false;
    queueSpeech(ComposeTime(clockText, VoiceTable()));
}

void ClockCore::announceTime() { queueSpeech(ComposeTime(clockText(), VoiceTable())); }

void ClockCore::announceDate(int month, int day, int weekday) {
    AnnounceReady = false;
    queueSpeech(ComposeDate(month, day, weekday, VoiceTable()));
}

void ClockCore::speakToday() {
    const QDate today = taku::Now().date();
    announceDate(today.month(), today.day(), dayOfWeek(today));
}

void ClockCore::handOverSpeech() {
    Speak(SpeechText, false);
    for (const QString& message : std::exchange(MessagesAfterSpeech, {}))
        Speak(message, false);
    Timer1.setPeriod(TickPeriod);
    Timer1.setMode(TimerMode::Repeat);
    AnnounceReady = true;
}

void ClockCore::speakTodaysEvents() {
    MessagesAfterSpeech.clear();
    const QDate today = taku::Now().date();
    const QString path = dataFile(QStringLiteral("event.txt"));
    ReadLimits limits;
    limits.maxLines = 10000;
    limits.maxLineBytes = 16 * 1024;
    limits.maxFileBytes = 8 * 1024 * 1024;
    const auto lines = readLines(path, limits);
    if (!lines) {
        qCInfo(lcFiles) << "no event table" << path;
        return;
    }
    const QStringList messages = messagesForDay(*lines, today.month(), today.day());
    if (messages.isEmpty()) return;

    // A date composed a moment ago waits for Timer3; messages spoken at once would come
    // before it, so they wait too.
    if (Timer3.Mode() == TimerMode::Once) {
        MessagesAfterSpeech = messages;
        return;
    }
    for (const QString& message : messages)
        Speak(message, false);
}

void ClockCore::preferencesLoaded() {
    if (Settings().CustomSound) openCustomSound();
    applySettings();
    TickPeriod = 1000;
}

void ClockCore::openCustomSound() {
    SoundService* sound = services().sound;
    EffectSound = sound ? sound->openAsSound(dataFile(QStringLiteral("MySound.wav"))) : nullptr;
    customSound_ = EffectSound;
    if (!EffectSound) qCWarning(lcFiles) << "MySound.wav did not open as a sound";
}

void ClockCore::stop() {
    Timer1.setMode(TimerMode::Off);
    Timer2.setMode(TimerMode::Off);
    Timer3.setMode(TimerMode::Off);
}

} // namespace taku
