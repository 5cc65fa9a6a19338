#include "events/W_Event.h"

namespace taku {

W_Event::W_Event(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Event"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("イベント設定"));
    setFixedSize(510, 276);
}

} // namespace taku
