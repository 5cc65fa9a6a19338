#pragma once
// The fuzz targets' bodies by name, for the libFuzzer entry points and the regression test.

#include <cstddef>
#include <cstdint>

namespace taku::fuzz {

using Body = void (*)(const std::uint8_t* data, std::size_t size);
struct Target final {
    const char* name;
    Body body;
};
inline constexpr int kTargetCount = 5;
extern const Target kTargets[kTargetCount];

} // namespace taku::fuzz
