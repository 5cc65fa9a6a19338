#pragma once
// Whether the desktop holds notifications back ("do not disturb"): the Inhibited property of
// org.freedesktop.Notifications on the session bus (KDE Plasma and others), or GNOME's
// org.gnome.desktop.notifications show-banners set to false, read and followed through the
// gsettings tool. Either one is enough; what can't be read counts as not held back.

#include "desktop/BusyState.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QProcess;

namespace taku {

class DoNotDisturb final : public BusyState {
    Q_OBJECT
public:
    // gsettings: the program that reads GNOME's settings; empty leaves GNOME's key unread.
    explicit DoNotDisturb(const QDBusConnection& session,
                          const QString& gsettings = QStringLiteral("gsettings"),
                          QObject* parent = nullptr);
    ~DoNotDisturb() override;

private Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

private:
    void readInhibited();
    void watchBanners(const QString& gsettings);
    void bannerLines();
    void update(bool inhibited, bool bannersOff);

    QDBusConnection bus_;
    QDBusServiceWatcher service_;
    QProcess* bannersNow_ = nullptr;
    QProcess* bannersLater_ = nullptr;
    bool inhibited_ = false;
    bool bannersOff_ = false;
};

} // namespace taku
