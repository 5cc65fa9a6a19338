#pragma once
// The event editor "イベント設定".

#include <QWidget>

namespace taku {

class W_Event final : public QWidget {
    Q_OBJECT
public:
    explicit W_Event(QWidget* parent = nullptr);
};

} // namespace taku
