#pragma once
// What the clock strip shows, as pure functions of the time and the display settings.

#include "base/Settings.h"
#include <QDateTime>

#include <QPoint>
#include <QString>

namespace taku {

// The one-character weekday name for 1 (Sunday) .. 7 (Saturday); empty for any other number.
QString Get_Week(int dayOfWeek);

// 1 = Sunday .. 7 = Saturday, as the clock counts weekdays.
int dayOfWeek(const QDate& date);

// "2006.12.24 日": year, month and day without leading zeros, a space and the weekday.
QString dateTitle(const QDate& date);

struct ClockLayout final {
    QString text;   // e.g. "日 午後23:59:59"; kept also in the small view
    int width = 45; // window width in pixels
    bool textVisible = true;
    bool faceVisible = false;
};

ClockLayout composeClock(const QDateTime& now, const DisplayFlags& flags);

// End points of the analog face's hands in the 20-pixel canvas (centre 9, 9).
struct FaceHands final {
    QPoint hour;   // length 6
    QPoint minute; // length 8
    QPoint second; // length 9: the top-left corner of the 2x2 second marker
};

FaceHands faceHands(int hour, int minute, int second);

} // namespace taku

// What the clock does at second 0 of a minute. The alarm comes first; a chime and a spoken
// time never share a second.
namespace taku {

enum class SecondZero { Nothing, AlarmChime, AlarmSpeech, IntervalChime, SpokenTime };

// intervalMinutes 0 (never set) counts as hourly. Nothing starts while announceReady is false
// (a chime or a spoken text is still under way).
SecondZero decideAtSecond(const SettingsRecord& settings, int intervalMinutes, const QTime& time,
                          bool announceReady);

// Strikes for a count on the 12-hour dial: 0 and 12 strike 12 times, 13 once. A negative
// count (a repeat count typed as one) strikes once.
int strikeCount(int count);

// The pan of strike k (1..count) of a chime: evenly spaced from left (-100) to right (100).
int strikePan(int k, int count);

} // namespace taku
