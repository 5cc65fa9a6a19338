#include "support/Fakes.h"

#include "base/DataFolder.h"
#include "base/TextFile.h"
#include "speech/VoiceTable.h"

#include <QDir>
#include <QFile>
#include <sys/wait.h>
#include <unistd.h>

namespace taku::test {

// Every object the process keeps between tests starts as a new run would find it: the
// settings, the services, the data folder, the pronunciation table, the save hook.
void resetProcessState() {
    settingsStore().replace(SettingsRecord{});
    services() = Services{};
    setDataFolderForTesting(QString());
    VoiceTable() = VoiceTableData{};
    setBeforeCommitHookForTesting(nullptr);
}

TestEnv::TestEnv() {
    resetProcessState();
    QDir(dir_.path()).mkdir(QStringLiteral("Taku_DATA"));
    setDataFolderForTesting(dir_.filePath(QStringLiteral("Taku_DATA")));
    services() = {&clock, &speech, &sound, &dialogs, &browser, nullptr, &prefs};
}

TestEnv::~TestEnv() { resetProcessState(); }

void TestEnv::edit(const std::function<void(SettingsRecord&)>& change) {
    SettingsRecord record = Settings();
    change(record);
    settingsStore().replace(record);
}

QString TestEnv::file(const QString& name) const {
    return dir_.filePath(QStringLiteral("Taku_DATA/") + name);
}

void TestEnv::write(const QString& name, const QByteArray& content) const {
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly)) f.write(content);
}

QByteArray TestEnv::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
