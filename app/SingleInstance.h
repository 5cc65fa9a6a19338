#pragma once
// One clock per data folder. The first start of a folder holds a lock file and listens on a
// local socket, both in the user's runtime folder and named from a hash of the folder's path.
// A later start finds the lock held, asks the running clock through the socket to show its
// settings window, and ends before it makes a window or reads a file of the folder. A clock
// that crashed leaves a lock of a dead process and a socket nobody answers: the next start
// takes both over.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace taku {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        First,      // this process is the folder's clock
        HandedOver, // a running clock was asked to show its settings
        NoAnswer,   // a clock holds the folder but did not answer
    };

    // folder: the data folder's path (it need not exist); runtimeDir: where the lock and the
    // socket live.
    SingleInstance(const QString& folder, const QString& runtimeDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the folder's clock, or hands over to the one running; waits at most waitMs for a
    // clock that is still starting to answer.
    Claim claim(int waitMs = 5000);

    // The lock file's and the socket's path without their endings.
    QString baseName() const { return base_; }

    // The user's runtime folder (XDG_RUNTIME_DIR), made if needed.
    static QString runtimeFolder();

Q_SIGNALS:
    // A later start asked for the settings window.
    void settingsRequested();

private:
    bool listen();

    QString base_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace taku
