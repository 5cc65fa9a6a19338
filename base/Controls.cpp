#include "base/Controls.h"

#include <QLineEdit>
#include <QPushButton>

namespace taku {

QPushButton* placeButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* placeField(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    return field;
}

void setBlackOnWhite(QLineEdit* field) {
    QPalette pal = field->palette();
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Base, Qt::white);
    field->setPalette(pal);
}

} // namespace taku
