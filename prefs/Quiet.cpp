#include "prefs/Quiet.h"

#include "base/Logging.h"

Q_LOGGING_CATEGORY(lcQuiet, "taku.quiet", QtCriticalMsg)

namespace taku {

namespace {
// The names the log lines give, in the order of the enumerations.
constexpr const char* kKindNames[] = {"chime", "speech", "alarm"};
constexpr const char* kReasonNames[] = {"none", "quiet-hours", "locked",
                                        "dnd",  "call",        "fullscreen"};
} // namespace

bool inQuietRange(int startMinute, int endMinute, int minute) {
    if (startMinute == endMinute) return false;
    if (startMinute < endMinute) return minute >= startMinute && minute < endMinute;
    return minute >= startMinute || minute < endMinute;
}

SkipReason quietReason(const QuietSettings& settings, const DesktopState& desktop, SoundKind kind,
                       QTime time) {
    if (kind == SoundKind::Alarm) return SkipReason::None;
    const int minute = time.hour() * 60 + time.minute();
    if (settings.on && inQuietRange(settings.startMinute, settings.endMinute, minute))
        return SkipReason::QuietHours;
    if (settings.whenLocked && desktop.locked) return SkipReason::Locked;
    if (settings.whenDnd && desktop.dnd) return SkipReason::Dnd;
    if (settings.inCall && desktop.inCall) return SkipReason::Call;
    if (settings.whenFullScreen && desktop.fullScreen) return SkipReason::FullScreen;
    return SkipReason::None;
}

QString skipLine(SoundKind kind, QTime time, SkipReason reason) {
    return QStringLiteral("skipped %1 %2 reason=%3")
        .arg(QLatin1String(kKindNames[static_cast<int>(kind)]),
             time.toString(QStringLiteral("HH:mm")),
             QLatin1String(kReasonNames[static_cast<int>(reason)]));
}

QString lateAlarmLine(QTime alarm) {
    return QStringLiteral("skipped alarm %1 reason=late")
        .arg(alarm.toString(QStringLiteral("HH:mm")));
}

bool mayMakeSound(const QuietSettings& settings, const DesktopState& desktop, SoundKind kind,
                  QTime time) {
    const SkipReason reason = quietReason(settings, desktop, kind, time);
    if (reason == SkipReason::None) return true;
    qCInfo(lcQuiet).noquote() << skipLine(kind, time, reason);
    return false;
}

MissedAlarm missedAlarm(const QDateTime& lastTick, const QDateTime& now, int alarmHour,
                        int alarmMinute) {
    const QTime at(alarmHour, alarmMinute);
    if (!at.isValid() || !lastTick.isValid() || !now.isValid()) return MissedAlarm::None;
    // Whole seconds: the second "now" itself is the clock's to handle.
    const qint64 last = lastTick.toSecsSinceEpoch();
    const qint64 current = now.toSecsSinceEpoch();
    const QDate today = now.toLocalTime().date();
    QDateTime due(today, at);
    if (due.toSecsSinceEpoch() >= current) due = QDateTime(today.addDays(-1), at);
    const qint64 dueSecs = due.toSecsSinceEpoch();
    if (dueSecs <= last) return MissedAlarm::None;
    if (current - dueSecs <= kLateAlarmSeconds) return MissedAlarm::SoundNow;
    qCInfo(lcQuiet).noquote() << lateAlarmLine(at);
    return MissedAlarm::TooLate;
}

QuietSettings quietSettings(const SettingsRecord& r) {
    return {r.QuietOn,  r.QuietStart,   r.QuietEnd,    r.QuietWhenLocked,
            r.SpeakKey, r.QuietWhenDnd, r.QuietInCall, r.QuietWhenFullScreen};
}

void setQuietSettings(SettingsRecord& r, const QuietSettings& s) {
    r.QuietOn = s.on;
    r.QuietStart = s.startMinute;
    r.QuietEnd = s.endMinute;
    r.QuietWhenLocked = s.whenLocked;
    r.SpeakKey = s.shortcut;
    r.QuietWhenDnd = s.whenDnd;
    r.QuietInCall = s.inCall;
    r.QuietWhenFullScreen = s.whenFullScreen;
}

} // namespace taku
