#include "prefs/PrefsFile.h"

#include "app/Text.h"

namespace taku {

namespace {
bool flag(const QString& line) { return line == QLatin1String("True"); }
QByteArray flagText(bool value) { return value ? "True" : "False"; }
QByteArray number(std::int64_t value) { return Str(value).toLatin1(); }
} // namespace

Rgb parseColor(const QString& line) {
    const QString tab(QChar(u'\t'));
    return {ValInt(NthField(line, tab, 1)), ValInt(NthField(line, tab, 2)),
            ValInt(NthField(line, tab, 3))};
}

QByteArray formatColor(const Rgb& c) {
    return number(c.r) + '\t' + number(c.g) + '\t' + number(c.b);
}

void parsePrefs(const QList<QByteArray>& lines, WindowPosition& pos, SettingsRecord& r) {
    const auto line = [&lines](int n) {
        return n - 1 < lines.size() ? QString::fromUtf8(lines[n - 1]) : QString();
    };
    pos.Top = ValInt(line(1));
    pos.Left = ValInt(line(2));
    r.ShowSeconds = flag(line(3));
    r.ShowAMPM = flag(line(4));
    r.ShowWeek = flag(line(5));
    r.Show24Hour = flag(line(6));
    r.ShowAnalog = flag(line(7));
    r.SmallView = flag(line(8));
    r.AnnounceOn = flag(line(9));
    r.IntervalIndex = ValInt(line(10));
    r.Transparency = ValInt(line(11));
    r.TextColor = parseColor(line(12));
    r.BackColor = parseColor(line(13));
    r.SoundOn = flag(line(14));
    r.SoundIndex = ValInt(line(15));
    r.Volume = ValInt(line(16));
    r.CustomSound = flag(line(17));
    r.SpeakDateAtStart = flag(line(18));
    r.AlarmOn = flag(line(19));
    r.AlarmHour = ValInt(line(20));
    r.AlarmMinute = ValInt(line(21));
    r.AlarmRepeat = ValInt(line(22));
}

QList<QByteArray> formatPrefs(const WindowPosition& pos, const SettingsRecord& r) {
    return {number(pos.Top),         number(pos.Left),
            flagText(r.ShowSeconds), flagText(r.ShowAMPM),
            flagText(r.ShowWeek),    flagText(r.Show24Hour),
            flagText(r.ShowAnalog),  flagText(r.SmallView),
            flagText(r.AnnounceOn),  number(r.IntervalIndex),
            number(r.Transparency),  formatColor(r.TextColor),
            formatColor(r.BackColor), flagText(r.SoundOn),
            number(r.SoundIndex),    number(r.Volume),
            flagText(r.CustomSound), flagText(r.SpeakDateAtStart),
            flagText(r.AlarmOn),     number(r.AlarmHour),
            number(r.AlarmMinute),   number(r.AlarmRepeat)};
}

} // namespace taku
