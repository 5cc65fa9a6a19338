#include "app/Settings.h"

namespace taku {

void SettingsRecord::applyFirstRunValues() {
    ShowSeconds = true;
    ShowAMPM = true;
    ShowWeek = true;
    Show24Hour = true;
    Transparency = 100;
    TextColor = {0, 0, 0};
    BackColor = {255, 255, 255};
    Volume = 100;
}

SettingsRecord& Settings() {
    static SettingsRecord record;
    return record;
}

} // namespace taku
