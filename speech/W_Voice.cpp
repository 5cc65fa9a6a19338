#include "speech/W_Voice.h"

namespace taku {

W_Voice::W_Voice(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Voice"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("発音表"));
    setFixedSize(673, 601);
}

} // namespace taku
