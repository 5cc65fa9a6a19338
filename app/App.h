#pragma once
// The application object.

#include <QApplication>

namespace taku {

class App final : public QApplication {
    Q_OBJECT
public:
    App(int& argc, char** argv);
    bool _Setting_Action();
};

} // namespace taku
