#pragma once
// The clock's behaviour over time, without a window: the tick and what it decides at second
// 0, the chime and its strikes, the spoken time, date and events. It follows the settings
// store (which the preferences file fills); what the strip must show is announced through
// signals.

#include "base/Services.h"
#include "base/Settings.h"
#include "base/Timer.h"
#include "base/ZoneWatch.h"
#include "clock/ClockText.h"
#include "prefs/Quiet.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <memory>

namespace taku {

class ClockCore final : public QObject, public ClockCommands {
    Q_OBJECT
public:
    explicit ClockCore(QObject* parent = nullptr);

    // Timer1 ticks at every wall-clock second, with the seconds hidden only at those that change
    // the strip or decide something; Timer2 strikes the chime; Timer3 hands the spoken text to
    // the synthesizer a moment after it was composed.
    Timer Timer1{kEveryWallSecond, TimerMode::Repeat};
    Timer Timer2{100};
    Timer Timer3{100};

    QDateTime Now;
    int LastDay = 0;
    QString Title;      // the strip's title: the date
    QString TimeText;   // the strip's text at the last tick
    QString SpeechText; // what Timer3 hands over next
    // Today's event messages found at opening while the start-up date waits for Timer3.
    QStringList MessagesAfterSpeech;
    // False while a chime strikes or a spoken date waits: nothing new starts at second 0.
    bool AnnounceReady = false;
    int IntervalMinutes = 0;
    int TickPeriod = 0; // Timer1's period for the tick right after a chime or speech
    std::shared_ptr<SoundObject> EffectSound;
    int ChimeCount = 0;
    int ChimesLeft = 0;

    // The pronunciation table, the date at start-up and today's events, with the settings
    // the store holds (the preferences file is read before).
    void open();
    void tick();
    void strike();
    void handOverSpeech();
    void startChime(int kind, int count, bool custom);
    void chimeForTime(int hour, int minute);
    void announce(const QString& clockText);
    void announceTime();
    void announceDate(int month, int day, int weekday);
    // The settings were read anew: the user's own sound is opened again if it is chosen.
    void preferencesLoaded();
    void loadPronunciations();
    void speakTodaysEvents();
    void updateInterval();
    void stop();
    void watchZoneFile(const QString& path) { zoneWatch_ = ZoneWatch(path); }
    // What the desktop says (the screen locked, notifications muted, a call, a full-screen
    // window); the desktop session keeps it up to date.
    void setScreenLocked(bool locked) { desktop_.locked = locked; }
    void setDesktopState(const DesktopState& state) { desktop_ = state; }
    const DesktopState& desktopState() const { return desktop_; }
    // The wall clock was set or the machine woke: the tick runs at once, not at the next second.
    void wake();

    // ClockCommands
    QString clockText() const override { return TimeText; }
    QString dateText() const override { return Title; }
    void speakTimeNow() override { announce(clockText()); }
    void speakClockText(const QString& clockText) override { announce(clockText); }
    void speakDate(int month, int day, int weekday) override { announceDate(month, day, weekday); }
    void speakToday() override;
    void previewSound(int kind) override { startChime(kind, 2, false); }
    bool loadCustomSound(const QString& path) override;
    void previewCustomSound() override;

Q_SIGNALS:
    void textShown(const QString& text, bool visible);
    void faceShown(bool visible);
    void widthChanged(int width);
    void titleChanged(const QString& title);
    void colorsChanged(const taku::Rgb& text, const taku::Rgb& back);
    void opacityChanged(double opacity);

private:
    void applySettings();
    void queueSpeech(const QString& text);
    void endChime();
    void soundAlarm();
    void getReadyForNextMinute();
    void expectOnset(SecondZero started);
    void sleepUntilNextChange();

    void showTitle();
    void openCustomSound();

    int width_ = 0;
    std::shared_ptr<SoundObject> customSound_; // the user's sound once opened
    std::shared_ptr<SoundObject> heard_;       // the custom sound tried out, kept to its end
    ZoneWatch zoneWatch_;
    qint64 zoneMinute_ = -1;
    DesktopState desktop_;
    QDateTime lastTick_;
    qint64 readyFor_ = 0; // the minute (ms since the epoch) whose sound was got ready
};

} // namespace taku
