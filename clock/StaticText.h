#pragma once
// A one-line label for the clock strip. It draws its text right-aligned and vertically
// centred in its own rectangle, laying the text out once per change rather than at every
// paint: the strip changes its text every second all day long.

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
    QString text_;
    QStaticText layout_;
};

} // namespace taku
