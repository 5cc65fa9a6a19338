#include "events/W_Event.h"

#include "base/Controls.h"
#include "base/DataFolder.h"
#include "base/Services.h"

#include <QCursor>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QValidator>

#include <algorithm>
#include <array>

namespace taku {

namespace {

const QString kRowMime = QStringLiteral("application/x-chikutaku-event-row");

// A record is one line of TAB-separated fields, so no field may hold a TAB or a line end:
// a pasted one becomes a space. (The Tab key itself moves the focus and types nothing.)
class OneLineField final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input) {
            if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
        }
        return Acceptable;
    }
};

} // namespace

// ---- the list -------------------------------------------------------------------------------

EventList::EventList(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(4);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropOverwriteMode(false);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The top-level rows take no drops onto themselves: a row dropped lands between rows.
    invisibleRootItem()->setFlags(invisibleRootItem()->flags() | Qt::ItemIsDropEnabled);
}

QStringList EventList::mimeTypes() const { return {kRowMime}; }

QMimeData* EventList::mimeData(const QList<QTreeWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    // The list's address tells a drop whether the row came from this very list.
    const QString payload = QStringLiteral("%1 %2")
                                .arg(reinterpret_cast<quintptr>(this))
                                .arg(indexOfTopLevelItem(items.first()));
    mime->setData(kRowMime, payload.toLatin1());
    return mime;
}

int EventList::draggedRow(const QMimeData* mime) const {
    if (!mime || !mime->hasFormat(kRowMime)) return -1;
    const QList<QByteArray> parts = mime->data(kRowMime).split(' ');
    if (parts.size() != 2) return -1;
    bool okList = false;
    bool okRow = false;
    const quintptr list = parts[0].toULongLong(&okList);
    const int row = parts[1].toInt(&okRow);
    if (!okList || !okRow || list != reinterpret_cast<quintptr>(this)) return -1;
    return row >= 0 && row < topLevelItemCount() ? row : -1;
}

int EventList::dropRowAt(const QPoint& viewportPos) const {
    QTreeWidgetItem* item = itemAt(viewportPos);
    if (!item) return topLevelItemCount();
    const int row = indexOfTopLevelItem(item);
    return viewportPos.y() >= visualItemRect(item).center().y() ? row + 1 : row;
}

void EventList::moveRow(int from, int to) {
    if (from < 0 || from >= topLevelItemCount()) return;
    QTreeWidgetItem* item = takeTopLevelItem(from);
    insertTopLevelItem(std::clamp(to, 0, topLevelItemCount()), item);
    setCurrentItem(item);
}

// The drag carries the row's token only. The list's own drag would, after a move, remove the
// selected rows as the "original" — and the selected row is the one just moved into place.
void EventList::startDrag(Qt::DropActions) {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return;
    QTreeWidgetItem* item = selected.first();
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData({item}));
    const QRect rect = visualItemRect(item);
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    viewport()->update();
}

