#include "clock/StaticText.h"

#include "clock/SecondsTicker.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace taku {

StaticText::StaticText(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {}

StaticText::~StaticText() = default;

int StaticText::shownByTime() const {
    // The ticker draws each text at the start of its second.
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - aheadFirstMs_;
    return since < 0 ? -1 : int(std::min<qint64>(since / 1000, aheadTexts_.size() - 1));
}

QString StaticText::text() const {
    const int shown = aheadTexts_.isEmpty() ? -1 : shownByTime();
    return shown >= 0 ? aheadTexts_[shown] : text_;
}

void StaticText::setText(const QString& text) {
    stopAhead(false);
    QRect changed = std::exchange(stale_, QRect());
    if (text != text_) {
        changed |= changedRect(text_, text);
        text_ = text;
    }
    if (!changed.isEmpty() && !paintInPlace(changed)) update(changed);
}

void StaticText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        stopAhead(false);
        forgetPatches();
    }
    if (event->type() == QEvent::FontChange) {
        pieces_.clear();
        lineHeight_ = 0;
    }
    QWidget::changeEvent(event);
}

void StaticText::hideEvent(QHideEvent* event) {
    stopAhead(false);
    painted_ = false;
    QWidget::hideEvent(event);
}

void StaticText::moveEvent(QMoveEvent* event) {
    stopAhead(false);
    QWidget::moveEvent(event);
}

void StaticText::resizeEvent(QResizeEvent* event) {
    stopAhead(false);
    forgetPatches();
    QWidget::resizeEvent(event);
}

bool StaticText::eventFilter(QObject* watched, QEvent* event) {
    // An exposed window is shown from its backing store, which lacks what the ticker drew.
    if (event->type() == QEvent::Expose) {
        stopAhead(false);
        if (!stale_.isEmpty()) update(std::exchange(stale_, QRect()));
    }
    return QWidget::eventFilter(watched, event);
}

bool StaticText::drawsStraight(const QRect& inWindow, QBrush* background) const {
    QWidget* window = parentWidget();
    if (!painted_ || !window || !window->isWindow() || !isVisible() ||
        window->testAttribute(Qt::WA_NoSystemBackground) ||
        window->testAttribute(Qt::WA_TranslucentBackground))
        return false;
    QWindow* handle = window->windowHandle();
    QBackingStore* store = window->backingStore();
    if (!handle || !handle->isExposed() || !store || store->size() != window->size()) return false;
    const QBrush& brush = window->palette().brush(window->backgroundRole());
    if (brush.style() != Qt::SolidPattern || !brush.isOpaque()) return false;
    for (QObject* child : window->children()) {
        const auto* other = qobject_cast<QWidget*>(child);
        if (other && other != this && other->isVisible() && other->geometry().intersects(inWindow))
            return false;
    }
    *background = brush;
    return true;
}

bool StaticText::paintInPlace(const QRect& area) {
    // What a repaint of the area would draw: the window's plain background, then the label.
    // The first paint goes the ordinary way.
    QWidget* window = parentWidget();
    const QRect inWindow = window ? area.translated(pos()) & window->rect() : QRect();
    QBrush background;
    if (!drawsStraight(inWindow, &background)) return false;
    if (inWindow.isEmpty()) return true;
    QBackingStore* store = window->backingStore();
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
    store->flush(region, window->windowHandle());
    return true;
}

