#include "base/Settings.h"

namespace taku {

void SettingsStore::replace(const SettingsRecord& record) {
    if (record_ == record) return;
    record_ = record;
    Q_EMIT changed();
}

SettingsStore& settingsStore() {
    static SettingsStore store;
    return store;
}

} // namespace taku
