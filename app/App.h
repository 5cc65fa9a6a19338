#pragma once
// The application object: it owns the menu bar and serves the settings command whichever
// window is in front.

#include <QApplication>

namespace taku {

class MenuBar1;

class App final : public QApplication {
    Q_OBJECT
public:
    App(int& argc, char** argv);
    ~App() override;
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    MenuBar1* MenuBar() const { return menuBar_; }

    void EnableMenuItems();
    bool _Setting_Action();

private:
    MenuBar1* menuBar_ = nullptr;
};

} // namespace taku
