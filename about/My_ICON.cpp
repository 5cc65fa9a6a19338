#include "about/My_ICON.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace taku {

namespace {

// A point at a clock angle (0 = twelve o'clock, clockwise, in degrees) and radius.
QPointF onDial(QPointF centre, double degrees, double radius) {
    const double a = qDegreesToRadians(degrees);
    return {centre.x() + radius * std::sin(a), centre.y() - radius * std::cos(a)};
}

} // namespace

QPixmap drawMyIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Everything is drawn on a 32-unit grid and scaled.
    p.scale(size / 32.0, size / 32.0);

    const QPointF c(16, 17.5);
    const QColor rimDark(92, 38, 150);
    const QColor rimLight(176, 112, 236);

    // The two bells on top, behind the case, and the hammer between them.
    p.setPen(QPen(rimDark, 0.8));
    p.setBrush(QColor(250, 196, 60));
    for (double side : {-1.0, 1.0}) {
        QPainterPath bell;
        const QPointF b = onDial(c, side * 40, 12.5);
        bell.moveTo(b + QPointF(-4.6, 2.2));
        bell.arcTo(QRectF(b.x() - 4.6, b.y() - 4.0, 9.2, 8.4), 180, -180);
        bell.closeSubpath();
        p.save();
        p.translate(b);
        p.rotate(side * 40);
        p.translate(-b);
        p.drawPath(bell);
        p.restore();
    }
    p.setPen(QPen(rimDark, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 3.2), QPointF(16, 6.0));

    // The feet.
    p.drawLine(onDial(c, 215, 12.0), onDial(c, 215, 15.0));
    p.drawLine(onDial(c, 145, 12.0), onDial(c, 145, 15.0));

    // The case: a violet ring with a soft highlight at the top left.
    QRadialGradient rim(c - QPointF(4, 4), 16);
    rim.setColorAt(0.0, rimLight);
    rim.setColorAt(1.0, rimDark);
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, 12.5, 12.5);

    // The dial.
    QRadialGradient dial(c - QPointF(2, 3), 12);
    dial.setColorAt(0.0, QColor(255, 255, 255));
    dial.setColorAt(1.0, QColor(236, 228, 246));
    p.setBrush(dial);
    p.drawEllipse(c, 10.0, 10.0);

    // Hour marks: longer at 12, 3, 6 and 9.
    for (int h = 0; h < 12; ++h) {
        const bool quarter = h % 3 == 0;
        p.setPen(QPen(QColor(60, 40, 80), quarter ? 1.3 : 0.7, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(onDial(c, h * 30.0, quarter ? 6.8 : 7.8), onDial(c, h * 30.0, 9.0));
    }

    // Ten past ten, the hands' friendliest pose, with a red second hand.
    p.setPen(QPen(QColor(30, 30, 40), 1.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, onDial(c, 10 * 30.0 + 5, 5.2));
    p.setPen(QPen(QColor(30, 30, 40), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, onDial(c, 60.0, 7.6));
    p.setPen(QPen(QColor(220, 40, 60), 0.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(onDial(c, 330.0, 2.0), onDial(c, 150.0, 8.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 60));
    p.drawEllipse(c, 1.2, 1.2);
    return pm;
}

const QPixmap& My_ICON() {
    static const QPixmap picture = drawMyIcon(32);
    return picture;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(drawMyIcon(size));
    return icon;
}

} // namespace taku
