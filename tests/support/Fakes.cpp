#include "support/Fakes.h"

namespace taku::test {

namespace {
const char* const kBuiltInNames[] = {"church", "cuculus", "oldclock", "dog", "cat"};
}

FakeSoundService::FakeSoundService() {
    for (int k = 0; k < 5; ++k)
        builtIns_[k] = std::make_shared<FakeSound>(QString::fromLatin1(kBuiltInNames[k]), &strikes);
}

std::shared_ptr<SoundObject> FakeSoundService::builtIn(int kind) {
    if (kind < 0 || kind > 4) return nullptr;
    return builtIns_[kind];
}

FakeSound* FakeSoundService::builtInFake(int kind) {
    if (kind < 0 || kind > 4) return nullptr;
    return builtIns_[kind].get();
}

std::shared_ptr<SoundObject> FakeSoundService::openAsSound(const QString& path) {
    opened.append(path);
    if (!filesOpen || path.isEmpty()) return nullptr;
    return std::make_shared<FakeSound>(QStringLiteral("custom"), &strikes);
}

} // namespace taku::test
