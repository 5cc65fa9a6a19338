#pragma once
// A private PulseAudio daemon in user mode for one test: a null sink "speakers" (whose monitor
// is "speakers.monitor") and a null source "mic" standing in for a microphone, reachable only
// at address(). Each process it starts is ended by its own handle.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace taku::test {

class PulseServer final {
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the daemon and waits until it takes clients; false (with the reason) when
    // pulseaudio is missing or does not come up.
    bool start(QString* why);
    // Kills the daemon as a crash would, and the recordings with it.
    void kill();
    // "unix:/tmp/.../native"
    QString address() const;
    // pactl against this server; its standard output.
    QString pactl(const QStringList& args) const;
    // Starts parecord from a source; true once the server lists its source output.
    bool record(const QString& source);
    // Ends the recordings started here.
    void stopRecording();

private:
    QProcessEnvironment clientEnvironment() const;

    QTemporaryDir dir_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> recorders_;
};

} // namespace taku::test
