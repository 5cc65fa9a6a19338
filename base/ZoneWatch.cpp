#include "base/ZoneWatch.h"

#include <QFile>
#include <cstdlib>
#include <sys/stat.h>
#include <utility>

namespace taku {

bool ZoneWatch::Identity::operator==(const Identity& o) const {
    return target == o.target && inode == o.inode && device == o.device &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
}

ZoneWatch::ZoneWatch(QString path) : path_(std::move(path)) {}

ZoneWatch::Identity ZoneWatch::look() const {
    Identity id;
    id.target = QFile::symLinkTarget(path_);
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) == 0) {
        id.inode = st.st_ino;
        id.device = st.st_dev;
        id.modified = st.st_mtim;
    }
    return id;
}

bool ZoneWatch::changed() {
    Identity now = look();
    const bool differs = seen_ && !(now == last_);
    last_ = std::move(now);
    seen_ = true;
    return differs;
}

void reloadLocalZone() {
    const char* current = std::getenv("TZ");
    const QByteArray saved = current ? QByteArray(current) : QByteArray();
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    if (current)
        ::setenv("TZ", saved.constData(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace taku
