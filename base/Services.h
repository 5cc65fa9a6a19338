#pragma once
// The platform services the logic relies on, each behind a small interface so tests can put
// a recording fake in place of the real backend.

#include "base/Settings.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

namespace taku {

// The current local date and time. Everything that asks "what time is it" asks this.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual QDateTime now() const = 0;
    // The same instant as milliseconds since the epoch, for timing that needs no time zone.
    virtual qint64 msecsSinceEpoch() const { return now().toMSecsSinceEpoch(); }
};

class SystemClock final : public ClockSource {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 msecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

// Hands a text to the speech synthesizer and returns at once. With interrupt false a text
// waits until the speech before it has been heard in full.
class Speech {
public:
    virtual ~Speech() = default;
    virtual void Speak(const QString& text, bool interrupt) = 0;
    // Gets a text ready ahead of its Speak, due shortly, so that it sounds at once then.
    virtual void prepare(const QString& /*text*/) {}
    // The next Speak starts a text due at dueEpochMs (the wall clock, ms since the epoch).
    virtual void expectOnset(qint64 /*dueEpochMs*/) {}
};

// One playable sound. Volume (0..100) and pan (-100 left .. 100 right) stay until changed.
class SoundObject {
public:
    virtual ~SoundObject() = default;
    virtual void Play() = 0;
    virtual bool IsPlaying() const = 0;
    virtual void setVolume(int volume) = 0;
    virtual int Volume() const = 0;
    virtual void setPan(int pan) = 0;
    virtual int Pan() const = 0;
    // "church", "cuculus", "oldclock", "dog", "cat" or "custom".
    virtual QString name() const = 0;
};

class SoundService {
public:
    virtual ~SoundService() = default;
    // The built-in sound of a kind (0 church, 1 cuckoo, 2 old clock, 3 dog, 4 cat), loaded on
    // first use and the same object on every later call; null outside 0..4 or when it can't load.
    virtual std::shared_ptr<SoundObject> builtIn(int kind) = 0;
    // A new sound object from a file; null when the file does not open as a sound.
    virtual std::shared_ptr<SoundObject> openAsSound(const QString& path) = 0;
    // Opens the output ahead of a sound due shortly; returns at once.
    virtual void warmUp() {}
    // The next sound played starts a chime due at dueEpochMs (the wall clock, ms since the epoch).
    virtual void expectOnset(qint64 /*dueEpochMs*/) {}
};

// The dialogs the windows ask the user through. Cancel gives nullopt or an empty path.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual std::optional<Rgb> SelectColor(const Rgb& initial, const QString& prompt) = 0;
    // filter: a Qt name filter such as "text (*.txt)", or empty for any file.
    virtual QString GetOpenFolderItem(const QString& filter) = 0;
    virtual QString GetSaveFolderItem(const QString& proposedName) = 0;
};

class Browser {
public:
    virtual ~Browser() = default;
    virtual void ShowURL(const QString& url) = 0;
};

// What the windows ask of the clock: the settings window's and the table editor's buttons.
class ClockCommands {
public:
    virtual ~ClockCommands() = default;
    // The text the strip shows now, e.g. "日 午後11:59:59".
    virtual QString clockText() const = 0;
    // The date in the strip's title, e.g. "2006.12.24 日".
    virtual QString dateText() const = 0;
    // Speaks the time the strip shows now.
    virtual void speakTimeNow() = 0;
    // Speaks a strip text such as "日 午後11:59:59" (the table editor's try-out).
    virtual void speakClockText(const QString& clockText) = 0;
    // Speaks a date; weekday 1 (Sunday) .. 7.
    virtual void speakDate(int month, int day, int weekday) = 0;
    // Speaks today's date.
    virtual void speakToday() = 0;
    // Strikes a built-in sound twice, whatever sound the chime is set to.
    virtual void previewSound(int kind) = 0;
    // Plays a file as the chime and keeps a copy as MySound.wav; false when it is no sound.
    virtual bool loadCustomSound(const QString& path) = 0;
    // Plays the kept MySound.wav once.
    virtual void previewCustomSound() = 0;
};

// The file the settings are kept in; the settings window's save button writes it at once.
class SettingsFile {
public:
    virtual ~SettingsFile() = default;
    // Writes the settings now; false when they could not be written.
    virtual bool save() const = 0;
};

// The services in use. main() installs the real ones; tests install fakes.
struct Services final {
    ClockSource* clock = nullptr;
    Speech* speech = nullptr;
    SoundService* sound = nullptr;
    Dialogs* dialogs = nullptr;
    Browser* browser = nullptr;
    ClockCommands* commands = nullptr; // the clock, once it exists
    SettingsFile* settingsFile = nullptr;
};

Services& services();

// Shorthands used throughout.
QDateTime Now();
// The same instant as milliseconds since the epoch.
qint64 NowMSecs();
void Speak(const QString& text, bool interrupt = false);

} // namespace taku
