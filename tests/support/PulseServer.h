#pragma once
// A private PulseAudio daemon in user mode for one test, reachable only at address(), with a null
// sink "speakers" (monitor "speakers.monitor") and a null source "mic" as a microphone. Its files
// live in a temporary folder; each process it starts is ended by its own handle.

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

namespace taku::test {

class PulseServer final {
public:
    ~PulseServer() { kill(); }
    QString address() const { return "unix:" + path("native"); }

    // Starts the daemon and waits until it takes clients; false, with the reason, when not.
    bool start(QString* why) {
        daemon_.setProcessEnvironment(environment());
        daemon_.setProcessChannelMode(QProcess::MergedChannels);
        daemon_.start("pulseaudio",
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                       "--log-target=stderr", "-L",
                       "module-native-protocol-unix auth-anonymous=1 socket=" + path("native"),
                       "-L", "module-null-sink sink_name=speakers", "-L",
                       "module-null-source source_name=mic"});
        for (const QDeadlineTimer deadline(15000);
             daemon_.waitForStarted() && !deadline.hasExpired(); QThread::msleep(50))
            if (pactl({"info"}).contains("Server String")) return true;
        *why =
            "pulseaudio and pactl (Debian packages pulseaudio, pulseaudio-utils) did not answer: " +
            QString::fromUtf8(daemon_.readAll());
        return false;
    }
    // Kills the daemon as a crash would, and the recordings with it.
    void kill() {
        daemon_.kill();
        daemon_.waitForFinished();
        stopRecording();
    }
    // pactl against this server: its standard output.
    QString pactl(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start("pactl", args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // Starts parecord from a source; true once the server lists its source output.
    bool record(const QString& source) {
        const QStringList outputs{"list", "short", "source-outputs"};
        const qsizetype before = pactl(outputs).count(u'\n');
        auto& r = recorders_.emplace_back(std::make_unique<QProcess>());
        r->setProcessEnvironment(environment());
        r->start("parecord", {"--raw", "-d", source, "/dev/null"});
        for (const QDeadlineTimer deadline(10000); r->waitForStarted() && !deadline.hasExpired();
             QThread::msleep(50))
            if (pactl(outputs).count(u'\n') > before) return true;
        return false;
    }
    void stopRecording() {
        for (auto& r : recorders_)
            r->kill(), r->waitForFinished();
        recorders_.clear();
    }

private:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] :
             {std::pair{"PULSE_SERVER", address()},
              {"HOME", dir_.path()},
              {"XDG_CONFIG_HOME", dir_.path()},
              {"XDG_RUNTIME_DIR", dir_.path()},
              {"PULSE_RUNTIME_PATH", path("pulse")},
              {"PULSE_STATE_PATH", path("state")},
              {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path("no-bus")}, // nothing to announce on
              {"LC_ALL", "C.UTF-8"}})
            env.insert(QString::fromLatin1(name), value);
        return env;
    }

    QTemporaryDir dir_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> recorders_;
};

} // namespace taku::test
