#pragma once
// The application object: it owns the menu bar and serves the settings command whichever
// window is in front.

#include <QApplication>
#include <QPointer>

namespace taku {

class MenuBar1;
class W_Time;

class App final : public QApplication {
    Q_OBJECT
public:
    App(int& argc, char** argv);
    ~App() override;
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    void EnableMenuItems();
    // Opens the settings window (or brings it to the front).
    bool _Setting_Action();

    // Connects the clock strip: its clicks open the settings window or the menu, and the
    // windows reach the clock through the clock commands.
    void attachClock(W_Time* clock);
    // Closes the clock strip, which saves the preferences and ends the program.
    void closeClock();

private:
    MenuBar1* menuBar_ = nullptr;
    QPointer<W_Time> clock_;
};

} // namespace taku
