#include "app/MenuBar1.h"

namespace taku {

void showMenuBarAsPopup(const QPoint&) {}

} // namespace taku
