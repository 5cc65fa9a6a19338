#include "prefs/Quiet.h"

#include "base/Logging.h"

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcQuiet, "taku.quiet", QtCriticalMsg)

namespace taku {

namespace {

QString kindName(SoundKind kind) {
    switch (kind) {
    case SoundKind::Chime:
        return QStringLiteral("chime");
    case SoundKind::Speech:
        return QStringLiteral("speech");
    case SoundKind::Alarm:
        return QStringLiteral("alarm");
    }
    return {};
}

QString reasonName(SkipReason reason) {
    switch (reason) {
    case SkipReason::QuietHours:
        return QStringLiteral("quiet-hours");
    case SkipReason::Locked:
        return QStringLiteral("locked");
    case SkipReason::None:
        break;
    }
    return QStringLiteral("none");
}

std::optional<bool> readFlag(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t == "True") return true;
    if (t == "False") return false;
    return std::nullopt;
}

std::optional<int> readMinute(const QByteArray& line) {
    bool ok = false;
    const int value = line.trimmed().toInt(&ok);
    if (!ok || value < 0 || value >= kMinutesPerDay) return std::nullopt;
    return value;
}

} // namespace

bool inQuietRange(int startMinute, int endMinute, int minute) {
    if (startMinute == endMinute) return false;
    if (startMinute < endMinute) return minute >= startMinute && minute < endMinute;
    return minute >= startMinute || minute < endMinute;
}

SkipReason quietReason(const QuietSettings& settings, bool screenLocked, SoundKind kind,
                       QTime time) {
    if (kind == SoundKind::Alarm) return SkipReason::None;
    const int minute = time.hour() * 60 + time.minute();
    if (settings.on && inQuietRange(settings.startMinute, settings.endMinute, minute))
        return SkipReason::QuietHours;
    if (settings.whenLocked && screenLocked) return SkipReason::Locked;
    return SkipReason::None;
}

QString skipLine(SoundKind kind, QTime time, SkipReason reason) {
    return QStringLiteral("skipped %1 %2 reason=%3")
        .arg(kindName(kind), time.toString(QStringLiteral("HH:mm")), reasonName(reason));
}

QString lateAlarmLine(QTime alarm) {
    return QStringLiteral("skipped alarm %1 reason=late")
        .arg(alarm.toString(QStringLiteral("HH:mm")));
}

bool mayMakeSound(const QuietSettings& settings, bool screenLocked, SoundKind kind, QTime time) {
    const SkipReason reason = quietReason(settings, screenLocked, kind, time);
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

QuietSettings parseQuietLines(const QList<QByteArray>& fileLines) {
    const auto line = [&](int n) {
        const int index = kQuietFirstLine + n;
        return index < fileLines.size() ? fileLines.at(index) : QByteArray();
    };
    // A line that is there but can't be read turns its choice off, and says so; a missing or
    // empty line is simply off.
    const auto usable = [&](int n, bool ok, const char* choice) {
        if (!ok && !line(n).trimmed().isEmpty())
            qCWarning(lcFiles).nospace()
                << "Taku.Prefs line " << kQuietFirstLine + n + 1 << " unusable, " << choice
                << " off: " << QString::fromUtf8(line(n).left(32));
        return ok;
    };
    QuietSettings s;
    const std::optional<bool> on = readFlag(line(0));
    const std::optional<int> start = readMinute(line(1));
    const std::optional<int> end = readMinute(line(2));
    const bool onRead = usable(0, on.has_value(), "quiet hours");
    const bool startRead = usable(1, start.has_value(), "quiet hours");
    const bool endRead = usable(2, end.has_value(), "quiet hours");
    s.on = onRead && startRead && endRead && *on;
    s.startMinute = start.value_or(0);
    s.endMinute = end.value_or(0);
    const std::optional<bool> whenLocked = readFlag(line(3));
    s.whenLocked = usable(3, whenLocked.has_value(), "quiet while locked") && *whenLocked;
    const QString shortcut = QString::fromUtf8(line(4)).trimmed();
    const bool printable =
        std::all_of(shortcut.cbegin(), shortcut.cend(), [](QChar c) { return c.isPrint(); });
    if (usable(4, printable, "speak-now key")) s.shortcut = shortcut;
    return s;
}

QuietSettings quietSettings(const SettingsRecord& r) {
    return {r.QuietOn, r.QuietStart, r.QuietEnd, r.QuietWhenLocked, r.SpeakKey};
}

void setQuietSettings(SettingsRecord& r, const QuietSettings& s) {
    r.QuietOn = s.on;
    r.QuietStart = s.startMinute;
    r.QuietEnd = s.endMinute;
    r.QuietWhenLocked = s.whenLocked;
    r.SpeakKey = s.shortcut;
}

} // namespace taku
