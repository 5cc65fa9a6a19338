#pragma once
// Runs a save in a forked child that dies after writing its temporary file and before the
// rename, the moment a crash or a kill would do the most harm.

#include <functional>

namespace taku::test {

// True when the child did die inside the save (the caller then checks the old file).
bool crashesBeforeRename(const std::function<void()>& save);

} // namespace taku::test
