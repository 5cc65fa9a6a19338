#pragma once
// The clock's ties to the desktop session, made only as far as the user's choices ask: the
// screen lock with "quiet while locked", muted notifications, a call and a full-screen window
// with their choices, the global key once one is chosen, the tray icon while any of these
// choices is on. With none chosen nothing here touches the message bus.
// The wake on a clock set or resume is always watched (a kernel timer, no bus).

#include "desktop/BusyState.h"
#include "prefs/Quiet.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

namespace taku {

class ClockCore;
class BusLockState;
class ClockTray;
class GlobalShortcut;
class WakeSource;

// The ways the desktop says its user is busy, each followed only while its choice is on.
enum class Busy { Dnd, Call, FullScreen };

class DesktopSession final : public QObject {
    Q_OBJECT
public:
    // Makes the watcher of one way of being busy; by default the desktop's own.
    using BusyFactory = std::function<std::unique_ptr<BusyState>(Busy)>;
    static std::unique_ptr<BusyState> desktopWatcher(Busy kind);

    explicit DesktopSession(ClockCore& core, QObject* parent = nullptr,
                            BusyFactory makeWatcher = &DesktopSession::desktopWatcher);
    ~DesktopSession() override;

    // Why the key (portable text) can't be had on this desktop; empty when it can.
    QString shortcutProblem(const QString& portableText);

Q_SIGNALS:
    void settingsRequested();
    void quitRequested();

private:
    void apply();
    void follow(Busy kind, bool chosen);
    void showBusy();
    GlobalShortcut& shortcut(); // the global key's watcher, made when first needed

    ClockCore& core_;
    std::unique_ptr<WakeSource> wake_;
    std::unique_ptr<BusLockState> lock_;
    std::unique_ptr<GlobalShortcut> shortcut_;
    QString boundKey_;
    std::unique_ptr<ClockTray> tray_;
    BusyFactory makeWatcher_;
    std::array<std::unique_ptr<BusyState>, 3> busy_; // by Busy
};

} // namespace taku
