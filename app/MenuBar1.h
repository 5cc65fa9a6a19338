#pragma once
// The menu bar. Where the platform has no global menu bar, the same tree opens as a context
// menu on the clock strip.

#include <QPoint>

namespace taku {

void showMenuBarAsPopup(const QPoint& globalPos);

} // namespace taku