// The list's own handling draws the drop indicator; the row token decides what is accepted, so
// a drag whose source Qt cannot name (as in a synthesized drag) is still taken when it carries
// one of this list's rows, and nothing else ever is.
void EventList::dragEnterEvent(QDragEnterEvent* event) {
    if (draggedRow(event->mimeData()) < 0) {
        event->ignore();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void EventList::dragMoveEvent(QDragMoveEvent* event) {
    if (draggedRow(event->mimeData()) < 0) {
        event->ignore();
        return;
    }
    QTreeWidget::dragMoveEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void EventList::dropEvent(QDropEvent* event) {
    const int from = draggedRow(event->mimeData());
    if (from < 0) {
        event->ignore();
        return;
    }
    int to = dropRowAt(event->position().toPoint());
    if (to > from) --to; // the row's own place closes up before it is put back
    moveRow(from, to);
    event->setDropAction(Qt::MoveAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

// ---- the window -----------------------------------------------------------------------------

namespace {

QLineEdit* field(QWidget* parent, const char* name, const QRect& geometry) {
    QLineEdit* f = placeField(parent, QString::fromLatin1(name), geometry);
    f->setValidator(new OneLineField(f));
    setBlackOnWhite(f);
    return f;
}

} // namespace

W_Event::W_Event(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("W_Event"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("イベント設定"));
    setFixedSize(510, 276);

    EditField1 = field(this, "EditField1", {68, 4, 30, 22});
    EditField2 = field(this, "EditField2", {99, 4, 30, 22});
    EditField3 = field(this, "EditField3", {130, 4, 271, 22});

    ListBox1 = new EventList(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(10, 33, 391, 229);
    ListBox1->setHeaderLabels({QStringLiteral("動作中"), QStringLiteral("月"),
                               QStringLiteral("日"), QStringLiteral("メッセージ")});
    ListBox1->header()->setSectionsMovable(false);
    ListBox1->header()->setStretchLastSection(true);
    // 15 %, 8 % and 8 % of the list's width; the message takes the rest.
    const int listWidth = ListBox1->width();
    ListBox1->setColumnWidth(0, qRound(listWidth * 0.15));
    ListBox1->setColumnWidth(1, qRound(listWidth * 0.08));
    ListBox1->setColumnWidth(2, qRound(listWidth * 0.08));

    PushButton1 = placeButton(this, QStringLiteral("PushButton1"), QStringLiteral("確認"),
                              {416, 4, 80, 20}, &W_Event::PushButton1_Action);
    PushButton2 = placeButton(this, QStringLiteral("PushButton2"), QStringLiteral("追加"),
                              {416, 46, 80, 20}, &W_Event::PushButton2_Action);
    PushButton3 = placeButton(this, QStringLiteral("PushButton3"), QStringLiteral("削除"),
                              {416, 85, 80, 20}, &W_Event::PushButton3_Action);
    PushButton4 = placeButton(this, QStringLiteral("PushButton4"), QStringLiteral("設定保存"),
                              {416, 161, 80, 20}, &W_Event::PushButton4_Action);
    PushButton5 = placeButton(this, QStringLiteral("PushButton5"), QStringLiteral("閉じる"),
                              {416, 236, 80, 20}, &W_Event::PushButton5_Action);

    // The rows the list starts with; they stay only when there is no file to load, and are
    // inactive: they carry no check box until saved and loaded again.
    addRow({false, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("A Happy New Year!")},
           false);
    addRow({false, QStringLiteral("12"), QStringLiteral("25"), QStringLiteral("Merry Xmas!")},
           false);

    connect(ListBox1, &QTreeWidget::itemSelectionChanged, this, [this] { ListBox1_Change(); });

    // Every edit reaches the selected row: a key first copies the text as it stood, the caret
    // move or edit that follows copies it with the key applied (Delete moves no caret).
    const std::array<std::pair<QLineEdit*, void (W_Event::*)()>, 3> selChange{{
        {EditField1, &W_Event::EditField1_SelChange},
        {EditField2, &W_Event::EditField2_SelChange},
        {EditField3, &W_Event::EditField3_SelChange},
    }};
    for (const auto& [f, handler] : selChange) {
        f->installEventFilter(this);
        connect(f, &QLineEdit::cursorPositionChanged, this, handler);
        connect(f, &QLineEdit::selectionChanged, this, handler);
        connect(f, &QLineEdit::textEdited, this, handler);
    }

    ListBox1_Open();
}

QTreeWidgetItem* W_Event::addRow(const EventRecord& record, bool withCheckBox) {
    auto* item = new QTreeWidgetItem;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (withCheckBox) flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    if (withCheckBox) item->setCheckState(0, record.active ? Qt::Checked : Qt::Unchecked);
    item->setText(1, record.month);
    item->setText(2, record.day);
    item->setText(3, record.message);
    ListBox1->addTopLevelItem(item);
    return item;
}

int W_Event::ListIndex() const {
    const QList<QTreeWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->indexOfTopLevelItem(selected.first());
}

QList<EventRecord> W_Event::records() const {
    QList<EventRecord> result;
    for (int r = 0; r < ListBox1->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = ListBox1->topLevelItem(r);
        const bool hasBox = item->data(0, Qt::CheckStateRole).isValid();
        result.append({hasBox && item->checkState(0) == Qt::Checked, item->text(1), item->text(2),
                       item->text(3)});
    }
    return result;
}

void W_Event::ListBox1_Open() {
    const QString path = dataFile(QStringLiteral("event.txt"));
    if (path.isEmpty()) return;
    bool ok = false;
    const QList<EventRecord> loaded = readEventFile(path, &ok);
    if (!ok) return;
    ListBox1->clear();
    for (const EventRecord& record : loaded) addRow(record, true);
}

void W_Event::ListBox1_Change() {
    const int row = ListIndex();
    if (row < 0) return;
    const QTreeWidgetItem* item = ListBox1->topLevelItem(row);
    EditField1->setText(item->text(1));
    EditField2->setText(item->text(2));
    EditField3->setText(item->text(3));
}

void W_Event::copyToRow(const QLineEdit* f, int column) {
    const int row = ListIndex();
    if (row < 0) return;
    QTreeWidgetItem* item = ListBox1->topLevelItem(row);
    if (item->text(column) != f->text()) item->setText(column, f->text());
}

bool W_Event::EditField1_KeyDown() {
    copyToRow(EditField1, 1);
    return false;
}
bool W_Event::EditField2_KeyDown() {
    copyToRow(EditField2, 2);
    return false;
}
bool W_Event::EditField3_KeyDown() {
    copyToRow(EditField3, 3);
    return false;
}
void W_Event::EditField1_SelChange() { copyToRow(EditField1, 1); }
void W_Event::EditField2_SelChange() { copyToRow(EditField2, 2); }
void W_Event::EditField3_SelChange() { copyToRow(EditField3, 3); }

bool W_Event::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        if (watched == EditField1) return EditField1_KeyDown();
        if (watched == EditField2) return EditField2_KeyDown();
        if (watched == EditField3) return EditField3_KeyDown();
    }
    return QWidget::eventFilter(watched, event);
}

void W_Event::PushButton1_Action() { Speak(EditField3->text(), false); }

void W_Event::PushButton2_Action() {
    // A new record is inactive until its box is ticked.
    QTreeWidgetItem* item = addRow({}, true);
    ListBox1->clearSelection();
    ListBox1->setCurrentItem(item); // selects it, and the selection fills the fields
    EditField1->setFocus();
}

void W_Event::PushButton3_Action() {
    const int row = ListIndex();
    if (row < 0) return;
    // Nothing is selected afterwards and the fields keep their text: the row is let go before
    // it is removed, so the list does not pass the selection on to a neighbour.
    ListBox1->setCurrentItem(nullptr);
    ListBox1->clearSelection();
    delete ListBox1->takeTopLevelItem(row);
}

void W_Event::PushButton4_Action() { Save_Event(); }

void W_Event::PushButton5_Action() { close(); }

void W_Event::Save_Event() {
    const QString path = dataFile(QStringLiteral("event.txt"));
    // An empty list is saved too, as an empty file: otherwise the events deleted last would
    // come back from the old file.
    if (!path.isEmpty()) saveEventFile(path, records());
}

} // namespace taku
