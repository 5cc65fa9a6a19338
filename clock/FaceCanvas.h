#pragma once
// The 20-pixel analog face in the clock strip.

#include "clock/ClockText.h"

#include <QWidget>

namespace taku {

class FaceCanvas final : public QWidget {
    Q_OBJECT
public:
    explicit FaceCanvas(QWidget* parent = nullptr);
    void setTime(int hour, int minute, int second, bool showSeconds);
    const FaceHands& hands() const { return hands_; }

    // Draws the face into a painter whose origin is the canvas's top-left corner.
    static void paintFace(class QPainter& painter, const FaceHands& hands, bool showSeconds);

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    FaceHands hands_;
    bool showSeconds_ = false;
};

// The speaker picture of the strip's button, drawn once and kept.
const class QPixmap& Speaker();

} // namespace taku
