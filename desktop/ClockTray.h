#pragma once
// The clock's icon in the desktop's notification area, with a menu of the commands a user
// reaches for without finding the strip: settings, speak the time now, quit.

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace taku {

class ClockTray final : public QObject {
    Q_OBJECT
public:
    explicit ClockTray(QObject* parent = nullptr);
    ~ClockTray() override;
    ClockTray(const ClockTray&) = delete;
    ClockTray& operator=(const ClockTray&) = delete;

    void show();
    QMenu* menu() const { return menu_; }
    QSystemTrayIcon* icon() const { return icon_; }

Q_SIGNALS:
    void settingsRequested();
    void speakNowRequested();
    void quitRequested();

private:
    QMenu* menu_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace taku
