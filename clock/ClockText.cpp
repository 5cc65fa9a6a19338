#include "clock/ClockText.h"

#include "base/Settings.h"

#include <algorithm>
#include <cmath>

namespace taku {

QString Get_Week(int dayOfWeek) {
    static const char16_t* const names[] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};
    if (dayOfWeek < 1 || dayOfWeek > 7) return {};
    return QString::fromUtf16(names[dayOfWeek - 1]);
}

int dayOfWeek(const QDate& date) {
    return date.dayOfWeek() % 7 + 1; // Qt counts Monday = 1 .. Sunday = 7
}

QString dateTitle(const QDate& date) {
    return QStringLiteral("%1.%2.%3 %4")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(Get_Week(dayOfWeek(date)));
}

namespace {
void appendTwoDigits(QString& text, int value) {
    text.append(QChar(u'0' + value / 10));
    text.append(QChar(u'0' + value % 10));
}
} // namespace

ClockLayout composeClock(const QDateTime& now, const DisplayFlags& flags) {
    ClockLayout out;
    const QTime t = now.time();
    const int hour = t.hour();
    out.width = 45;
    if (flags.ShowWeek) {
        out.text = Get_Week(dayOfWeek(now.date()));
        out.width += 18;
    }
    out.text.append(u' ');
    if (flags.ShowAMPM) {
        out.text.append(hour < 12 ? u"午前" : u"午後");
        out.width += 20;
    }
    out.text.append(QString::number(flags.Show24Hour ? hour : hour % 12));
    out.text.append(u':');
    appendTwoDigits(out.text, t.minute());
    if (flags.ShowSeconds) {
        out.text.append(u':');
        appendTwoDigits(out.text, t.second());
        out.width += 20;
    }
    if (flags.SmallView) {
        out.faceVisible = true;
        out.width = 22;
        out.textVisible = false;
    } else {
        out.textVisible = true;
        if (flags.ShowAnalog) {
            out.faceVisible = true;
            out.width += 20;
        }
    }
    return out;
}

FaceHands faceHands(int hour, int minute, int second) {
    constexpr double pi = 3.141592;
    const auto end = [](double length, double angle) {
        return QPoint(static_cast<int>(9 + length * std::sin(angle)),
                      static_cast<int>(9 - length * std::cos(angle)));
    };
    const double hourAngle = (hour * 60 + minute) * 2 * pi / 720;
    const double minuteAngle = minute * 2 * pi / 60;
    const double secondAngle = second * 2 * pi / 60;
    return {end(6, hourAngle), end(8, minuteAngle), end(9, secondAngle)};
}

} // namespace taku

namespace taku {

SecondZero decideAtSecond(const SettingsRecord& s, int intervalMinutes, const QTime& time,
                          bool announceReady) {
    if (time.second() != 0 || !announceReady) return SecondZero::Nothing;
    if (s.AlarmOn && s.AlarmHour == time.hour() && s.AlarmMinute == time.minute())
        return s.SoundOn || s.CustomSound ? SecondZero::AlarmChime : SecondZero::AlarmSpeech;
    const int interval = intervalMinutes > 0 ? intervalMinutes : 60;
    if (time.minute() % interval != 0) return SecondZero::Nothing;
    if (s.SoundOn || s.CustomSound) return SecondZero::IntervalChime;
    if (s.AnnounceOn) return SecondZero::SpokenTime;
    return SecondZero::Nothing;
}

int strikeCount(int count) {
    int n = count % 12;
    if (n == 0) n = 12;
    return std::max(1, n);
}

int strikePan(int k, int count) {
    const double step = 200.0 / (count + 1);
    return static_cast<int>(step * k - 100.0);
}

} // namespace taku
