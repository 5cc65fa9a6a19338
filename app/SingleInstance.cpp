#include "app/SingleInstance.h"

#include "base/Logging.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace taku {

namespace {
const QByteArray kAsk = "settings\n";
const QByteArray kAnswer = "ok\n";
constexpr int kStepMs = 200;

QString folderKey(const QString& folder) {
    const QFileInfo info(folder);
    const QString path =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    return QString::fromLatin1(
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}
} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& runtimeDir, QObject* parent)
    : QObject(parent),
      base_(QDir(runtimeDir).filePath(QStringLiteral("chikutaku-") + folderKey(folder))),
      lock_(std::make_unique<QLockFile>(base_ + QStringLiteral(".lock"))) {
    // Only a lock of a process that is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_.nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine()) return;
                if (s->readLine() != kAsk) {
                    s->disconnectFromServer();
                    return;
                }
                s->write(kAnswer);
                s->flush();
                qCInfo(lcApp) << "second start: showing settings";
                Q_EMIT settingsRequested();
            });
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_->isLocked()) lock_->unlock();
}

QString SingleInstance::runtimeFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

bool SingleInstance::listen() {
    // A socket left by a clock that crashed would turn the listening away.
    QLocalServer::removeServer(base_ + QStringLiteral(".socket"));
    if (server_.listen(base_ + QStringLiteral(".socket"))) return true;
    qCWarning(lcApp).noquote() << "a later start can't reach this clock:" << server_.errorString();
    return false;
}

SingleInstance::Claim SingleInstance::claim(int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (lock_->tryLock(0)) {
            listen();
            return Claim::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            // No lock can be had here at all (an unwritable runtime folder): run unguarded
            // rather than not at all.
            qCWarning(lcApp).noquote() << "no lock in" << QFileInfo(base_).path()
                                       << "; a second start would not be noticed";
            return Claim::First;
        }
        QLocalSocket socket;
        socket.connectToServer(base_ + QStringLiteral(".socket"));
        if (socket.waitForConnected(kStepMs)) {
            socket.write(kAsk);
            socket.waitForBytesWritten(kStepMs);
            while (!socket.canReadLine() &&
                   socket.waitForReadyRead(int(qMax<qint64>(kStepMs, deadline.remainingTime()))))
                ;
            if (socket.canReadLine() && socket.readLine() == kAnswer) return Claim::HandedOver;
        }
        if (deadline.hasExpired()) return Claim::NoAnswer;
        // The clock holding the lock may be starting, or just ending.
        QThread::msleep(kStepMs);
    }
}

} // namespace taku
