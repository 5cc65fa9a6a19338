#include "desktop/DesktopSession.h"

#include "base/Settings.h"
#include "clock/ClockCore.h"
#include "desktop/BusyState.h"
#include "desktop/ClockTray.h"
#include "desktop/DoNotDisturb.h"
#include "desktop/FullScreen.h"
#include "desktop/GlobalShortcut.h"
#include "desktop/InCall.h"
#include "desktop/LockState.h"
#include "desktop/WakeSource.h"
#include "prefs/Quiet.h"

#include <QDBusConnection>

namespace taku {

namespace {
// A connection by a name never opened: disconnected, and no bus is asked.
QDBusConnection noBus() { return QDBusConnection(QStringLiteral("taku-no-bus")); }
} // namespace

std::unique_ptr<BusyState> DesktopSession::desktopWatcher(Busy kind) {
    switch (kind) {
    case Busy::Dnd:
        return std::make_unique<DoNotDisturb>(QDBusConnection::sessionBus());
    case Busy::Call:
        return std::make_unique<InCall>();
    case Busy::FullScreen:
        return std::make_unique<FullScreen>();
    }
    return nullptr;
}

DesktopSession::DesktopSession(ClockCore& core, QObject* parent, BusyFactory makeWatcher)
    : QObject(parent), core_(core), makeWatcher_(std::move(makeWatcher)) {
    // logind's word on sleep only when the bus is in use for the lock anyway.
    const bool bus = Settings().QuietWhenLocked;
    wake_ = std::make_unique<WakeSource>(bus ? QDBusConnection::systemBus() : noBus());
    connect(wake_.get(), &WakeSource::woke, this, [this] { core_.wake(); });
    connect(&settingsStore(), &SettingsStore::changed, this, &DesktopSession::apply);
    apply();
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::apply() {
    const QuietSettings q = quietSettings(Settings());

    if (q.whenLocked && !lock_) {
        auto lock = std::make_unique<BusLockState>(QDBusConnection::systemBus(),
                                                   QDBusConnection::sessionBus());
        connect(lock.get(), &BusLockState::changed, this,
                [this](bool locked) { core_.setScreenLocked(locked); });
        core_.setScreenLocked(lock->locked());
        lock_ = std::move(lock);
    } else if (!q.whenLocked && lock_) {
        lock_.reset();
        core_.setScreenLocked(false);
    }

    if (q.shortcut != boundKey_) {
        // No key watcher is made only to take an empty key.
        if ((shortcut_ || !q.shortcut.isEmpty()) && !shortcut().bind(q.shortcut))
            qCInfo(lcQuiet).noquote() << QStringLiteral("speak-now key %1 not in place: %2")
                                             .arg(q.shortcut, shortcut_->problem());
        boundKey_ = q.shortcut;
    }

    follow(Busy::Dnd, q.whenDnd);
    follow(Busy::Call, q.inCall);
    follow(Busy::FullScreen, q.whenFullScreen);

    const bool anyChoice =
        q.on || q.whenLocked || !q.shortcut.isEmpty() || q.whenDnd || q.inCall || q.whenFullScreen;
    if (anyChoice && !tray_) {
        tray_ = std::make_unique<ClockTray>();
        connect(tray_.get(), &ClockTray::settingsRequested, this,
                &DesktopSession::settingsRequested);
        connect(tray_.get(), &ClockTray::speakNowRequested, this, [this] { core_.speakTimeNow(); });
        connect(tray_.get(), &ClockTray::quitRequested, this, &DesktopSession::quitRequested);
        tray_->show();
    } else if (!anyChoice && tray_) {
        tray_.reset();
    }
}

void DesktopSession::follow(Busy kind, bool chosen) {
    std::unique_ptr<BusyState>& watcher = busy_[static_cast<size_t>(kind)];
    if (chosen == (watcher != nullptr)) return;
    if (chosen) {
        watcher = makeWatcher_(kind);
        if (watcher) connect(watcher.get(), &BusyState::changed, this, &DesktopSession::showBusy);
    } else {
        watcher.reset();
    }
    showBusy();
}

// The clock hears what the followed watchers say; a way not followed counts as not busy.
void DesktopSession::showBusy() {
    const auto active = [this](Busy kind) {
        const auto& watcher = busy_[static_cast<size_t>(kind)];
        return watcher && watcher->active();
    };
    DesktopState state = core_.desktopState();
    state.dnd = active(Busy::Dnd);
    state.inCall = active(Busy::Call);
    state.fullScreen = active(Busy::FullScreen);
    core_.setDesktopState(state);
}

GlobalShortcut& DesktopSession::shortcut() {
    if (!shortcut_) {
        shortcut_ = makeGlobalShortcut();
        connect(shortcut_.get(), &GlobalShortcut::activated, this,
                [this] { core_.speakTimeNow(); });
    }
    return *shortcut_;
}

QString DesktopSession::shortcutProblem(const QString& portableText) {
    if (!shortcut().available()) return shortcut_->problem();
    if (portableText.isEmpty() || portableText != boundKey_) return {};
    return shortcut_->problem();
}

} // namespace taku
