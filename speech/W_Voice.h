#pragma once
// The pronunciation editor "発音表": one spoken-text field and one button per table row 0..41
// in three columns, the button speaking its field as typed, in its role (row 4 as 四時); try-out fields for a whole clock
// text and a whole date; loading a voice's table or any table file, saving to a chosen file or
// as the start-up table "voice.txt".

#include "speech/VoiceTable.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <array>

class QComboBox;
class QLabel;

namespace taku {

// The members of the row arrays know their row, so one handler serves every row.
class Edit_V final : public QLineEdit {
public:
    Edit_V(int index, QWidget* parent) : QLineEdit(parent), Index(index) {}
    const int Index;
};

class Push_V final : public QPushButton {
public:
    Push_V(int index, QWidget* parent) : QPushButton(parent), Index(index) {}
    const int Index;
};

// The editor's row controls by row number, filled for rows 0..41 while the editor is open;
// rows 42..50 stay empty, and every entry is null once the editor is closed.
std::array<QPointer<Edit_V>, VoiceTableData::kRows>& VoiceEdits();
std::array<QPointer<Push_V>, VoiceTableData::kRows>& VoiceButtons();

// A date title "2026.12.24 木" read the way the date try-out reads it: the month is the number
// after the first ".", the day the number after the second, the weekday 1 (日) .. 7 (土) from
// the character after the space, 0 for any other text. The year is ignored.
struct DateTextParts final {
    int month = 0;
    int day = 0;
    int weekday = 0;
};
DateTextParts readDateText(const QString& text);

class W_Voice final : public QWidget {
    Q_OBJECT
public:
    explicit W_Voice(QWidget* parent = nullptr);
    W_Voice(const W_Voice&) = delete;
    W_Voice& operator=(const W_Voice&) = delete;

    // The names of the voices that have a table file of their own ("<voice>.txt").
    static const QStringList& voiceNames();

    // Controls. The rows' fields and buttons are reached through VoiceEdits() and
    // VoiceButtons().
    QLineEdit* EditField1 = nullptr; // a clock text to try
    QPushButton* PushButton3 = nullptr;
    QLineEdit* EditField2 = nullptr; // a date title to try
    QPushButton* PushButton4 = nullptr;
    QComboBox* PopupMenu1 = nullptr;    // the voices
    QPushButton* PushButton5 = nullptr; // "読込..."
    QPushButton* PushButton6 = nullptr; // "保存..."
    QPushButton* PushButton2 = nullptr; // "設定保存"
    QPushButton* PushButton1 = nullptr; // "閉じる"
    QLabel* Notice = nullptr;           // names a table file that did not load

    // Handlers.
    void Push_V_Action(int index);
    void PopupMenu1_Change();
    void PushButton1_Action();
    void PushButton2_Action();
    void PushButton3_Action();
    void PushButton4_Action();
    void PushButton5_Action();
    void PushButton6_Action();
    void Open();

private:
    // Reads a table file into the table from row 0 on and shows the rows read; a file that
    // is missing or unreadable changes nothing and is named in Notice.
    void loadIntoRows(const QString& path, const QString& name);
    // The table with rows 0..41 taken from the fields and button captions.
    VoiceTableData tableOfFields() const;
    // The table with rows 0..41 taken from the fields and button captions, written to path;
    // the table in memory takes the new rows only when the file was written.
    void saveRowsTo(const QString& path);
};

} // namespace taku
