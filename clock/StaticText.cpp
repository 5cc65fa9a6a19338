#include "clock/StaticText.h"

#include <QBackingStore>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace taku {

StaticText::StaticText(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {}

void StaticText::setText(const QString& text) {
    if (text == text_) return;
    const QRect changed = changedRect(text_, text);
    text_ = text;
    if (!changed.isEmpty() && !paintInPlace(changed)) update(changed);
}

void StaticText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        pieces_.clear();
        lineHeight_ = 0;
    }
    QWidget::changeEvent(event);
}

bool StaticText::paintInPlace(const QRect& area) {
    // What a repaint of the area would draw: the window's plain background, then the label;
    // only where the label sits on a shown window of one opaque colour and no other child
    // overlaps the area (before the window's first paint too: the rest waits for that paint).
    QWidget* window = parentWidget();
    if (!window || !window->isWindow() || !isVisible() ||
        window->testAttribute(Qt::WA_NoSystemBackground) ||
        window->testAttribute(Qt::WA_TranslucentBackground))
        return false;
    QWindow* handle = window->windowHandle();
    QBackingStore* store = window->backingStore();
    if (!handle || !handle->isExposed() || !store || store->size() != window->size()) return false;
    const QBrush background = window->palette().brush(window->backgroundRole());
    if (background.style() != Qt::SolidPattern || !background.isOpaque()) return false;
    const QRect inWindow = area.translated(pos()) & window->rect();
    for (QObject* child : window->children()) {
        const auto* other = qobject_cast<QWidget*>(child);
        if (other && other != this && other->isVisible() && other->geometry().intersects(inWindow))
            return false;
    }
    if (inWindow.isEmpty()) return true;
    const QRegion region(inWindow);
    store->beginPaint(region);
    {
        QPainter p(store->paintDevice());
        p.setClipRect(inWindow);
        p.fillRect(inWindow, background);
        p.translate(pos());
        drawText(p, area, text_);
    }
    store->endPaint();
    store->flush(region, handle);
    return true;
}

const StaticText::Piece& StaticText::piece(QChar c) {
    auto it = pieces_.constFind(c.unicode());
    if (it == pieces_.constEnd()) {
        Piece p;
        p.layout.setTextFormat(Qt::PlainText);
        p.layout.setText(QString(c));
        p.layout.prepare(QTransform(), font());
        const QFontMetricsF metrics(font());
        p.advance = metrics.horizontalAdvance(c);
        const QRectF ink = metrics.boundingRect(c);
        p.inkLeft = std::min<qreal>(0, ink.left());
        p.inkRight = std::max(p.advance, ink.right());
        it = pieces_.insert(c.unicode(), p);
    }
    return *it;
}

qreal StaticText::textWidth(const QString& text) {
    qreal total = 0;
    for (const QChar c : text)
        total += piece(c).advance;
    return total;
}

QRect StaticText::cell(const Piece& pc, qreal x) const {
    // A pixel more on each side for the smoothing of the glyph's edges.
    const int left = static_cast<int>(std::floor(x + pc.inkLeft)) - 1;
    const int right = static_cast<int>(std::ceil(x + pc.inkRight)) + 1;
    return QRect(left, 0, right - left, height());
}

QRect StaticText::changedRect(const QString& from, const QString& to) {
    // Both texts end at the right edge. A character drawn at the same place in both is left
    // alone; every other one, old or new, is repainted.
    qreal xFrom = width() - textWidth(from);
    qreal xTo = width() - textWidth(to);
    QRect changed;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < from.size() || j < to.size()) {
        if (i < from.size() && j < to.size() && from[i] == to[j] && xFrom == xTo) {
            const qreal advance = piece(from[i]).advance;
            xFrom += advance;
            xTo += advance;
            ++i;
            ++j;
        } else if (j >= to.size() || (i < from.size() && xFrom <= xTo)) {
            const Piece& pc = piece(from[i++]);
            changed |= cell(pc, xFrom);
            xFrom += pc.advance;
        } else {
            const Piece& pc = piece(to[j++]);
            changed |= cell(pc, xTo);
            xTo += pc.advance;
        }
    }
    return changed & rect();
}

void StaticText::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    drawText(p, event->rect(), text_);
}

void StaticText::drawText(QPainter& p, const QRect& area, const QString& text) {
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    if (lineHeight_ == 0) lineHeight_ = QFontMetricsF(font()).height();
    const qreal top = (height() - lineHeight_) / 2.0;
    qreal x = width() - textWidth(text);
    for (const QChar c : text) {
        const Piece& pc = piece(c);
        if (cell(pc, x).intersects(area)) p.drawStaticText(QPointF(x, top), pc.layout);
        x += pc.advance;
    }
}

} // namespace taku
