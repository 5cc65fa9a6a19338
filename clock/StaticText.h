#pragma once
// A one-line label for the clock strip. It draws its text right-aligned and vertically
// centred in its own rectangle. The strip's text changes every second all day but is made of
// a few dozen distinct characters, so each character is laid out once and kept; a new text
// costs no text shaping, only placing the kept pieces side by side, and repaints only the
// characters whose look or place changed (usually the last digit of the seconds). Such a
// small change is drawn straight into the window's pixels and sent to the screen, without a
// trip through the widget repaint machinery; anything else goes through an ordinary update.
// On X11 the texts of the coming seconds can be handed over at once: their changed pieces are
// drawn ahead and a ticker thread puts each on the screen at its second.

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QStaticText>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace taku {

class StaticText final : public QWidget {
    Q_OBJECT
public:
    explicit StaticText(const QString& text, QWidget* parent = nullptr);
    ~StaticText() override;

    // The text on the screen.
    QString text() const;
    // Shows a new text, repainting only the part of the label that changes.
    void setText(const QString& text);

    // The part of the label that differs between showing `from` and showing `to`.
    QRect changedRect(const QString& from, const QString& to);

    // Shows the texts by itself, one a second from firstSecondMs on; false when it cannot
    // here (not X11, or the label not drawn straight into its window).
    bool showAhead(qint64 firstSecondMs, const QStringList& texts);
    // Stops showing texts ahead; returns the start of the last second shown, or -1.
    qint64 dropAhead();

Q_SIGNALS:
    // Showing texts ahead ended by itself: the window was exposed, repainted, hidden or
    // changed, or (late) a second came after its time.
    void aheadStopped(qint64 lastShownMs, bool late);

protected:
    void paintEvent(class QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(class QHideEvent* event) override;
    void moveEvent(class QMoveEvent* event) override;
    void resizeEvent(class QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    // Whether drawing the label straight into the window gives what a repaint would: it sits
    // directly on a shown window filled with one opaque colour (returned in background), and
    // no other child overlaps inWindow.
    bool drawsStraight(const QRect& inWindow, QBrush* background) const;
    // Repaints `area` straight in the window's backing store and shows it; false when that
    // would not give what a repaint would.
    bool paintInPlace(const QRect& area);
    qreal textWidth(const QString& text);
    QRect cell(const Piece& piece, qreal x) const;
    // Stops the ticker; the text it showed last becomes the label's text and what it drew is
    // left to be painted into the backing store. Returns the start of that second, or -1.
    qint64 takeBackAhead();
    void stopAhead(bool late);
    // The index of the text ahead whose second has begun, -1 before the first.
    int shownByTime() const;
    // The number of the picture of `area` showing `text`, drawn once for each look and kept.
    int patch(const QRect& area, const QString& text, const QBrush& background);
    void forgetPatches();

    QString text_;
    QHash<char16_t, Piece> pieces_;
    qreal lineHeight_ = 0;
    bool painted_ = false; // a paint event has drawn the label since it was last shown

    std::unique_ptr<class SecondsTicker> ticker_;
    QStringList aheadTexts_; // handed to the ticker, one a second from aheadFirstMs_
    QList<QRect> aheadRects_;
    qint64 aheadFirstMs_ = 0;
    bool aheadDrawn_ = false; // the texts differ, and the ticker draws them
    QRect stale_;             // drawn on the screen by the ticker, not yet in the backing store
    QHash<QString, int> patchNumbers_; // by what they show: place, characters and their places
    QList<QImage> patches_;
    QPointer<class QWindow> watched_;
    quint32 checkedWindow_ = 0; // the X window last asked whether it takes the ticker's pixels
    bool windowSuits_ = false;
};

} // namespace taku
