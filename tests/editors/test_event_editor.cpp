// The event editor, driven through its widgets: the rows it opens with, live editing of the
// selected row, adding, deleting, dragging, and what "設定保存" leaves in "event.txt" for the
// next start-up check.

#include "base/TextFile.h"
#include "base/Windows.h"
#include "clock/ClockCore.h"
#include "events/W_Event.h"
#include "support/CrashDuringSave.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>

using namespace taku;
using taku::test::TestEnv;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(TAKU_TEST_DATA "/") + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList rowTexts(const EventList* list, int row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return {item->text(1), item->text(2), item->text(3)};
}

bool hasCheckBox(const EventList* list, int row) {
    return list->topLevelItem(row)->data(0, Qt::CheckStateRole).isValid();
}

bool ticked(const EventList* list, int row) {
    return hasCheckBox(list, row) && list->topLevelItem(row)->checkState(0) == Qt::Checked;
}

void clickRow(EventList* list, int row) {
    const QRect cell = list->visualRect(list->model()->index(row, 3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

void clickCheckBox(EventList* list, int row) {
    QStyleOptionViewItem opt;
    opt.initFrom(list->viewport());
    opt.rect = list->visualRect(list->model()->index(row, 0));
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box =
        list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

// A row dragged with the mouse within the list, released at a point of the viewport.
void dragRow(EventList* list, const QMimeData* mime, const QPoint& to) {
    QDragEnterEvent enter(to, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(to, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QDropEvent drop(QPointF(to), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
}

std::unique_ptr<QMimeData> rowMime(EventList* list, int row) {
    return std::unique_ptr<QMimeData>(list->model()->mimeData({list->model()->index(row, 0)}));
}

} // namespace

class TestEventEditor final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    W_Event* open() {
        W_Event* w = showWindow<W_Event>();
        if (!QTest::qWaitForWindowExposed(w)) qWarning("editor window not exposed");
        return w;
    }
    void closeWith(W_Event* w) {
        QTest::mouseClick(w->PushButton5, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QByteArray eventFile() const { return env->read(QStringLiteral("event.txt")); }
    void useFixture() { env->write(QStringLiteral("event.txt"), fixture("editor_events.txt")); }
    // What the clock's start-up check says with the file as it is now (today: 24 December).
    QStringList startUpMessages() {
        env->speech.spoken.clear();
        ClockCore clock;
        clock.Timer1.setMode(TimerMode::Off);
        clock.speakTodaysEvents();
        return env->speech.spoken;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        delete openWindow<W_Event>();
        env.reset();
    }

    void withoutAFileTheDefaultRowsAreSavedInactive() {
        W_Event* w = open();
        QCOMPARE(w->windowTitle(), QStringLiteral("イベント設定"));
        QCOMPARE(w->size(), QSize(510, 276));
        EventList* list = w->ListBox1;
        QCOMPARE(list->geometry(), QRect(10, 33, 391, 229));
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("動作中"));
        QCOMPARE(list->headerItem()->text(1), QStringLiteral("月"));
        QCOMPARE(list->headerItem()->text(2), QStringLiteral("日"));
        QCOMPARE(list->headerItem()->text(3), QStringLiteral("メッセージ"));
        QCOMPARE(list->columnWidth(0), 59);
        QCOMPARE(list->columnWidth(1), 31);
        QCOMPARE(list->columnWidth(2), 31);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);

        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(list, 0), (QStringList{"1", "1", "A Happy New Year!"}));
        QCOMPARE(rowTexts(list, 1), (QStringList{"12", "25", "Merry Xmas!"}));
        QVERIFY(!hasCheckBox(list, 0) && !hasCheckBox(list, 1));
        QCOMPARE(list->topLevelItem(0)->text(0), QString());
        QCOMPARE(w->ListIndex(), -1);
        QVERIFY(startUpMessages().isEmpty());

        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(eventFile(), QByteArray("False\t1\t1\tA Happy New Year!\n"
                                         "False\t12\t25\tMerry Xmas!\n"));

        // Loaded back, every row has its box, unticked.
        closeWith(w);
        list = open()->ListBox1;
        QCOMPARE(list->topLevelItemCount(), 2);
        QVERIFY(hasCheckBox(list, 0) && !ticked(list, 0));
        QVERIFY(hasCheckBox(list, 1) && !ticked(list, 1));
    }

    void withoutADataFolderNothingIsSaved() {
        env.reset(); // one TestEnv at a time: each installs the services and the data folder
        env = std::make_unique<TestEnv>(false);
        W_Event* w = open();
        QCOMPARE(w->ListBox1->topLevelItemCount(), 2);
        w->Save_Event();
        QVERIFY(!QFile::exists(env->file(QStringLiteral("event.txt"))));
    }

    void loadsEveryNonEmptyLineWithABox() {
        useFixture();
        EventList* list = open()->ListBox1;
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(rowTexts(list, 0), (QStringList{"1", "1", "A Happy New Year!"}));
        QCOMPARE(rowTexts(list, 1), (QStringList{"12", "25", "Merry Xmas!"}));
        QCOMPARE(rowTexts(list, 2), (QStringList{"12", "24", "クリスマスイブ"}));
        QVERIFY(ticked(list, 0));
        QVERIFY(hasCheckBox(list, 1) && !ticked(list, 1));
        QVERIFY(ticked(list, 2));
    }

    void addingARowOnThreeRows() {
        useFixture();
        W_Event* w = open();
        clickRow(w->ListBox1, 1);
        QCOMPARE(w->EditField3->text(), QStringLiteral("Merry Xmas!"));

        QTest::mouseClick(w->PushButton2, Qt::LeftButton);
        EventList* list = w->ListBox1;
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(w->ListIndex(), 3);
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(rowTexts(list, 3), (QStringList{"", "", ""}));
        QVERIFY(hasCheckBox(list, 3) && !ticked(list, 3));
        QCOMPARE(w->EditField1->text(), QString());
        QCOMPARE(w->EditField2->text(), QString());
        QCOMPARE(w->EditField3->text(), QString());
        QCOMPARE(w->focusWidget(), w->EditField1);
        QCOMPARE(rowTexts(list, 1), (QStringList{"12", "25", "Merry Xmas!"}));
    }

    void typingEditsTheSelectedRowAtOnce() {
        useFixture();
        W_Event* w = open();
        EventList* list = w->ListBox1;
        clickRow(list, 0);
        QCOMPARE(w->EditField1->text(), QStringLiteral("1"));

        w->EditField1->setFocus();
        w->EditField1->selectAll();
        QTest::keyClick(w->EditField1, Qt::Key_1);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("1"));
        QTest::keyClick(w->EditField1, Qt::Key_2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("12"));

        // Deleting ahead of the caret moves no caret, and still reaches the row.
        w->EditField3->setFocus();
        w->EditField3->setCursorPosition(0);
        QTest::keyClick(w->EditField3, Qt::Key_Delete);
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral(" Happy New Year!"));
        QTest::keyClick(w->EditField3, Qt::Key_End);
        QTest::keyClick(w->EditField3, Qt::Key_Backspace);
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral(" Happy New Year"));

        // A TAB never reaches a cell: the saved line keeps its four fields.
        w->EditField3->insert(QStringLiteral("\tand\tmore\n"));
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral(" Happy New Year and more "));

        // Selecting another row shows its cells; what was typed stays in the first row.
        clickRow(list, 2);
        QCOMPARE(w->EditField1->text(), QStringLiteral("12"));
        QCOMPARE(w->EditField2->text(), QStringLiteral("24"));
        QCOMPARE(w->EditField3->text(), QStringLiteral("クリスマスイブ"));
        QCOMPARE(rowTexts(list, 0), (QStringList{"12", "1", " Happy New Year and more "}));
        QCOMPARE(rowTexts(list, 2), (QStringList{"12", "24", "クリスマスイブ"}));

        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(eventFile().split('\n').first(),
                 QByteArray("True\t12\t1\t Happy New Year and more "));
    }

    void typingWithNoRowSelectedChangesNoRow() {
        useFixture();
        W_Event* w = open();
        QCOMPARE(w->ListIndex(), -1);
        w->EditField1->setFocus();
        QTest::keyClicks(w->EditField1, QStringLiteral("7"));
        QTest::keyClicks(w->EditField3, QStringLiteral("hello"));
        QCOMPARE(w->EditField3->text(), QStringLiteral("hello"));
        for (int r = 0; r < 3; ++r)
            QVERIFY(!rowTexts(w->ListBox1, r).contains(QStringLiteral("hello")));
        QCOMPARE(rowTexts(w->ListBox1, 0), (QStringList{"1", "1", "A Happy New Year!"}));
    }

    void deletingTheSelectedRow() {
        useFixture();
        W_Event* w = open();
        QTest::mouseClick(w->PushButton3, Qt::LeftButton); // nothing selected: nothing happens
        QCOMPARE(w->ListBox1->topLevelItemCount(), 3);

        clickRow(w->ListBox1, 1);
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(w->ListBox1->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(w->ListBox1, 1), (QStringList{"12", "24", "クリスマスイブ"}));
        QCOMPARE(w->ListIndex(), -1);
        QCOMPARE(w->EditField3->text(), QStringLiteral("Merry Xmas!")); // fields keep their text
        QTest::keyClicks(w->EditField3, QStringLiteral("!"));
        QCOMPARE(rowTexts(w->ListBox1, 0), (QStringList{"1", "1", "A Happy New Year!"}));
    }

    void tryingTheMessageSpeaksItAsTyped() {
        W_Event* w = open();
        w->EditField3->setFocus();
        QTest::keyClicks(w->EditField3, QStringLiteral("Good morning"));
        QTest::mouseClick(w->PushButton1, Qt::LeftButton);
        QCOMPARE(env->speech.spoken, QStringList{QStringLiteral("Good morning")});
        QCOMPARE(env->speech.interrupts, QList<bool>{false});
    }

    void closingDropsChanges() {
        useFixture();
        W_Event* w = open();
        clickRow(w->ListBox1, 0);
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QTest::mouseClick(w->PushButton2, Qt::LeftButton);
        QTest::keyClicks(w->EditField1, QStringLiteral("3"));
        closeWith(w);
        QVERIFY(!openWindow<W_Event>());
        QCOMPARE(eventFile(), fixture("editor_events.txt"));

        EventList* list = open()->ListBox1;
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(rowTexts(list, 0), (QStringList{"1", "1", "A Happy New Year!"}));
    }

    void draggingRowsSetsTheSavedOrder() {
        useFixture();
        W_Event* w = open();
        EventList* list = w->ListBox1;

        // The last row dropped on the upper half of the first goes first.
        const QRect first = list->visualItemRect(list->topLevelItem(0));
        dragRow(list, rowMime(list, 2).get(), first.center() - QPoint(0, first.height() / 4));
        QCOMPARE(rowTexts(list, 0), (QStringList{"12", "24", "クリスマスイブ"}));
        QCOMPARE(rowTexts(list, 1), (QStringList{"1", "1", "A Happy New Year!"}));
        QVERIFY(ticked(list, 0));
        QCOMPARE(w->ListIndex(), 0);

        // The new first row dropped below every row goes last.
        const QRect last = list->visualItemRect(list->topLevelItem(2));
        dragRow(list, rowMime(list, 0).get(), last.bottomLeft() + QPoint(20, 30));
        QCOMPARE(rowTexts(list, 2), (QStringList{"12", "24", "クリスマスイブ"}));

        // A drag that did not come from this list is refused.
        QMimeData foreign;
        foreign.setData(QStringLiteral("application/x-chikutaku-event-row"), "1 0");
        dragRow(list, &foreign, first.center());
        QCOMPARE(rowTexts(list, 0), (QStringList{"1", "1", "A Happy New Year!"}));

        // Back to the top, then saved in the shown order.
        dragRow(list, rowMime(list, 2).get(), first.topLeft() + QPoint(20, 1));
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(eventFile(), QByteArray("True\t12\t24\tクリスマスイブ\n"
                                         "True\t1\t1\tA Happy New Year!\n"
                                         "False\t12\t25\tMerry Xmas!\n"));
    }

    void aSavedEditReachesTheStartUpCheck() {
        useFixture();
        QCOMPARE(startUpMessages(), QStringList{QStringLiteral("クリスマスイブ........")});
        W_Event* w = open();
        EventList* list = w->ListBox1;
        clickRow(list, 1);
        w->EditField2->setFocus();
        w->EditField2->selectAll();
        QTest::keyClicks(w->EditField2, QStringLiteral("24"));
        clickCheckBox(list, 1);
        QVERIFY(ticked(list, 1));
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(startUpMessages(), (QStringList{QStringLiteral("Merry Xmas!........"),
                                                 QStringLiteral("クリスマスイブ........")}));
    }

    void savingAnEmptyListEmptiesTheFile() {
        useFixture();
        W_Event* w = open();
        for (int i = 0; i < 3; ++i) {
            clickRow(w->ListBox1, 0);
            QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        }
        QCOMPARE(w->ListBox1->topLevelItemCount(), 0);
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QVERIFY(QFile::exists(env->file(QStringLiteral("event.txt"))));
        QCOMPARE(eventFile(), QByteArray());
        QVERIFY(startUpMessages().isEmpty());

        // The deleted events stay deleted: an empty file opens as an empty list.
        closeWith(w);
        QCOMPARE(open()->ListBox1->topLevelItemCount(), 0);
    }

    void aSaveThatDiesBeforeTheRenameLeavesEventTxtWhole() {
        useFixture();
        W_Event* w = open();
        clickRow(w->ListBox1, 0);
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(test::crashesBeforeRename([] { openWindow<W_Event>()->Save_Event(); }));
        QCOMPARE(eventFile(), fixture("editor_events.txt"));
    }
};

QTEST_MAIN(TestEventEditor)
#include "test_event_editor.moc"
