#include "PulseServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace taku::test {

PulseServer::PulseServer() = default;

PulseServer::~PulseServer() { kill(); }

QString PulseServer::address() const {
    return QStringLiteral("unix:") + dir_.filePath(QStringLiteral("native"));
}

QProcessEnvironment PulseServer::clientEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), address());
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir_.filePath(QStringLiteral("run/pulse")));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), dir_.filePath(QStringLiteral("state")));
    // No session bus to announce itself on.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + dir_.filePath(QStringLiteral("no-bus")));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

bool PulseServer::start(QString* why) {
    if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
        *why = QStringLiteral("pulseaudio or pactl is not installed (Debian packages pulseaudio, "
                              "pulseaudio-utils)");
        return false;
    }
    QDir(dir_.path()).mkpath(QStringLiteral("run/pulse"));
    QDir(dir_.path()).mkpath(QStringLiteral("config"));
    const QString script = dir_.filePath(QStringLiteral("server.pa"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 "
                              "socket=%1\n"
                              "load-module module-null-sink sink_name=speakers\n"
                              "load-module module-null-source source_name=mic\n")
                   .arg(dir_.filePath(QStringLiteral("native")))
                   .toUtf8());
    file.close();
    QFile::remove(dir_.filePath(QStringLiteral("native")));
    daemon_.setProcessEnvironment(clientEnvironment());
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                   QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                   QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), script});
    if (!daemon_.waitForStarted()) {
        *why = QStringLiteral("pulseaudio did not start");
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (daemon_.state() != QProcess::Running) {
            *why = QStringLiteral("pulseaudio ended: ") + QString::fromUtf8(daemon_.readAll());
            return false;
        }
        if (QFile::exists(dir_.filePath(QStringLiteral("native"))) &&
            pactl({QStringLiteral("info")}).contains(QLatin1String("Server String")))
            return true;
        QThread::msleep(50);
    }
    *why = QStringLiteral("pulseaudio took no clients within 15 s");
    return false;
}

void PulseServer::stopRecording() {
    for (auto& r : recorders_) {
        r->kill();
        r->waitForFinished();
    }
    recorders_.clear();
}

void PulseServer::kill() {
    stopRecording();
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.kill();
        daemon_.waitForFinished();
    }
}

QString PulseServer::pactl(const QStringList& args) const {
    QProcess p;
    p.setProcessEnvironment(clientEnvironment());
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool PulseServer::record(const QString& source) {
    const int before = pactl({QStringLiteral("list"), QStringLiteral("short"),
                              QStringLiteral("source-outputs")})
                           .count(u'\n');
    auto r = std::make_unique<QProcess>();
    r->setProcessEnvironment(clientEnvironment());
    r->start(QStringLiteral("parecord"),
             {QStringLiteral("--raw"), QStringLiteral("-d"), source, QStringLiteral("/dev/null")});
    if (!r->waitForStarted()) return false;
    recorders_.push_back(std::move(r));
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (pactl({QStringLiteral("list"), QStringLiteral("short"),
                   QStringLiteral("source-outputs")})
                .count(u'\n') > before)
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace taku::test
