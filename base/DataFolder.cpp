#include "base/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace taku {
namespace {
QString& overridePath() {
    static QString path;
    return path;
}
} // namespace

QString dataFolder() {
    QString path = overridePath();
    if (path.isEmpty()) {
        const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                            : QDir::currentPath();
        path = QDir(appDir).filePath(QStringLiteral("Taku_DATA"));
    }
    const QFileInfo info(path);
    return info.isDir() ? info.absoluteFilePath() : QString();
}

QString dataFile(const QString& name) {
    const QString folder = dataFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

void setDataFolderForTesting(const QString& path) { overridePath() = path; }

} // namespace taku
