#include "app/App.h"

#include "app/Windows.h"
#include "prefs/W_Set.h"

namespace taku {

App::App(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("chikutaku"));
    setApplicationVersion(QStringLiteral(TAKU_VERSION));
    // Only the clock window's closing ends the program.
    setQuitOnLastWindowClosed(false);
}

bool App::_Setting_Action() {
    showWindow<W_Set>();
    return false;
}

} // namespace taku
