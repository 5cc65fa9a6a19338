#pragma once
// The Qt platform the clock asks for before the application object exists. In a Wayland
// session that also runs XWayland, the strip goes through X: a Wayland client can't keep a
// window on top or put it at a place of its choosing. A platform the user chose
// (QT_QPA_PLATFORM, -platform) is left alone, and so is a Wayland session without X.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

namespace taku {

// "xcb" to ask for, or empty to leave Qt's own choice. args: the command line, the program
// first.
QByteArray chosenQtPlatform(const QProcessEnvironment& env, const QStringList& args);

} // namespace taku
