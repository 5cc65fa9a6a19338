#pragma once
// The menu bar: File (Quit, 環境設定...) and the standard Edit menu. Where the platform has a
// global menu bar this is that menu bar; elsewhere the same tree opens as a context menu on
// the clock strip. The shortcuts work from every window of the application.

#include <QObject>
#include <QPoint>

class QAction;
class QMenu;
class QMenuBar;

namespace taku {

class MenuBar1 final : public QObject {
    Q_OBJECT
public:
    explicit MenuBar1(QObject* parent = nullptr);
    ~MenuBar1() override;

    QMenu* FileMenu = nullptr;
    QAction* FileQuit = nullptr;
    QAction* Setting = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* EditUndo = nullptr;
    QAction* UntitledMenu1 = nullptr;
    QAction* EditCut = nullptr;
    QAction* EditCopy = nullptr;
    QAction* EditPaste = nullptr;
    QAction* EditClear = nullptr;
    QAction* UntitledMenu0 = nullptr;
    QAction* EditSelectAll = nullptr;

    // The whole tree as one context menu ("&File" and "&Edit" as its submenus).
    void showAsPopup(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& shortcut);
    QAction* addSeparator(QMenu* menu, const QString& name);
    void quit();
    void settings();
    void editCommand(const char* slot);
    void editClear();

    QMenu* popup_ = nullptr;
    QMenuBar* nativeBar_ = nullptr; // only where the platform shows a global menu bar
};

// The "環境設定..." item of the application's menu bar, or null before it exists.
QAction* Setting();

void showMenuBarAsPopup(const QPoint& globalPos);

} // namespace taku
