#pragma once
// The preferences file "Taku.Prefs": one value per line, no keys; a line's meaning is its
// position. Flags are "True"/"False", numbers decimal text, colours three decimal components
// joined by TAB. One table names every line; reading, checking, writing and the first-run
// values all follow it. PreferencesFile is the file's one owner.

#include "base/Services.h"
#include "base/Settings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
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

// One line of the file. firstRun is the value of a first run, when no file could be opened;
// monostate keeps whatever the record holds. Any missing line reads as empty text (false, 0,
// black).
//
// Optional lines (quiet time and what follows it) come in blocks at the end of the file; a
// block is written only when it, or a block after it, holds something other than empty text,
// so a file keeps the length it had before the block existed. Unlike the other lines they are
// checked when read: a line that is there but is no flag ("True"/"False"), no number in
// 0..limit, or holds characters that can't be printed turns its choice off (clears turnsOff,
// or the line's own value) and logs
//   taku.files warning: Taku.Prefs line N unusable, CHOICE off: "TEXT" (its first 32 bytes)
struct PrefsLine final {
    int number;
    std::variant<int WindowPosition::*, bool SettingsRecord::*, std::int32_t SettingsRecord::*,
                 Rgb SettingsRecord::*, QString SettingsRecord::*>
        field;
    std::variant<std::monostate, bool, std::int32_t, Rgb> firstRun = {};
    int block = 0;                            // 0: a required line
    const char* choice = nullptr;             // what an unusable optional line turns off
    bool SettingsRecord::*turnsOff = nullptr; // that choice's flag; null: the line's own value
    std::int32_t limit = 0;                   // the largest number an optional line holds

    constexpr bool optional() const { return block != 0; }
};

inline constexpr std::int32_t kLastMinuteOfDay = 24 * 60 - 1;

// clang-format off
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
    // Optional: block, the choice an unusable line turns off, its flag, the largest number.
    PrefsLine{23, &SettingsRecord::QuietOn, {}, 1, "quiet hours", &SettingsRecord::QuietOn},
    PrefsLine{24, &SettingsRecord::QuietStart, {}, 1, "quiet hours", &SettingsRecord::QuietOn, kLastMinuteOfDay},
    PrefsLine{25, &SettingsRecord::QuietEnd, {}, 1, "quiet hours", &SettingsRecord::QuietOn, kLastMinuteOfDay},
    PrefsLine{26, &SettingsRecord::QuietWhenLocked, {}, 1, "quiet while locked", &SettingsRecord::QuietWhenLocked},
    PrefsLine{27, &SettingsRecord::SpeakKey, {}, 1, "speak-now key"},
    PrefsLine{28, &SettingsRecord::QuietWhenDnd, {}, 2, "quiet while notifications are muted", &SettingsRecord::QuietWhenDnd},
    PrefsLine{29, &SettingsRecord::QuietInCall, {}, 2, "quiet in a call", &SettingsRecord::QuietInCall},
    PrefsLine{30, &SettingsRecord::QuietWhenFullScreen, {}, 2, "quiet under a full-screen window", &SettingsRecord::QuietWhenFullScreen},
};
// clang-format on

inline constexpr int kPrefsLines = static_cast<int>(kPrefsTable.size());
// The lines every file has; a file without optional values ends after them.
inline constexpr int kPrefsRequiredLines = static_cast<int>(std::count_if(
    kPrefsTable.begin(), kPrefsTable.end(), [](const PrefsLine& row) { return !row.optional(); }));

// Reads the lines of a preferences file into the values. Only the optional lines are compared
// with their ranges.
void parsePrefs(const QList<QByteArray>& lines, PrefsValues& values);

// The lines of a preferences file, without their ends.
QList<QByteArray> formatPrefs(const PrefsValues& values);

// The values of a first run, when no preferences file could be opened.
void applyFirstRunValues(SettingsRecord& record);

QByteArray formatColor(const Rgb& color);
Rgb parseColor(const QString& line);

// Taku.Prefs in the data folder, and the strip's place, which the file keeps with the settings.
class PreferencesFile final : public QObject, public SettingsFile {
    Q_OBJECT
public:
    explicit PreferencesFile(QObject* parent = nullptr) : QObject(parent) {}

    // Reads the file into the settings store and the place; a first run's values when no file
    // opens. True when a file was read (and positionLoaded was emitted).
    bool load();
    // Writes the store's settings and the place, through a temporary file; false (with a
    // taku.files warning) when it could not.
    bool save() const override;

    WindowPosition position() const { return position_; }
    void setPosition(int left, int top) { position_ = {top, left}; }

Q_SIGNALS:
    void positionLoaded(int left, int top);

private:
    WindowPosition position_;
};

} // namespace taku
