#pragma once
// The event editor "イベント設定": the list of yearly events from "event.txt", three fields that
// edit the selected row as the user types, and buttons to try a message, add, delete and save.

#include "events/EventFile.h"

#include <QList>
#include <QTreeWidget>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace taku {

// The list of events. Rows are moved by dragging them within the list; the drop is handled
// here, so the row keeps its cells and its check box and lands exactly where it was dropped.
class EventList final : public QTreeWidget {
    Q_OBJECT
public:
    explicit EventList(QWidget* parent = nullptr);

    // The row dropped at a point of the viewport lands before the row under the point, or
    // after it when the point is in the row's lower half; below the last row it goes last.
    int dropRowAt(const QPoint& viewportPos) const;
    // Moves a row and keeps it selected.
    void moveRow(int from, int to);

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The row a drag carries, when it was started from this list; -1 otherwise.
    int draggedRow(const QMimeData* mime) const;
};

class W_Event final : public QWidget {
    Q_OBJECT
public:
    explicit W_Event(QWidget* parent = nullptr);
    W_Event(const W_Event&) = delete;
    W_Event& operator=(const W_Event&) = delete;

    QLineEdit* EditField1 = nullptr; // month of the selected row
    QLineEdit* EditField2 = nullptr; // day
    QLineEdit* EditField3 = nullptr; // message
    EventList* ListBox1 = nullptr;
    QPushButton* PushButton1 = nullptr; // "確認"
    QPushButton* PushButton2 = nullptr; // "追加"
    QPushButton* PushButton3 = nullptr; // "削除"
    QPushButton* PushButton4 = nullptr; // "設定保存"
    QPushButton* PushButton5 = nullptr; // "閉じる"

    // The selected row, -1 when none is.
    int ListIndex() const;

    // The rows as they would be saved: unchecked and check-box-less rows are inactive.
    QList<EventRecord> records() const;

    // Handlers.
    void ListBox1_Open();
    void ListBox1_Change();
    bool EditField1_KeyDown();
    bool EditField2_KeyDown();
    bool EditField3_KeyDown();
    void EditField1_SelChange();
    void EditField2_SelChange();
    void EditField3_SelChange();
    void PushButton1_Action();
    void PushButton2_Action();
    void PushButton3_Action();
    void PushButton4_Action();
    void PushButton5_Action();

    // Writes the whole list to "event.txt".
    void Save_Event();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Copies a field's text into a column of the selected row, if a row is selected.
    void copyToRow(const QLineEdit* field, int column);
    QTreeWidgetItem* addRow(const EventRecord& record, bool withCheckBox);
};

} // namespace taku
