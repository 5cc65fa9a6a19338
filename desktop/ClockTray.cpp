#include "desktop/ClockTray.h"

#include "about/My_ICON.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace taku {

ClockTray::ClockTray(QObject* parent) : QObject(parent), menu_(new QMenu()) {
    menu_->setObjectName(QStringLiteral("TrayMenu"));
    const auto add = [this](const char* name, const QString& caption, void (ClockTray::*signal)()) {
        QAction* action = menu_->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, signal);
    };
    // The captions of the menu bar's items where it has them.
    add("TraySetting", QStringLiteral("環境設定..."), &ClockTray::settingsRequested);
    add("TraySpeakNow", QStringLiteral("今の時刻を読み上げ"), &ClockTray::speakNowRequested);
    menu_->addSeparator();
    add("TrayQuit", QStringLiteral("終了"), &ClockTray::quitRequested);

    icon_ = new QSystemTrayIcon(applicationIcon(), this);
    icon_->setToolTip(QStringLiteral("ちくたく時計"));
    icon_->setContextMenu(menu_);
    // A plain click speaks the time: the quickest answer to "what time is it".
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger) Q_EMIT speakNowRequested();
    });
}

ClockTray::~ClockTray() { delete menu_; }

void ClockTray::show() { icon_->show(); }

} // namespace taku
