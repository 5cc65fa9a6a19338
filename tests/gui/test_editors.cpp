// The event and pronunciation editors, driven through their widgets: what each button says
// or changes, and what a save leaves in the data folder for the clock's next start.

#include "base/TextFile.h"
#include "base/Windows.h"
#include "clock/ClockCore.h"
#include "events/W_Event.h"
#include "speech/VoiceTable.h"
#include "speech/W_Voice.h"
#include "support/Fakes.h"

#include <QtTest>
#include <QtWidgets>

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

void clickRow(EventList* list, int row) {
    const QRect cell = list->visualRect(list->model()->index(row, 3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

// A row dragged with the mouse within the list and released at a point of the viewport.
void dragRow(EventList* list, int row, const QPoint& to) {
    std::unique_ptr<QMimeData> mime(list->model()->mimeData({list->model()->index(row, 0)}));
    QDragEnterEvent enter(to, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(to, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(to), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    for (QEvent* e : std::initializer_list<QEvent*>{&enter, &move, &drop})
        QApplication::sendEvent(list->viewport(), e);
}

// Replaces a field's text the way a user does: select everything, then type.
void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, Qt::NoModifier);
}

} // namespace

class TestEditors final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<ClockCore> clock;

    template <typename W> W* open() {
        W* w = showWindow<W>();
        if (!QTest::qWaitForWindowExposed(w)) qWarning("editor window not exposed");
        return w;
    }
    QByteArray file(const char* name) const { return env->read(QLatin1String(name)); }
    // What the clock's start-up check says with event.txt as it is now (24 December).
    QStringList startUpMessages() {
        env->speech.spoken.clear();
        clock->speakTodaysEvents();
        return env->speech.spoken;
    }
    // What the speech timer hands to the synthesizer for the armed announcement.
    QString announced() {
        clock->Timer3.fire();
        return env->speech.spoken.value(env->speech.spoken.size() - 1);
    }

private Q_SLOTS:
    void init() {
        env = std::make_unique<TestEnv>();
        VoiceTable() = VoiceTableData{};
        env->write(QStringLiteral("voice.txt"), fixture("editor_voice.txt"));
        clock = std::make_unique<ClockCore>();
        clock->Timer1.setMode(TimerMode::Off);
        clock->loadPronunciations();
        services().commands = clock.get();
        clock->TimeText = QStringLiteral("木 午後1:02");
    }
    void cleanup() {
        delete openWindow<W_Event>();
        delete openWindow<W_Voice>();
        clock.reset();
        env.reset();
    }

    void eventEditsReachTheFileInShownOrder() {
        env->write(QStringLiteral("event.txt"), fixture("editor_events.txt"));
        QCOMPARE(startUpMessages(), QStringList{QStringLiteral("クリスマスイブ........")});
        W_Event* w = open<W_Event>();
        EventList* list = w->ListBox1;
        QCOMPARE(list->topLevelItemCount(), 3); // the empty line is no row

        // Typing reaches the selected row at once; a TAB never reaches a cell.
        clickRow(list, 1);
        retype(w->EditField2, QStringLiteral("24"));
        w->EditField3->setFocus();
        w->EditField3->insert(QStringLiteral("\tday"));
        QCOMPARE(rowTexts(list, 1), (QStringList{"12", "24", "Merry Xmas! day"}));
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);

        // Adding, deleting: the new empty row goes last, the selected one goes.
        QTest::mouseClick(w->PushButton2, Qt::LeftButton);
        QCOMPARE(rowTexts(list, 3), (QStringList{"", "", ""}));
        QCOMPARE(w->EditField3->text(), QString());
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(list->topLevelItemCount(), 3);
        QTest::keyClicks(w->EditField3, QStringLiteral("no row selected"));
        QCOMPARE(rowTexts(list, 0), (QStringList{"1", "1", "A Happy New Year!"}));
        QTest::mouseClick(w->PushButton1, Qt::LeftButton); // the try-out speaks the field as typed
        QCOMPARE(env->speech.spoken.last(), QStringLiteral("no row selected"));

        // The last row dropped on the upper half of the first goes first.
        const QRect first = list->visualItemRect(list->topLevelItem(0));
        dragRow(list, 2, first.center() - QPoint(0, first.height() / 4));
        QTest::mouseClick(w->PushButton4, Qt::LeftButton);
        QCOMPARE(file("event.txt"),
                 QByteArray("True\t12\t24\tクリスマスイブ\nFalse\t1\t1\tA Happy New Year!\n"
                            "True\t12\t24\tMerry Xmas! day\n"));
        QCOMPARE(startUpMessages(), (QStringList{QStringLiteral("クリスマスイブ........"),
                                                 QStringLiteral("Merry Xmas! day........")}));

        // A save that dies before its rename leaves the file whole; closing drops changes.
        const QByteArray saved = file("event.txt");
        clickRow(list, 0);
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(test::crashesBeforeRename([] { openWindow<W_Event>()->Save_Event(); }));
        QTest::mouseClick(w->PushButton5, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!openWindow<W_Event>());
        QCOMPARE(file("event.txt"), saved);
        QCOMPARE(open<W_Event>()->ListBox1->topLevelItemCount(), 3);
    }

    // A row's button says its field as typed, with the fields of the rows that stand beside it
    // in an announcement where the row alone would be read otherwise (四 alone is よん, row 4
    // is the 四 of 四時; 一日 alone is a span of days, row 30 the 1st), at once, not through
    // the speech timer, and without touching the table.
    void rowButtonSpeaksItsFieldInItsRole() {
        const std::pair<int, const char*> rows[] = {
            {0, "0 24"},        {1, "1"},           {4, "4 24"},       {9, "9 24"},
            {11, "1 24 11 25"}, {12, "1 24 12 26"}, {13, "13"},        {14, "14 23"},
            {20, "20 23"},      {25, "1 24 3 25"},  {26, "1 24 2 26"}, {27, "2 27"},
            {28, "28 41"},      {30, "1 41 30"},    {40, "1 41 40"},   {41, "1 41"}};
        open<W_Voice>();
        const VoiceTableData before = VoiceTable();
        for (int r = 0; r < VoiceTableData::kEditedRows; ++r)
            retype(VoiceEdits()[r], QStringLiteral("typed %1").arg(r));
        for (const auto& [row, said] : rows) {
            env->speech.spoken.clear();
            QTest::mouseClick(VoiceButtons()[row], Qt::LeftButton);
            QCOMPARE(env->speech.spoken,
                     QStringList{QStringLiteral("typed ") +
                                 QString::fromLatin1(said).split(u' ').join(u" typed ")});
        }
        QCOMPARE(clock->Timer3.Mode(), TimerMode::Off);
        for (int r = 0; r < VoiceTableData::kRows; ++r)
            QCOMPARE(VoiceTable().spoken(r), before.spoken(r));
    }

    void savedTableReachesFileAndAnnouncement() {
        W_Voice* w = open<W_Voice>();
        QCOMPARE(VoiceEdits()[3]->text(), QStringLiteral("sun"));
        QCOMPARE(VoiceButtons()[40]->text(), QStringLiteral("二十日"));
        retype(VoiceEdits()[26], QStringLiteral("FUN"));
        QTest::mouseClick(w->PushButton3, Qt::LeftButton); // an unsaved edit is not used
        QVERIFY(!announced().contains(QStringLiteral("FUN")));

        retype(VoiceEdits()[5], QStringLiteral("😀go"));
        QTest::mouseClick(w->PushButton2, Qt::LeftButton);
        QList<QByteArray> expected =
            fixture("editor_voice.txt").replace("\r\n", "\n").split('\n').mid(0, 42);
        expected[26] = encodeShiftJis(QStringLiteral("分\tFUN"));
        expected[5] = encodeShiftJis(QStringLiteral("五\t?go"));
        QCOMPARE(file("voice.txt"), joinLines(expected));
        QCOMPARE(VoiceTable().spoken(42), QStringLiteral("extra42")); // kept in memory
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(announced(), QStringLiteral("gogo itchy ji knee FUN  dess"));

        // Another file: cancelled or not written, it changes nothing; chosen, it gets the rows,
        // voice.txt doesn't.
        retype(VoiceEdits()[0], QStringLiteral("zero"));
        env->dialogs.saveAnswers = {QString(), env->file(QStringLiteral("none/mine.txt"))};
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("ray"));
        env->dialogs.saveAnswers.push_back(env->file(QStringLiteral("mine.txt")));
        QTest::mouseClick(w->PushButton6, Qt::LeftButton);
        QCOMPARE(env->read(QStringLiteral("mine.txt")).split('\n').first(),
                 encodeShiftJis(QStringLiteral("零\tzero")));
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("zero"));
        QCOMPARE(file("voice.txt"), joinLines(expected));
        QVERIFY(test::crashesBeforeRename([] { openWindow<W_Voice>()->PushButton2_Action(); }));
        QCOMPARE(file("voice.txt"), joinLines(expected));
    }

    // A voice without its table file, or a chosen file that can't be read: the editor says
    // which, and the table and the rows stay as they were. The next file that loads clears it.
    void tableFileThatDoesNotLoadIsNamed_data() {
        QTest::addColumn<QString>("voice");  // chosen in the list; empty: "読込..." instead
        QTest::addColumn<QString>("chosen"); // the file picked after "読込..."
        QTest::addColumn<QString>("notice");
        QTest::newRow("voice without file") << "Agnes"
                                            << ""
                                            << "Agnes.txt がありません";
        QTest::newRow("chosen file gone") << ""
                                          << "gone.txt"
                                          << "gone.txt がありません";
        QTest::newRow("chosen folder") << ""
                                       << "folder.txt"
                                       << "folder.txt を読めません";
    }
    void tableFileThatDoesNotLoadIsNamed() {
        QFETCH(QString, voice);
        QVERIFY(QDir(env->file({})).mkdir(QStringLiteral("folder.txt")));
        W_Voice* w = open<W_Voice>();
        retype(VoiceEdits()[1], QStringLiteral("typed"));
        const VoiceTableData before = VoiceTable();
        if (voice.isEmpty()) {
            QFETCH(QString, chosen);
            env->dialogs.openAnswers.push_back(env->file(chosen));
            QTest::mouseClick(w->PushButton5, Qt::LeftButton);
        } else {
            w->PopupMenu1->setCurrentText(voice);
        }
        QTEST(w->Notice->text(), "notice");
        QVERIFY(w->Notice->isVisible());
        for (int r = 0; r < VoiceTableData::kRows; ++r)
            QCOMPARE(VoiceTable().spoken(r), before.spoken(r));
        QCOMPARE(VoiceEdits()[0]->text(), QStringLiteral("ray"));
        QCOMPARE(VoiceEdits()[1]->text(), QStringLiteral("typed"));

        env->write(QStringLiteral("Fred.txt"), encodeShiftJis(QStringLiteral("零\tzero\n")));
        w->PopupMenu1->setCurrentText(QStringLiteral("Fred"));
        QCOMPARE(w->Notice->text(), QString());
        QCOMPARE(VoiceEdits()[0]->text(), QStringLiteral("zero"));
        QCOMPARE(VoiceTable().spoken(0), QStringLiteral("zero"));
    }
};

QTEST_MAIN(TestEditors)
#include "test_editors.moc"
