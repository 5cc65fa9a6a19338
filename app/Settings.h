#pragma once
// The one set of application-wide preferences, read and written directly by name.

#include <cstdint>

namespace taku {

struct Rgb final {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    Rgb inverse() const { return {255 - r, 255 - g, 255 - b}; }
};

struct SettingsRecord final {
    bool ShowWeek = false;
    bool ShowAMPM = false;
    bool Show24Hour = false;
    bool ShowSeconds = false;
    bool SmallView = false;
    bool ShowAnalog = false;
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

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;

    // The values of a first run, when no preferences file could be opened. Fields not named
    // here keep whatever the record holds.
    void applyFirstRunValues();
};

// The process-wide instance shared by every window.
SettingsRecord& Settings();

} // namespace taku
