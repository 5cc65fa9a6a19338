#include "speech/W_Voice.h"

#include "base/Controls.h"
#include "base/DataFolder.h"
#include "base/Services.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "speech/Announcement.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>

namespace taku {

std::array<QPointer<Edit_V>, VoiceTableData::kRows>& VoiceEdits() {
    static std::array<QPointer<Edit_V>, VoiceTableData::kRows> edits;
    return edits;
}

std::array<QPointer<Push_V>, VoiceTableData::kRows>& VoiceButtons() {
    static std::array<QPointer<Push_V>, VoiceTableData::kRows> buttons;
    return buttons;
}

DateTextParts readDateText(const QString& text) {
    static const QString weekdays = QStringLiteral("日月火水木金土");
    const QString dot = QStringLiteral(".");
    const QString space = QStringLiteral(" ");
    const QString rest = NthField(text, dot, 3);
    const QString week = NthField(rest, space, 2);
    DateTextParts parts;
    parts.month = ValInt(NthField(text, dot, 2));
    parts.day = ValInt(NthField(rest, space, 1));
    parts.weekday = week.size() == 1 ? static_cast<int>(weekdays.indexOf(week)) + 1 : 0;
    return parts;
}

const QStringList& W_Voice::voiceNames() {
    static const QStringList names{QStringLiteral("Agnes"),    QStringLiteral("Kathy"),
                                   QStringLiteral("Princess"), QStringLiteral("Vicki"),
                                   QStringLiteral("Victoria"), QStringLiteral("Bruce"),
                                   QStringLiteral("Fred"),     QStringLiteral("Junior"),
                                   QStringLiteral("Ralph"),    QStringLiteral("Windows")};
    return names;
}

namespace {

constexpr int kRowsPerColumn = 14;
constexpr int kRowPitch = 35;
constexpr int kColumnPitch = 220;

} // namespace

W_Voice::W_Voice(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Voice"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("発音表"));
    setFixedSize(673, 601);

    EditField1 = placeField(this, QStringLiteral("EditField1"), {79, 521, 150, 22});
    PushButton3 = placeButton(this, QStringLiteral("PushButton3"), QStringLiteral("しゃべる"),
                              {248, 521, 80, 20}, &W_Voice::PushButton3_Action);
    EditField2 = placeField(this, QStringLiteral("EditField2"), {389, 521, 150, 22});
    PushButton4 = placeButton(this, QStringLiteral("PushButton4"), QStringLiteral("しゃべる"),
                              {565, 521, 80, 20}, &W_Voice::PushButton4_Action);

    PopupMenu1 = new QComboBox(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setGeometry(30, 558, 158, 22);
    PopupMenu1->addItems(voiceNames());
    PopupMenu1->setCurrentIndex(-1);

    PushButton5 = placeButton(this, QStringLiteral("PushButton5"), QStringLiteral("読込..."),
                              {212, 560, 80, 20}, &W_Voice::PushButton5_Action);
    PushButton6 = placeButton(this, QStringLiteral("PushButton6"), QStringLiteral("保存..."),
                              {302, 560, 80, 20}, &W_Voice::PushButton6_Action);
    PushButton2 = placeButton(this, QStringLiteral("PushButton2"), QStringLiteral("設定保存"),
                              {467, 562, 80, 20}, &W_Voice::PushButton2_Action);
    PushButton1 = placeButton(this, QStringLiteral("PushButton1"), QStringLiteral("閉じる"),
                              {565, 561, 80, 20}, &W_Voice::PushButton1_Action);
    Notice = new QLabel(this);
    Notice->setObjectName(QStringLiteral("Notice"));
    Notice->setGeometry(30, 582, 615, 17);

    connect(PopupMenu1, &QComboBox::currentIndexChanged, this, [this] { PopupMenu1_Change(); });

    Open();
}

void W_Voice::Open() {
    const VoiceTableData& table = VoiceTable();
    for (int r = 0; r < VoiceTableData::kEditedRows; ++r) {
        const int column = r / kRowsPerColumn;
        const int top = kRowPitch * (r % kRowsPerColumn) + 20;
        const int left = 20 + kColumnPitch * column;

        auto* edit = new Edit_V(r, this);
        edit->setObjectName(QStringLiteral("Edit_V%1").arg(r));
        edit->setGeometry(left, top, 80, 22);
        edit->setText(table.spoken(r));

        auto* push = new Push_V(r, this);
        push->setObjectName(QStringLiteral("Push_V%1").arg(r));
        // The button sits one pixel lower than its field, as row 0 was drawn.
        push->setGeometry(left + 100, top + 1, 80, 20);
        push->setAutoDefault(false);
        push->setText(table.display(r));
        connect(push, &QPushButton::clicked, this, [this, r] { Push_V_Action(r); });

        VoiceEdits()[r] = edit;
        VoiceButtons()[r] = push;
    }
    // Tab walks the rows in row order, then the try-out fields and the buttons below.
    for (int r = 1; r < VoiceTableData::kEditedRows; ++r)
        setTabOrder(VoiceEdits()[r - 1], VoiceEdits()[r]);
    setTabOrder(VoiceEdits()[VoiceTableData::kEditedRows - 1], EditField1);

    if (ClockCommands* clock = services().commands) {
        EditField1->setText(clock->clockText());
        EditField2->setText(clock->dateText());
    }
    setWindowTitle(QStringLiteral("発音表"));
}

void W_Voice::Push_V_Action(int index) {
    if (index < 0 || index >= VoiceTableData::kEditedRows) return;
    // The row as an announcement says it, with its neighbours there as the fields hold them.
    Speak(ComposeRowInRole(index, tableOfFields()), false);
}

void W_Voice::PopupMenu1_Change() {
    if (PopupMenu1->currentIndex() < 0) return;
    const QString name = PopupMenu1->currentText() + QStringLiteral(".txt");
    loadIntoRows(dataFile(name), name);
}

void W_Voice::PushButton1_Action() { close(); }

void W_Voice::PushButton2_Action() {
    const QString path = dataFile(QStringLiteral("voice.txt"));
    if (!path.isEmpty()) saveRowsTo(path);
}

void W_Voice::PushButton3_Action() {
    if (ClockCommands* clock = services().commands) clock->speakClockText(EditField1->text());
}

void W_Voice::PushButton4_Action() {
    const DateTextParts date = readDateText(EditField2->text());
    if (ClockCommands* clock = services().commands)
        clock->speakDate(date.month, date.day, date.weekday);
}

void W_Voice::PushButton5_Action() {
    if (!services().dialogs) return;
    const QString path = services().dialogs->GetOpenFolderItem(QStringLiteral("text (*.txt)"));
    if (!path.isEmpty()) loadIntoRows(path, QFileInfo(path).fileName());
}

void W_Voice::PushButton6_Action() {
    if (!services().dialogs) return;
    const QString path =
        services().dialogs->GetSaveFolderItem(PopupMenu1->currentText() + QStringLiteral(".txt"));
    if (!path.isEmpty()) saveRowsTo(path);
}

void W_Voice::loadIntoRows(const QString& path, const QString& name) {
    const auto lines = readLines(path);
    if (!lines) {
        Notice->setText(QFileInfo::exists(path) ? name + QStringLiteral(" を読めません")
                                                : name + QStringLiteral(" がありません"));
        return;
    }
    Notice->clear();
    VoiceTableData& table = VoiceTable();
    const int rows = readTableLines(*lines, table);
    for (int r = 0; r < std::min(rows, int{VoiceTableData::kEditedRows}); ++r) {
        if (Edit_V* edit = VoiceEdits()[r]) edit->setText(table.spoken(r));
        if (Push_V* push = VoiceButtons()[r]) push->setText(table.display(r));
    }
}

VoiceTableData W_Voice::tableOfFields() const {
    VoiceTableData edited = VoiceTable();
    for (int r = 0; r < VoiceTableData::kEditedRows; ++r) {
        const Edit_V* edit = VoiceEdits()[r];
        const Push_V* push = VoiceButtons()[r];
        if (edit && push) edited.setRow(r, push->text(), edit->text());
    }
    return edited;
}

void W_Voice::saveRowsTo(const QString& path) {
    const VoiceTableData edited = tableOfFields();
    // A file that can't be written leaves both the old file and the table as they were.
    if (saveTableFile(path, edited).isEmpty()) VoiceTable() = edited;
}

} // namespace taku
