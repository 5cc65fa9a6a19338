// The menu bar and its commands, run inside the real application object: the items, the
// settings command from whichever window is in front, quitting through the clock window and
// the editing commands on the focused field of any window.

#include "app/App.h"
#include "app/MenuBar1.h"
#include "base/Windows.h"
#include "clock/W_Time.h"
#include "events/W_Event.h"
#include "prefs/PrefsFile.h"
#include "prefs/W_Set.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

int countWindows(const QMetaObject& kind) {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        n += top->metaObject() == &kind && top->isVisible();
    return n;
}

bool bringToFront(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

} // namespace

class TestMenuBar final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<W_Time> clock;

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        env->edit([](SettingsRecord& s) { applyFirstRunValues(s); });
        clock = std::make_unique<W_Time>();
        clock->core().Timer1.setMode(TimerMode::Off);
        qobject_cast<App*>(qApp)->attachClock(clock.get());
        QVERIFY(bringToFront(clock.get()));
    }

    void cleanup() {
        delete openWindow<W_Set>();
        delete openWindow<W_Event>();
        clock.reset();
        env.reset();
    }

    void itemsInOrder() {
        MenuBar1* bar = menuBar();
        QVERIFY(bar);
        QCOMPARE(bar->FileMenu->title(), QStringLiteral("&File"));
        QCOMPARE(bar->EditMenu->title(), QStringLiteral("&Edit"));
        const auto describe = [](QMenu* menu) {
            QStringList rows;
            for (QAction* a : menu->actions()) {
                rows << a->objectName() + QLatin1Char('|') +
                            (a->isSeparator() ? QStringLiteral("-") : a->text()) +
                            QLatin1Char('|') + a->shortcut().toString(QKeySequence::PortableText);
            }
            return rows;
        };
        QCOMPARE(describe(bar->FileMenu),
                 (QStringList{"FileQuit|&Quit|Ctrl+Q", "Setting|環境設定...|Ctrl+,"}));
        QCOMPARE(
            describe(bar->EditMenu),
            (QStringList{"EditUndo|&Undo|Ctrl+Z", "UntitledMenu1|-|", "EditCut|Cu&t|Ctrl+X",
                         "EditCopy|&Copy|Ctrl+C", "EditPaste|&Paste|Ctrl+V", "EditClear|&Delete|",
                         "UntitledMenu0|-|", "EditSelectAll|Select &All|Ctrl+A"}));
        QCOMPARE(Setting(), bar->Setting);
        bar->Setting->setEnabled(false);
        static_cast<App*>(qApp)->EnableMenuItems();
        QVERIFY(Setting()->isEnabled());
    }

    void rightClickOnTheClockOpensTheMenuTree() {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                clock->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(clock.get(), &event);
        QMenu* popup = menuBar()->popupMenu();
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->actions().size(), 2);
        QCOMPARE(popup->actions()[0]->menu(), menuBar()->FileMenu);
        QCOMPARE(popup->actions()[1]->menu(), menuBar()->EditMenu);
        popup->hide();
    }

    void settingShortcutFromTheClockWindow() {
        QTest::keyClick(clock.get(), Qt::Key_Comma, Qt::ControlModifier);
        W_Set* w = openWindow<W_Set>();
        QVERIFY(w && w->isVisible());
        // Again, with the clock in front once more: the same window, no second one.
        QVERIFY(bringToFront(clock.get()));
        QTest::keyClick(clock.get(), Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(openWindow<W_Set>(), w);
        QCOMPARE(countWindows(W_Set::staticMetaObject), 1);
    }

    void settingShortcutFromAnotherWindow() {
        W_Event* events = showWindow<W_Event>();
        QVERIFY(bringToFront(events));
        QVERIFY(!openWindow<W_Set>());
        QTest::keyClick(events, Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(openWindow<W_Set>() && openWindow<W_Set>()->isVisible());
        QCOMPARE(countWindows(W_Set::staticMetaObject), 1);

        // From the settings window itself it only brings it forward.
        W_Set* w = openWindow<W_Set>();
        QVERIFY(bringToFront(w));
        QTest::keyClick(w, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(openWindow<W_Set>(), w);
        QCOMPARE(countWindows(W_Set::staticMetaObject), 1);
    }

    void settingItemWithNoWindowInFront() {
        clock->hide();
        Setting()->trigger();
        QVERIFY(openWindow<W_Set>() && openWindow<W_Set>()->isVisible());
    }

    void quitClosesTheClockAndSavesThePreferences() {
        env->edit([](SettingsRecord& s) { s.AlarmMinute = 42; });
        W_Set* w = showWindow<W_Set>();
        QVERIFY(bringToFront(w));
        QVERIFY(!QFile::exists(env->file(QStringLiteral("Taku.Prefs"))));
        QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!clock->isVisible());
        const QByteArray saved = env->read(QStringLiteral("Taku.Prefs"));
        QVERIFY(!saved.isEmpty());
        settingsStore().replace(SettingsRecord{});
        clock->Set_Pref();
        QCOMPARE(Settings().AlarmMinute, 42);
    }

    void editCommandsActOnTheFocusedField() {
        W_Set* w = showWindow<W_Set>();
        QVERIFY(bringToFront(w));
        MenuBar1* bar = menuBar();
        QLineEdit* field = w->Edit_M;
        field->setFocus();
        field->setText(QStringLiteral("25"));
        QCOMPARE(QApplication::focusWidget(), field);

        bar->EditSelectAll->trigger();
        QCOMPARE(field->selectedText(), QStringLiteral("25"));
        bar->EditCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("25"));
        bar->EditClear->trigger();
        QCOMPARE(field->text(), QString());
        QCOMPARE(Settings().AlarmMinute, 0); // the field's own handler saw the change
        bar->EditPaste->trigger();
        QCOMPARE(field->text(), QStringLiteral("25"));
        QCOMPARE(Settings().AlarmMinute, 25);
        bar->EditSelectAll->trigger();
        bar->EditCut->trigger();
        QCOMPARE(field->text(), QString());
        bar->EditUndo->trigger();
        QCOMPARE(field->text(), QStringLiteral("25"));

        // Delete with nothing selected leaves the text alone.
        field->deselect();
        field->setCursorPosition(0);
        bar->EditClear->trigger();
        QCOMPARE(field->text(), QStringLiteral("25"));
    }

    void editCommandsWithoutAnEditFieldDoNothing() {
        QVERIFY(bringToFront(clock.get()));
        clock->setFocus();
        menuBar()->EditPaste->trigger();
        menuBar()->EditClear->trigger();
        QVERIFY(clock->isVisible());
    }
};

int main(int argc, char** argv) {
    App app(argc, argv);
    TestMenuBar test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_menu_bar.moc"
