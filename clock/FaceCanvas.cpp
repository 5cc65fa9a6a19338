#include "clock/FaceCanvas.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace taku {

FaceCanvas::FaceCanvas(QWidget* parent) : QWidget(parent) {
    setFixedSize(20, 20);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FaceCanvas::setTime(int hour, int minute, int second, bool showSeconds) {
    const FaceHands hands = faceHands(hour, minute, second);
    if (hands.hour == hands_.hour && hands.minute == hands_.minute &&
        hands.second == hands_.second && showSeconds == showSeconds_)
        return;
    hands_ = hands;
    showSeconds_ = showSeconds;
    update();
}

void FaceCanvas::paintFace(QPainter& p, const FaceHands& hands, bool showSeconds) {
    const QPoint centre(9, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.drawEllipse(QRect(0, 0, 19, 19)); // the dial fills the 20 x 20 box
    p.setPen(QPen(QColor(0, 255, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, hands.hour);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.drawLine(centre, hands.minute);
    if (showSeconds) {
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.drawEllipse(QRect(hands.second, QSize(2, 2)));
    }
}

void FaceCanvas::paintEvent(QPaintEvent*) {
    // The cleared canvas shows the window background beneath it.
    QPainter p(this);
    paintFace(p, hands_, showSeconds_);
}

const QPixmap& Speaker() {
    static const QPixmap picture = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        QPainterPath body;
        body.moveTo(1, 6);
        body.lineTo(4, 6);
        body.lineTo(8, 2);
        body.lineTo(8, 14);
        body.lineTo(4, 10);
        body.lineTo(1, 10);
        body.closeSubpath();
        p.drawPath(body);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 40, 40), 1.3));
        p.drawArc(QRectF(6, 5, 5, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(5, 3, 9, 10), -60 * 16, 120 * 16);
        return pm;
    }();
    return picture;
}

} // namespace taku
