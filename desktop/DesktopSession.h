#pragma once
// The clock's ties to the desktop session, made only as far as the user's choices ask: the
// screen lock with "quiet while locked", the global key once one is chosen, the tray icon
// while any of these choices is on. With none chosen nothing here touches the message bus.
// The wake on a clock set or resume is always watched (a kernel timer, no bus).

#include <QObject>
#include <QString>
#include <memory>

namespace taku {

class ClockCore;
class ClockTray;
class GlobalShortcut;
class LockState;
class WakeSource;

class DesktopSession final : public QObject {
    Q_OBJECT
public:
    explicit DesktopSession(ClockCore& core, QObject* parent = nullptr);
    ~DesktopSession() override;

    // Why the key (portable text) can't be had on this desktop; empty when it can.
    QString shortcutProblem(const QString& portableText);

Q_SIGNALS:
    void settingsRequested();
    void quitRequested();

private:
    void apply();

    ClockCore& core_;
    std::unique_ptr<WakeSource> wake_;
    std::unique_ptr<LockState> lock_;
    std::unique_ptr<GlobalShortcut> shortcut_;
    QString boundKey_;
    std::unique_ptr<ClockTray> tray_;
};

} // namespace taku
