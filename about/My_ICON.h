#pragma once
// The application's icon: a small alarm clock, drawn by the program itself.

#include <QIcon>
#include <QPixmap>

namespace taku {

// The 32-pixel picture shown in the settings and about windows, drawn once and kept.
const QPixmap& My_ICON();

// The same picture at any size (transparent around the clock).
QPixmap drawMyIcon(int size);

// The window icon of every window: the picture at the sizes window managers ask for.
QIcon applicationIcon();

} // namespace taku
