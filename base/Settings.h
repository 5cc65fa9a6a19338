#pragma once
// The one set of application-wide preferences: a plain record behind a store that announces
// every change, so whoever shows a setting can follow it.

#include <QObject>
#include <QString>
#include <cstdint>
#include <type_traits>

namespace taku {

struct Rgb final {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    Rgb inverse() const { return {255 - r, 255 - g, 255 - b}; }
};

// What the strip shows: the part of the settings the clock text is composed from.
struct DisplayFlags {
    bool ShowWeek = false;
    bool ShowAMPM = false;
    bool Show24Hour = false;
    bool ShowSeconds = false;
    bool SmallView = false;
    bool ShowAnalog = false;
    friend bool operator==(const DisplayFlags&, const DisplayFlags&) = default;
};

struct SettingsRecord final : DisplayFlags {
    bool AlarmOn = false;
    std::int32_t AlarmHour = 0;
    std::int32_t AlarmMinute = 0;
    bool SoundOn = false;
    bool CustomSound = false;
    std::int32_t SoundIndex = 0;
    std::int32_t AlarmRepeat = 0;
    bool AnnounceOn = false;
    bool SpeakDateAtStart = false;
    std::int32_t IntervalIndex = 0;
    std::int32_t Transparency = 0;
    Rgb TextColor;
    Rgb BackColor;
    std::int32_t Volume = 0;
    // Quiet time (minutes after midnight), silence while the screen is locked, and the key
    // that speaks the time from anywhere (Qt's portable key text, empty for none).
    bool QuietOn = false;
    std::int32_t QuietStart = 0;
    std::int32_t QuietEnd = 0;
    bool QuietWhenLocked = false;
    QString SpeakKey;
    // Silence while the desktop's notifications are muted, while an application records from
    // a microphone (a call), and while a full-screen window has the focus.
    bool QuietWhenDnd = false;
    bool QuietInCall = false;
    bool QuietWhenFullScreen = false;

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

// Whether a change from before to after touched the field.
template <class T, class Owner>
bool touched(const SettingsRecord& before, const SettingsRecord& after, T Owner::*field) {
    static_assert(std::is_base_of_v<Owner, SettingsRecord>);
    return !(before.*field == after.*field);
}

// Holds the record; every write goes through it and is announced by changed(), with the
// record as it was, so that a follower updates only what the change touched.
class SettingsStore final : public QObject {
    Q_OBJECT
public:
    const SettingsRecord& values() const { return record_; }

    // Writes one field; announces it only when the value is new.
    template <class T, class Owner> void set(T Owner::*field, const T& value) {
        static_assert(std::is_base_of_v<Owner, SettingsRecord>);
        if (record_.*field == value) return;
        SettingsRecord after = record_;
        after.*field = value;
        replace(after);
    }
    // Writes the whole record at once (a preferences file read, a test's clean start).
    void replace(const SettingsRecord& record);

Q_SIGNALS:
    // before: the record as it was; after: as it is now (values()).
    void changed(const taku::SettingsRecord& before, const taku::SettingsRecord& after);

private:
    SettingsRecord record_;
};

// The process-wide store shared by every window and the clock.
SettingsStore& settingsStore();

// Shorthand for reading: the current record.
inline const SettingsRecord& Settings() { return settingsStore().values(); }

} // namespace taku
