#pragma once
// Controls of the fixed-layout windows: each stands at its own rectangle and carries the name
// the code and the tests know it by.

#include <QRect>
#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

namespace taku {

// A push button that is never the window's default button, so Return never presses it.
QPushButton* placeButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& geometry);

QLineEdit* placeField(QWidget* parent, const QString& name, const QRect& geometry);

// Black text on white, whatever the desktop's colour scheme.
void setBlackOnWhite(QLineEdit* field);

} // namespace taku
