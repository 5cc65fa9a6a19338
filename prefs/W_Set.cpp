#include "prefs/W_Set.h"

namespace taku {

W_Set::W_Set(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Set"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(339, 470);
}

} // namespace taku
