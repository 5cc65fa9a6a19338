#include "clock/StaticText.h"

#include <QEvent>
#include <QPainter>

namespace taku {

StaticText::StaticText(const QString& text, QWidget* parent) : QWidget(parent) {
    layout_.setTextFormat(Qt::PlainText);
    layout_.setPerformanceHint(QStaticText::AggressiveCaching);
    setText(text);
}

void StaticText::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    layout_.setText(text);
    layout_.prepare(QTransform(), font());
    update();
}

void StaticText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) layout_.prepare(QTransform(), font());
    QWidget::changeEvent(event);
}

void StaticText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QSizeF size = layout_.size();
    p.drawStaticText(QPointF(width() - size.width(), (height() - size.height()) / 2.0), layout_);
}

} // namespace taku
