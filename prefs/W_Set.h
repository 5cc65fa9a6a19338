#pragma once
// The settings window "設定".

#include <QWidget>

namespace taku {

class W_Set final : public QWidget {
    Q_OBJECT
public:
    explicit W_Set(QWidget* parent = nullptr);
};

} // namespace taku
