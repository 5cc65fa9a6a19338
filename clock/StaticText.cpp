#include "clock/StaticText.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

namespace taku {

StaticText::StaticText(const QString& text, QWidget* parent) : QWidget(parent) { setText(text); }

void StaticText::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void StaticText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        pieces_.clear();
        lineHeight_ = 0;
    }
    QWidget::changeEvent(event);
}

const StaticText::Piece& StaticText::piece(QChar c) {
    auto it = pieces_.find(c.unicode());
    if (it == pieces_.end()) {
        Piece p;
        p.layout.setTextFormat(Qt::PlainText);
        p.layout.setText(QString(c));
        p.layout.prepare(QTransform(), font());
        p.advance = QFontMetricsF(font()).horizontalAdvance(c);
        it = pieces_.insert(c.unicode(), p);
    }
    return *it;
}

void StaticText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    if (lineHeight_ == 0) lineHeight_ = QFontMetricsF(font()).height();
    const qreal top = (height() - lineHeight_) / 2.0;
    qreal total = 0;
    for (const QChar c : text_) total += piece(c).advance;
    qreal x = width() - total;
    for (const QChar c : text_) {
        const Piece& pc = piece(c);
        p.drawStaticText(QPointF(x, top), pc.layout);
        x += pc.advance;
    }
}

} // namespace taku
