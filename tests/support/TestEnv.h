#pragma once
// A clean world for one test: fresh settings, fakes for every platform service and an empty
// data folder in a temporary directory.

#include "support/Fakes.h"

#include <QTemporaryDir>
#include <functional>

namespace taku::test {

class TestEnv final {
public:
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    // Changes the settings through the store, as a window would.
    void edit(const std::function<void(SettingsRecord&)>& change);
    // A file's path in the data folder, and its whole content written or read.
    QString file(const QString& name) const;
    void write(const QString& name, const QByteArray& content) const;
    QByteArray read(const QString& name) const;

    FakeClock clock;
    RecordingSpeech speech;
    FakeSoundService sound;
    FakeDialogs dialogs;
    RecordingBrowser browser;

private:
    QTemporaryDir dir_;
};

} // namespace taku::test
