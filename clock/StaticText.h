#pragma once
// A one-line label for the clock strip. It draws its text right-aligned and vertically
// centred in its own rectangle. The strip's text changes every second all day but is made of
// a few dozen distinct characters, so each character is laid out once and kept; a new text
// costs no text shaping, only placing the kept pieces side by side.

#include <QHash>
#include <QStaticText>
#include <QWidget>

namespace taku {

class StaticText final : public QWidget {
    Q_OBJECT
public:
    explicit StaticText(const QString& text, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);

protected:
    void paintEvent(class QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Piece final {
        QStaticText layout;
        qreal advance = 0;
    };
    const Piece& piece(QChar c);

    QString text_;
    QHash<char16_t, Piece> pieces_;
    qreal lineHeight_ = 0;
};

} // namespace taku
