#include "desktop/DoNotDisturb.h"

#include "prefs/Quiet.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>

namespace taku {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kInhibited = QStringLiteral("Inhibited");
const QString kSchema = QStringLiteral("org.gnome.desktop.notifications");
const QString kBanners = QStringLiteral("show-banners");
constexpr int kCallTimeoutMs = 2000;

void endProcess(QProcess* p) {
    if (!p) return;
    p->disconnect();
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(1000);
    }
    delete p;
}
} // namespace

DoNotDisturb::DoNotDisturb(const QDBusConnection& session, const QString& gsettings,
                           QObject* parent)
    : BusyState(parent), bus_(session) {
    if (bus_.isConnected()) {
        service_.setConnection(bus_);
        service_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        service_.addWatchedService(kService);
        connect(&service_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    if (owner.isEmpty())
                        update(false, bannersOff_);
                    else
                        readInhibited();
                });
        bus_.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        readInhibited();
    }
    if (!gsettings.isEmpty()) watchBanners(gsettings);
}

DoNotDisturb::~DoNotDisturb() {
    endProcess(bannersNow_);
    endProcess(bannersLater_);
}

void DoNotDisturb::readInhibited() {
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, kProperties,
                                                      QStringLiteral("Get"));
    get.setArguments({kInterface, kInhibited});
    // A notifications service that is not running is not started for this.
    get.setAutoStartService(false);
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(get, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        // A service without the property (older daemons) holds nothing back.
        update(reply.isValid() && reply.value().variant().toBool(), bannersOff_);
    });
}

void DoNotDisturb::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                     const QStringList& invalidated) {
    if (interface != kInterface) return;
    const auto it = changed.constFind(kInhibited);
    if (it != changed.cend())
        update(it->toBool(), bannersOff_);
    else if (invalidated.contains(kInhibited))
        readInhibited();
}

// "gsettings monitor" reports each change as "show-banners: false"; "gsettings get" says the
// value now, and fails where GNOME's schema is not installed, which ends both.
void DoNotDisturb::watchBanners(const QString& gsettings) {
    bannersLater_ = new QProcess;
    bannersLater_->setProcessChannelMode(QProcess::SeparateChannels);
    bannersLater_->setStandardErrorFile(QProcess::nullDevice());
    connect(bannersLater_, &QProcess::readyReadStandardOutput, this, &DoNotDisturb::bannerLines);
    bannersLater_->start(gsettings, {QStringLiteral("monitor"), kSchema, kBanners});

    bannersNow_ = new QProcess;
    bannersNow_->setStandardErrorFile(QProcess::nullDevice());
    connect(bannersNow_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        const QByteArray value = bannersNow_->readAllStandardOutput().trimmed();
        if (status != QProcess::NormalExit || code != 0) {
            endProcess(bannersLater_);
            bannersLater_ = nullptr;
            return;
        }
        update(inhibited_, value == "false");
    });
    connect(bannersNow_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        qCInfo(lcQuiet) << "GNOME's do-not-disturb unknown: no gsettings";
        endProcess(bannersLater_);
        bannersLater_ = nullptr;
    });
    bannersNow_->start(gsettings, {QStringLiteral("get"), kSchema, kBanners});
}

void DoNotDisturb::bannerLines() {
    while (bannersLater_->canReadLine()) {
        const QByteArray line = bannersLater_->readLine().trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != kBanners.toLatin1()) continue;
        update(inhibited_, line.mid(colon + 1).trimmed() == "false");
    }
}

void DoNotDisturb::update(bool inhibited, bool bannersOff) {
    inhibited_ = inhibited;
    bannersOff_ = bannersOff;
    setActive(inhibited || bannersOff);
}

} // namespace taku
