#pragma once
// The clock's behaviour over time, without a window: the per-second tick and what it decides
// at second 0, the chime and its strikes, the spoken time, date and events. It follows the
// settings store (which the preferences file fills); what the strip must show is announced
// through signals.

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

// What second 0 of the minute after `time` will start, judged ahead as if nothing were under
// way then, so that its sound can be got ready.
SecondZero dueAtNextMinute(const SettingsRecord& settings, int intervalMinutes, const QTime& time);

// Shows the strip's text for the coming seconds by itself, so that the clock need not wake
// for seconds in which it decides nothing. The strip's window offers it where it can.
class AheadDisplay {
public:
    virtual ~AheadDisplay() = default;
    // Takes the texts of the seconds starting at firstSecondMs, one a second; false when it
    // cannot show them.
    virtual bool showAhead(qint64 firstSecondMs, const QStringList& texts) = 0;
    // Stops showing texts ahead; returns the start of the last second it showed, or -1.
    virtual qint64 dropAhead() = 0;
};

class ClockCore final : public QObject, public ClockCommands {
    Q_OBJECT
public:
    explicit ClockCore(QObject* parent = nullptr);

    // Timer1 ticks at every wall-clock second; Timer2 strikes the chime; Timer3 hands the
    // spoken text to the synthesizer a moment after it was composed.
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
    // Lets the ticks that would only show the next text be skipped while `display` shows it.
    void setAheadDisplay(AheadDisplay* display) { ahead_ = display; }
    // The display stopped by itself after showing the second starting at lastShownMs (-1:
    // none); late: a second came later than its time (the clock was set, the machine slept).
    void aheadStopped(qint64 lastShownMs, bool late);

    // ClockCommands
    QString clockText() const override;
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
    void planAhead(const ClockLayout& layout);
    void endAhead(qint64 lastShownMs);

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
    AheadDisplay* ahead_ = nullptr;
    bool planned_ = false; // ahead_ shows the coming seconds and Timer1 skips them
};

} // namespace taku
