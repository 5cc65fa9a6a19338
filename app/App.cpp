#include "app/App.h"

#include "about/My_ICON.h"
#include "app/MenuBar1.h"
#include "base/Windows.h"
#include "clock/W_Time.h"
#include "prefs/W_Set.h"

#include <QAction>

namespace taku {

App::App(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("chikutaku"));
    setApplicationVersion(QStringLiteral(TAKU_VERSION));
    setWindowIcon(applicationIcon());
    // Only the clock window's closing ends the program.
    setQuitOnLastWindowClosed(false);
    menuBar_ = new MenuBar1(this);
}

App::~App() {
    delete menuBar_;
    menuBar_ = nullptr;
}

void App::EnableMenuItems() {
    if (QAction* item = Setting()) item->setEnabled(true);
}

bool App::_Setting_Action() {
    showWindow<W_Set>();
    return false;
}

void App::attachClock(W_Time* clock) {
    clock_ = clock;
    services().commands = &clock->core();
    connect(clock, &W_Time::settingsRequested, this, [this] { _Setting_Action(); });
    connect(clock, &W_Time::menuRequested, this, &showMenuBarAsPopup);
}

void App::closeClock() {
    if (clock_)
        clock_->close();
    else
        quit();
}

} // namespace taku
