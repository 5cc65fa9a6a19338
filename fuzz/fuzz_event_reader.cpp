// libFuzzer entry point; the body is shared with the regression test.
#include "fuzz/FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    taku::fuzz::eventReader(data, size);
    return 0;
}
