#pragma once
// A one-line label for the clock strip. It draws its text right-aligned and vertically
// centred in its own rectangle. The strip's text changes every second all day but is made of
// a few dozen distinct characters, so each character is laid out once and kept; a new text
// costs no text shaping, only placing the kept pieces side by side, and repaints only the
// characters whose look or place changed (usually the last digit of the seconds). Such a
// small change is drawn straight into the window's pixels and sent to the screen, without a
// trip through the widget repaint machinery; anything else goes through an ordinary update.

#include <QHash>
#include <QStaticText>
#include <QWidget>

namespace taku {

class StaticText final : public QWidget {
    Q_OBJECT
public:
    explicit StaticText(const QString& text, QWidget* parent = nullptr);

    QString text() const { return text_; }
    // Shows a new text, repainting only the part of the label that changes.
    void setText(const QString& text);

    // The part of the label that differs between showing `from` and showing `to`.
    QRect changedRect(const QString& from, const QString& to);

protected:
    void paintEvent(class QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Piece final {
        QStaticText layout;
        qreal advance = 0;
        qreal inkLeft = 0;  // where the glyph's pixels may begin, from its origin
        qreal inkRight = 0; // and where they may end
    };
    const Piece& piece(QChar c);
    // Draws the characters of `text` that meet `area` (label coordinates).
    void drawText(class QPainter& painter, const QRect& area, const QString& text);
    // Repaints `area` straight in the window's backing store and shows it; false when that
    // would not give what a repaint would.
    bool paintInPlace(const QRect& area);
    qreal textWidth(const QString& text);
    QRect cell(const Piece& piece, qreal x) const;

    QString text_;
    QHash<char16_t, Piece> pieces_;
    qreal lineHeight_ = 0;
};

} // namespace taku
