#pragma once
// The preferences file "Taku.Prefs": one value per line, no keys; a line's meaning is its
// position. Flags are "True"/"False", numbers decimal text, colours three decimal components
// joined by TAB. One table names every line; reading, writing and the first-run values all
// follow it.

#include "base/Settings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <variant>

namespace taku {

struct WindowPosition final {
    int Top = 0;
    int Left = 0;
    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// What one file holds: the strip's position and the settings.
struct PrefsValues final {
    WindowPosition position;
    SettingsRecord settings;
};

// One line of the file. The optional lines (quiet time) are read by parseQuietLines, which
// checks their ranges, and are written only when one of them holds something other than empty
// text (false, 0, nothing); any other missing line reads as empty text (false, 0, black). firstRun
// is the value of a first run, when no file could be opened; monostate keeps whatever the record
// holds.
struct PrefsLine final {
    int number;
    std::variant<int WindowPosition::*, bool SettingsRecord::*, std::int32_t SettingsRecord::*,
                 Rgb SettingsRecord::*, QString SettingsRecord::*>
        field;
    std::variant<std::monostate, bool, std::int32_t, Rgb> firstRun = {};
    bool optional = false;
};

inline constexpr std::array kPrefsTable{
    PrefsLine{1, &WindowPosition::Top},
    PrefsLine{2, &WindowPosition::Left},
    PrefsLine{3, &SettingsRecord::ShowSeconds, true},
    PrefsLine{4, &SettingsRecord::ShowAMPM, true},
    PrefsLine{5, &SettingsRecord::ShowWeek, true},
    PrefsLine{6, &SettingsRecord::Show24Hour, true},
    PrefsLine{7, &SettingsRecord::ShowAnalog},
    PrefsLine{8, &SettingsRecord::SmallView},
    PrefsLine{9, &SettingsRecord::AnnounceOn},
    PrefsLine{10, &SettingsRecord::IntervalIndex},
    PrefsLine{11, &SettingsRecord::Transparency, std::int32_t{100}},
    PrefsLine{12, &SettingsRecord::TextColor, Rgb{0, 0, 0}},
    PrefsLine{13, &SettingsRecord::BackColor, Rgb{255, 255, 255}},
    PrefsLine{14, &SettingsRecord::SoundOn},
    PrefsLine{15, &SettingsRecord::SoundIndex},
    PrefsLine{16, &SettingsRecord::Volume, std::int32_t{100}},
    PrefsLine{17, &SettingsRecord::CustomSound},
    PrefsLine{18, &SettingsRecord::SpeakDateAtStart},
    PrefsLine{19, &SettingsRecord::AlarmOn},
    PrefsLine{20, &SettingsRecord::AlarmHour},
    PrefsLine{21, &SettingsRecord::AlarmMinute},
    PrefsLine{22, &SettingsRecord::AlarmRepeat},
    PrefsLine{23, &SettingsRecord::QuietOn, {}, true},
    PrefsLine{24, &SettingsRecord::QuietStart, {}, true},
    PrefsLine{25, &SettingsRecord::QuietEnd, {}, true},
    PrefsLine{26, &SettingsRecord::QuietWhenLocked, {}, true},
    PrefsLine{27, &SettingsRecord::SpeakKey, {}, true},
};

inline constexpr int kPrefsLines = static_cast<int>(kPrefsTable.size());
// The lines every file has; a file without optional values ends after them.
inline constexpr int kPrefsRequiredLines = static_cast<int>(std::count_if(
    kPrefsTable.begin(), kPrefsTable.end(), [](const PrefsLine& row) { return !row.optional; }));

// Reads the lines of a preferences file into the values. No value is compared with its range,
// except the quiet-time lines: one out of range turns its choice off.
void parsePrefs(const QList<QByteArray>& lines, PrefsValues& values);

// The lines of a preferences file, without their ends.
QList<QByteArray> formatPrefs(const PrefsValues& values);

// The values of a first run, when no preferences file could be opened.
void applyFirstRunValues(SettingsRecord& record);

QByteArray formatColor(const Rgb& color);
Rgb parseColor(const QString& line);

} // namespace taku
