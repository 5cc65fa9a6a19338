#pragma once
// Quiet hours, the screen lock and a busy desktop: when a chime or a spoken time is left out, and
// what a wake from sleep still owes the user. The choices are kept in the settings record (and the
// preferences file's optional lines).
//   taku.quiet info: "skipped chime|speech HH:MM reason=quiet-hours|locked|dnd|call|fullscreen"
//   for each sound left out, "skipped alarm HH:MM reason=late" for an alarm that passed too long
//   ago in sleep.

#include "base/Settings.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QString>
#include <QTime>

Q_DECLARE_LOGGING_CATEGORY(lcQuiet)

namespace taku {

inline constexpr int kMinutesPerDay = 24 * 60;

// The user's choices; all off by default. startMinute == endMinute means no quiet time.
struct QuietSettings final {
    bool on = false;             // quiet hours in use
    int startMinute = 0;         // minutes after midnight, 0..1439
    int endMinute = 0;           // the first minute that may sound again, 0..1439
    bool whenLocked = false;     // no sound while the screen is locked
    QString shortcut;            // speak-now key, Qt's portable key-sequence text; empty for none
    bool whenDnd = false;        // no sound while the desktop's notifications are muted
    bool inCall = false;         // no sound while something records from a microphone
    bool whenFullScreen = false; // no sound while a full-screen window has the focus
    friend bool operator==(const QuietSettings&, const QuietSettings&) = default;
};

// What the desktop says now, as far as the choices ask it.
struct DesktopState final {
    bool locked = false;     // the screen is locked
    bool dnd = false;        // notifications are muted (do not disturb)
    bool inCall = false;     // an application records from a microphone
    bool fullScreen = false; // the focused window is full screen
    friend bool operator==(const DesktopState&, const DesktopState&) = default;
};

enum class SoundKind { Chime, Speech, Alarm };
// In the order they are asked: the first that holds names the skip.
enum class SkipReason { None, QuietHours, Locked, Dnd, Call, FullScreen };

// Whether minute (0..1439) lies in [start, end), the range running past midnight when
// start > end.
bool inQuietRange(int startMinute, int endMinute, int minute);

// Why a sound of that kind due at time should be left out, or None. The alarm always sounds.
SkipReason quietReason(const QuietSettings& settings, const DesktopState& desktop, SoundKind kind,
                       QTime time);

// The taku.quiet line of a sound left out: "skipped chime 23:00 reason=quiet-hours".
QString skipLine(SoundKind kind, QTime time, SkipReason reason);
QString lateAlarmLine(QTime alarm);

// quietReason, logging the skip line when the sound is left out; true when it may sound.
bool mayMakeSound(const QuietSettings& settings, const DesktopState& desktop, SoundKind kind,
                  QTime time);

// What a wake from sleep (or a jump of the wall clock) does about the alarm. Chimes and spoken
// times whose minute passed meanwhile are never replayed; only the alarm is owed.
enum class MissedAlarm { None, SoundNow, TooLate };
inline constexpr int kLateAlarmSeconds = 10 * 60;

// lastTick: the last second the clock handled before the gap; now: the first one after it,
// which the clock handles as usual. The alarm at alarmHour:alarmMinute:00 is missed when its
// latest occurrence before now falls after lastTick; it sounds when at most ten minutes late.
MissedAlarm missedAlarm(const QDateTime& lastTick, const QDateTime& now, int alarmHour,
                        int alarmMinute);

// The choices as the settings record holds them, and back.
QuietSettings quietSettings(const SettingsRecord& record);
void setQuietSettings(SettingsRecord& record, const QuietSettings& settings);

} // namespace taku
