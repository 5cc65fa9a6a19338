#include "base/Settings.h"

#include <utility>

namespace taku {

void SettingsStore::replace(const SettingsRecord& record) {
    if (record_ == record) return;
    const SettingsRecord before = std::exchange(record_, record);
    Q_EMIT changed(before, record_);
}

SettingsStore& settingsStore() {
    static SettingsStore store;
    return store;
}

} // namespace taku