bool StaticText::showAhead(qint64 firstSecondMs, const QStringList& texts) {
    stopAhead(false);
    QWidget* window = parentWidget();
    QBrush background;
    if (texts.isEmpty() || !stale_.isEmpty() || !window || !drawsStraight(QRect(), &background) ||
        !window->rect().contains(geometry()) || window->devicePixelRatio() != 1.0)
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    const auto id = static_cast<quint32>(window->winId());
    if (id != checkedWindow_) {
        checkedWindow_ = id;
        windowSuits_ = SecondsTicker::suits(connection, id);
    }
    if (!windowSuits_) return false;

    QList<QRect> rects;
    QRect all;
    QString from = text_;
    for (const QString& text : texts) {
        rects.append(changedRect(from, text));
        all |= rects.back();
        from = text;
    }
    if (!drawsStraight(all.translated(pos()), &background)) return false;

    // Each second's changed piece, drawn as a repaint would draw it.
    std::vector<SecondsTicker::Patch> patches;
    patches.reserve(static_cast<size_t>(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        SecondsTicker::Patch patch;
        patch.dueMs = firstSecondMs + i * 1000;
        const QRect& area = rects[i];
        if (!area.isEmpty()) {
            patch.image = this->patch(area, texts[i], background);
            if (patch.image < 0) return false;
            patch.at = area.topLeft() + pos();
        }
        patches.push_back(std::move(patch));
    }
    if (watched_ != window->windowHandle()) {
        watched_ = window->windowHandle();
        watched_->installEventFilter(this);
    }
    // Texts that all look alike (no seconds shown) need nobody to draw them.
    aheadDrawn_ = !all.isEmpty();
    if (aheadDrawn_) {
        if (!ticker_)
            ticker_ = std::make_unique<SecondsTicker>(QCoreApplication::applicationDirPath() +
                                                      QStringLiteral("/chikutaku-ticker"));
        if (!ticker_->start(id, patches, patches_, [this] {
                QMetaObject::invokeMethod(
                    this, [this] { stopAhead(true); }, Qt::QueuedConnection);
            }))
            return false;
    }
    aheadTexts_ = texts;
    aheadRects_ = rects;
    aheadFirstMs_ = firstSecondMs;
    return true;
}

int StaticText::patch(const QRect& area, const QString& text, const QBrush& background) {
    // The seconds repeat every minute: the same digits at the same places look the same.
    QString key;
    key.reserve(16);
    for (const int n : {area.x(), area.y(), area.width(), area.height()})
        key += QChar(char16_t(n));
    qreal x = width() - textWidth(text);
    for (const QChar c : text) {
        const Piece& pc = piece(c);
        if (cell(pc, x).intersects(area)) {
            key += c;
            key += QChar(char16_t(qRound(x * 64)));
        }
        x += pc.advance;
    }
    if (const auto it = patchNumbers_.constFind(key); it != patchNumbers_.constEnd()) return *it;
    if (patches_.size() >= 256) return -1; // not a clock's seconds: not drawn ahead
    QImage image(area.size(), QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), background);
    p.translate(-area.topLeft());
    drawText(p, area, text);
    p.end();
    patches_.append(image);
    patchNumbers_.insert(key, int(patches_.size() - 1));
    return int(patches_.size() - 1);
}

void StaticText::forgetPatches() {
    patches_.clear();
    patchNumbers_.clear();
    if (ticker_) ticker_->forgetImages();
}

qint64 StaticText::takeBackAhead() {
    if (aheadTexts_.isEmpty()) return -1;
    const int shown = aheadDrawn_ ? ticker_->stop() : shownByTime();
    for (int i = 0; i <= shown; ++i)
        stale_ |= aheadRects_[i];
    if (shown >= 0) text_ = aheadTexts_[shown];
    const qint64 shownMs = shown >= 0 ? aheadFirstMs_ + shown * qint64(1000) : -1;
    aheadTexts_.clear();
    aheadRects_.clear();
    return shownMs;
}

qint64 StaticText::dropAhead() { return takeBackAhead(); }

void StaticText::stopAhead(bool late) {
    if (aheadTexts_.isEmpty()) return;
    const qint64 shownMs = takeBackAhead();
    Q_EMIT aheadStopped(shownMs, late);
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
    stopAhead(false);
    QPainter p(this);
    drawText(p, event->rect(), text_);
    painted_ = true;
    const QRect stale = std::exchange(stale_, QRect());
    if (!stale.isEmpty() && !event->rect().contains(stale)) update(stale);
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
