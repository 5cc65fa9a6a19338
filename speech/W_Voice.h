#pragma once
// The pronunciation editor "発音表".

#include <QWidget>

namespace taku {

class W_Voice final : public QWidget {
    Q_OBJECT
public:
    explicit W_Voice(QWidget* parent = nullptr);
};

} // namespace taku
