#include "speech/OpenJTalkEngine.h"

#include "speech/ScriptRuns.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <cstring>

namespace taku {

namespace {

// A text of a clock takes well under a second; anything longer is a program that hangs.
constexpr int kTimeoutMs = 10000;

quint32 le32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 le16(const char* p) { return qFromLittleEndian<quint16>(p); }

} // namespace

bool readMonoWav(const QByteArray& wav, std::vector<short>* samples, int* rate) {
    samples->clear();
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE") return false;
    bool formatOk = false;
    qsizetype at = 12;
    while (at + 8 <= wav.size()) {
        const char* chunk = wav.constData() + at;
        const qsizetype size = le32(chunk + 4);
        const qsizetype body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && body + 16 <= wav.size()) {
            const char* f = wav.constData() + body;
            formatOk = le16(f) == 1 && le16(f + 2) == 1 && le16(f + 14) == 16;
            *rate = static_cast<int>(le32(f + 4));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!formatOk || *rate <= 0) return false;
            const qsizetype bytes = std::min(size, wav.size() - body) / 2 * 2;
            samples->resize(static_cast<size_t>(bytes / 2));
            for (size_t i = 0; i < samples->size(); ++i)
                (*samples)[i] = static_cast<short>(le16(wav.constData() + body + 2 * i));
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

OpenJTalkEngine::Setup OpenJTalkEngine::defaultSetup() {
    Setup s;
    s.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    s.dictionary = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");
    const QString named = qEnvironmentVariable("TAKU_OPENJTALK_VOICE");
    s.voice = !named.isEmpty() ? named
                               : QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/voice/mei/mei_normal.htsvoice");
    return s;
}

OpenJTalkEngine::OpenJTalkEngine(Setup setup) : setup_(std::move(setup)) {
    if (setup_.program.isEmpty() || !QFileInfo(setup_.program).isExecutable()) {
        problem_ = QStringLiteral("the open_jtalk program is not installed");
    } else if (!QFileInfo::exists(setup_.dictionary + QStringLiteral("/sys.dic"))) {
        problem_ = QStringLiteral("the Open JTalk dictionary is missing at ") + setup_.dictionary;
    } else {
        QFile voice(setup_.voice);
        // Every HTS voice file begins with its [GLOBAL] section.
        if (!voice.open(QIODevice::ReadOnly))
            problem_ = QStringLiteral("the voice file is missing at ") + setup_.voice;
        else if (!voice.read(8).startsWith("[GLOBAL]"))
            problem_ = QStringLiteral("the voice file is not an HTS voice: ") + setup_.voice;
    }
}

std::vector<short> OpenJTalkEngine::synthesize(const QString& text, int* rate, QString* error) {
    std::vector<short> samples;
    *rate = 0;
    if (!ok()) {
        if (error) *error = problem_;
        return samples;
    }
    const QByteArray input = withoutSpaces(text).toUtf8();
    if (input.isEmpty()) return samples;

    QProcess process;
    process.setProgram(setup_.program);
    process.setArguments({QStringLiteral("-x"), setup_.dictionary, QStringLiteral("-m"),
                          setup_.voice, QStringLiteral("-ow"), QStringLiteral("/dev/stdout")});
    process.start();
    QString failure;
    if (!process.waitForStarted(kTimeoutMs)) {
        failure = QStringLiteral("open_jtalk did not start: ") + process.errorString();
    } else {
        process.write(input + '\n');
        process.closeWriteChannel();
        if (!process.waitForFinished(kTimeoutMs)) {
            process.kill();
            process.waitForFinished(1000);
            failure = QStringLiteral("open_jtalk did not finish in time");
        } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            failure = QStringLiteral("open_jtalk failed (%1): %2")
                          .arg(process.exitCode())
                          .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        } else if (!readMonoWav(process.readAllStandardOutput(), &samples, rate)) {
            failure = QStringLiteral("open_jtalk wrote no 16-bit mono WAV");
        }
    }
    if (!failure.isEmpty()) {
        samples.clear();
        problem_ = failure;
        if (error) *error = failure;
    }
    return samples;
}

} // namespace taku
