#include "app/MenuBar1.h"

#include "app/App.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace taku {

namespace {
MenuBar1* theMenuBar = nullptr;

// Windows that get the shortcuts: every real window, not menus, tool tips or other popups.
bool isApplicationWindow(const QWidget* w) {
    if (!w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}
} // namespace

QAction* Setting() { return theMenuBar ? theMenuBar->Setting : nullptr; }

void showMenuBarAsPopup(const QPoint& globalPos) {
    if (theMenuBar) theMenuBar->showAsPopup(globalPos);
}

MenuBar1::MenuBar1(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("MenuBar1"));
    popup_ = new QMenu();
    popup_->setObjectName(QStringLiteral("MenuBar1"));

    FileMenu = popup_->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    FileQuit = addItem(FileMenu, QStringLiteral("FileQuit"), QStringLiteral("&Quit"),
                       QKeySequence(Qt::CTRL | Qt::Key_Q));
    FileQuit->setMenuRole(QAction::QuitRole);
    Setting = addItem(FileMenu, QStringLiteral("Setting"), QStringLiteral("環境設定..."),
                      QKeySequence(Qt::CTRL | Qt::Key_Comma));
    Setting->setMenuRole(QAction::PreferencesRole);

    EditMenu = popup_->addMenu(QStringLiteral("&Edit"));
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    EditUndo = addItem(EditMenu, QStringLiteral("EditUndo"), QStringLiteral("&Undo"),
                       QKeySequence(Qt::CTRL | Qt::Key_Z));
    UntitledMenu1 = addSeparator(EditMenu, QStringLiteral("UntitledMenu1"));
    EditCut = addItem(EditMenu, QStringLiteral("EditCut"), QStringLiteral("Cu&t"),
                      QKeySequence(Qt::CTRL | Qt::Key_X));
    EditCopy = addItem(EditMenu, QStringLiteral("EditCopy"), QStringLiteral("&Copy"),
                       QKeySequence(Qt::CTRL | Qt::Key_C));
    EditPaste = addItem(EditMenu, QStringLiteral("EditPaste"), QStringLiteral("&Paste"),
                        QKeySequence(Qt::CTRL | Qt::Key_V));
    EditClear =
        addItem(EditMenu, QStringLiteral("EditClear"), QStringLiteral("&Delete"), QKeySequence());
    UntitledMenu0 = addSeparator(EditMenu, QStringLiteral("UntitledMenu0"));
    EditSelectAll = addItem(EditMenu, QStringLiteral("EditSelectAll"),
                            QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));

    connect(FileQuit, &QAction::triggered, this, [this] { quit(); });
    connect(Setting, &QAction::triggered, this, [this] { settings(); });
    connect(EditUndo, &QAction::triggered, this, [this] { editCommand("undo"); });
    connect(EditCut, &QAction::triggered, this, [this] { editCommand("cut"); });
    connect(EditCopy, &QAction::triggered, this, [this] { editCommand("copy"); });
    connect(EditPaste, &QAction::triggered, this, [this] { editCommand("paste"); });
    connect(EditClear, &QAction::triggered, this, [this] { editClear(); });
    connect(EditSelectAll, &QAction::triggered, this, [this] { editCommand("selectAll"); });

    // Before a menu opens the application enables what it serves.
    for (QMenu* menu : {popup_, FileMenu, EditMenu}) {
        connect(menu, &QMenu::aboutToShow, this, [] {
            if (auto* app = qobject_cast<App*>(QCoreApplication::instance()))
                app->EnableMenuItems();
        });
    }

#ifdef Q_OS_MACOS
    nativeBar_ = new QMenuBar(nullptr);
    nativeBar_->addMenu(FileMenu);
    nativeBar_->addMenu(EditMenu);
#endif

    // Every window that shows carries the items, so their shortcuts (application-wide) work
    // whichever window is in front.
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (isApplicationWindow(w)) w->addActions(FileMenu->actions() + EditMenu->actions());
    }
    theMenuBar = this;
}

MenuBar1::~MenuBar1() {
    if (theMenuBar == this) theMenuBar = nullptr;
    delete nativeBar_;
    delete popup_;
}

QAction* MenuBar1::addItem(QMenu* menu, const QString& name, const QString& caption,
                           const QKeySequence& shortcut) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

QAction* MenuBar1::addSeparator(QMenu* menu, const QString& name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

void MenuBar1::showAsPopup(const QPoint& globalPos) { popup_->popup(globalPos); }

bool MenuBar1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // Adding an action a widget already has changes nothing.
        if (isApplicationWindow(w)) w->addActions(FileMenu->actions() + EditMenu->actions());
    }
    return QObject::eventFilter(watched, event);
}

void MenuBar1::quit() {
    // Through the clock window's closing, so the preferences are saved first.
    if (auto* app = qobject_cast<App*>(QCoreApplication::instance()))
        app->closeClock();
    else
        QCoreApplication::quit();
}

void MenuBar1::settings() {
    // The application object serves the command, whichever window is in front, or none.
    if (auto* app = qobject_cast<App*>(QCoreApplication::instance())) app->_Setting_Action();
}

void MenuBar1::editCommand(const char* slot) {
    // The focused widget's own editing behaviour: line edits, text edits, lists.
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    const QByteArray signature = QByteArray(slot) + "()";
    if (focus->metaObject()->indexOfMethod(signature.constData()) < 0) return;
    QMetaObject::invokeMethod(focus, slot);
}

void MenuBar1::editClear() {
    // Delete removes the selection as the Delete key does in every editor.
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    const QVariant selected = focus->property("hasSelectedText");
    if (selected.isValid() && !selected.toBool()) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(focus, &press);
    QCoreApplication::sendEvent(focus, &release);
}

} // namespace taku
