#pragma once
// Notices a change of the system time zone. The program names the zone file once in TZ, so
// the C library reads it once; changing the zone (timedatectl set-timezone replaces the
// /etc/localtime link) would otherwise go unseen until a restart.

#include <QString>
#include <ctime>
#include <sys/types.h>

namespace taku {

class ZoneWatch final {
public:
    explicit ZoneWatch(QString path = QStringLiteral("/etc/localtime"));

    // True when the file is not the one seen last time: another link target, another file
    // or a newer one. The first call only takes note.
    bool changed();

private:
    struct Identity final {
        QString target;
        ino_t inode = 0;
        dev_t device = 0;
        timespec modified{};
        bool operator==(const Identity& o) const;
    };
    Identity look() const;

    QString path_;
    Identity last_;
    bool seen_ = false;
};

// Makes the C library read the local time zone again. It ignores a TZ it has seen before, so
// TZ is set to another value and back.
void reloadLocalZone();

} // namespace taku
