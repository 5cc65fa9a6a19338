#pragma once
// A private PulseAudio daemon in user mode for one test: a null sink "speakers" (whose monitor
// is "speakers.monitor") and a null source "mic" standing in for a microphone, reachable only
// at address(). Each process it starts is ended by its own handle.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

namespace taku::test {

class PulseServer final {
public:
    ~PulseServer() { kill(); }
    QString address() const { return QStringLiteral("unix:") + path("native"); }

    // Starts the daemon and waits until it takes clients; false (with the reason) when
    // pulseaudio is missing or does not come up.
    bool start(QString* why) {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
            *why = QStringLiteral("pulseaudio or pactl is not installed (Debian packages "
                                  "pulseaudio, pulseaudio-utils)");
            return false;
        }
        QDir().mkpath(path("run/pulse"));
        QDir().mkpath(path("config"));
        QFile::remove(path("native"));
        daemon_.setProcessEnvironment(environment());
        daemon_.setProcessChannelMode(QProcess::MergedChannels);
        daemon_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                       QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
                       QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") +
                           path("native"),
                       QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=speakers"),
                       QStringLiteral("-L"), QStringLiteral("module-null-source source_name=mic")});
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired() && daemon_.waitForStarted()) {
            if (QFile::exists(path("native")) &&
                pactl({QStringLiteral("info")}).contains(QLatin1String("Server String")))
                return true;
            QThread::msleep(50);
        }
        *why = QStringLiteral("pulseaudio did not take clients: ") + QString::fromUtf8(daemon_.readAll());
        return false;
    }
    // Kills the daemon as a crash would, and the recordings with it.
    void kill() {
        stopRecording();
        daemon_.kill();
        daemon_.waitForFinished();
    }
    // pactl against this server; its standard output.
    QString pactl(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("pactl"), args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    // Starts parecord from a source; true once the server lists its source output.
    bool record(const QString& source) {
        const QStringList outputs{QStringLiteral("list"), QStringLiteral("short"),
                                  QStringLiteral("source-outputs")};
        const int before = pactl(outputs).count(u'\n');
        auto& r = recorders_.emplace_back(std::make_unique<QProcess>());
        r->setProcessEnvironment(environment());
        r->start(QStringLiteral("parecord"),
                 {QStringLiteral("--raw"), QStringLiteral("-d"), source, QStringLiteral("/dev/null")});
        for (const QDeadlineTimer deadline(10000); r->waitForStarted() && !deadline.hasExpired();
             QThread::msleep(50))
            if (pactl(outputs).count(u'\n') > before) return true;
        return false;
    }
    void stopRecording() {
        for (auto& r : recorders_) {
            r->kill();
            r->waitForFinished();
        }
        recorders_.clear();
    }

private:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), address());
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), path("run/pulse"));
        env.insert(QStringLiteral("PULSE_STATE_PATH"), path("state"));
        // No session bus to announce itself on.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + path("no-bus"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        return env;
    }

    QTemporaryDir dir_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> recorders_;
};

} // namespace taku::test
