#pragma once
// Controls of the fixed-layout windows: each stands at its own rectangle and carries the name
// the code and the tests know it by.

#include <QPushButton>
#include <QRect>
#include <QString>

class QLineEdit;
class QWidget;

namespace taku {

// A push button that is never the window's default button, so Return never presses it.
QPushButton* placeButton(QWidget* parent, const QString& name, const QString& caption,
                         const QRect& geometry);

// The same, a click on it calling the window's handler.
template <class Window>
QPushButton* placeButton(Window* window, const QString& name, const QString& caption,
                         const QRect& geometry, void (Window::*handler)()) {
    QPushButton* button = placeButton(window, name, caption, geometry);
    QObject::connect(button, &QPushButton::clicked, window, handler);
    return button;
}

QLineEdit* placeField(QWidget* parent, const QString& name, const QRect& geometry);

// Black text on white, whatever the desktop's colour scheme.
void setBlackOnWhite(QLineEdit* field);

} // namespace taku
