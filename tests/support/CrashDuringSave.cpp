#include "support/CrashDuringSave.h"

#include "base/TextFile.h"

#include <sys/wait.h>
#include <unistd.h>

namespace taku::test {

bool crashesBeforeRename(const std::function<void()>& save) {
    const pid_t child = fork();
    if (child == 0) {
        setBeforeCommitHookForTesting([] { _exit(0); });
        save();
        _exit(1); // the save never reached its rename
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace taku::test
