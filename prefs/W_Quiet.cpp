#include "prefs/W_Quiet.h"

#include "about/My_ICON.h"

#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimeEdit>

namespace taku {

namespace {
std::function<QString(const QString&)>& shortcutCheck() {
    static std::function<QString(const QString&)> check;
    return check;
}

W_Quiet::Autostart& autostartHooks() {
    static W_Quiet::Autostart hooks;
    return hooks;
}

QTime timeOf(int minute) { return QTime(minute / 60, minute % 60); }
int minuteOf(QTime t) { return t.hour() * 60 + t.minute(); }

template <class T> T* place(QWidget* parent, const char* name, QRect geometry, T* w) {
    w->setParent(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

QTimeEdit* timeEdit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = place(parent, name, geometry, new QTimeEdit());
    edit->setDisplayFormat(QStringLiteral("HH:mm"));
    edit->setWrapping(true);
    return edit;
}
} // namespace

W_Quiet::W_Quiet(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Quiet"));
    setWindowTitle(QStringLiteral("静かな時間"));
    setWindowIcon(applicationIcon());
    setFixedSize(300, 290);

    Check_Quiet =
        place(this, "Check_Quiet", {17, 12, 120, 20}, new QCheckBox(QStringLiteral("静かな時間")));
    Edit_Start = timeEdit(this, "Edit_Start", {40, 38, 70, 23});
    place(this, "Label_From", {114, 41, 30, 19}, new QLabel(QStringLiteral("から")));
    Edit_End = timeEdit(this, "Edit_End", {148, 38, 70, 23});
    place(this, "Label_To", {222, 41, 30, 19}, new QLabel(QStringLiteral("まで")));
    Check_Lock = place(this, "Check_Lock", {17, 70, 270, 20},
                       new QCheckBox(QStringLiteral("画面ロック中は鳴らさない")));
    Check_Dnd = place(this, "Check_Dnd", {17, 92, 270, 20},
                      new QCheckBox(QStringLiteral("通知を止めている間は鳴らさない")));
    Check_Call = place(this, "Check_Call", {17, 114, 270, 20},
                       new QCheckBox(QStringLiteral("通話中（マイク使用中）は鳴らさない")));
    Check_FullScreen = place(this, "Check_FullScreen", {17, 136, 270, 20},
                             new QCheckBox(QStringLiteral("全画面表示の間は鳴らさない")));
    place(this, "Label_Key", {17, 166, 260, 19},
          new QLabel(QStringLiteral("今の時刻を読み上げるキー")));
    Edit_Key = place(this, "Edit_Key", {40, 188, 170, 23}, new QKeySequenceEdit());
    Button_Clear =
        place(this, "Button_Clear", {216, 188, 59, 23}, new QPushButton(QStringLiteral("消去")));
    Label_KeyProblem = place(this, "Label_KeyProblem", {40, 213, 250, 19}, new QLabel());
    Label_KeyProblem->hide();
    Check_Login = place(this, "Check_Login", {17, 236, 180, 20},
                        new QCheckBox(QStringLiteral("ログイン時に起動する")));
    Button_Close =
        place(this, "Button_Close", {205, 260, 80, 22}, new QPushButton(QStringLiteral("閉じる")));

    connect(Check_Quiet, &QCheckBox::toggled, this, [this] {
        enableTimes();
        edited();
    });
    connect(Edit_Start, &QTimeEdit::timeChanged, this, &W_Quiet::edited);
    connect(Edit_End, &QTimeEdit::timeChanged, this, &W_Quiet::edited);
    for (QCheckBox* box : {Check_Lock, Check_Dnd, Check_Call, Check_FullScreen})
        connect(box, &QCheckBox::toggled, this, &W_Quiet::edited);
    // One key with its modifiers: a second key pressed replaces the first.
    connect(Edit_Key, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& k) {
        if (k.count() > 1) {
            Edit_Key->setKeySequence(QKeySequence(k[k.count() - 1]));
            return;
        }
        edited();
    });
    connect(Edit_Key, &QKeySequenceEdit::editingFinished, this, &W_Quiet::edited);
    connect(Button_Clear, &QPushButton::clicked, this, [this] { Edit_Key->clear(); });
    connect(Button_Close, &QPushButton::clicked, this, &QWidget::close);
    connect(Check_Login, &QCheckBox::clicked, this, [this](bool on) {
        const Autostart& hooks = autostartHooks();
        if (hooks.setEnabled) hooks.setEnabled(on);
        showAutostart(); // what the entry now says, also when it could not be written
    });
    showAutostart();
    enableTimes();
}

void W_Quiet::Open(const QuietSettings& s) {
    filling_ = true;
    Check_Quiet->setChecked(s.on);
    Edit_Start->setTime(timeOf(s.startMinute));
    Edit_End->setTime(timeOf(s.endMinute));
    Check_Lock->setChecked(s.whenLocked);
    Check_Dnd->setChecked(s.whenDnd);
    Check_Call->setChecked(s.inCall);
    Check_FullScreen->setChecked(s.whenFullScreen);
    Edit_Key->setKeySequence(QKeySequence::fromString(s.shortcut, QKeySequence::PortableText));
    enableTimes();
    filling_ = false;
}

QuietSettings W_Quiet::settings() const {
    return {Check_Quiet->isChecked(),
            minuteOf(Edit_Start->time()),
            minuteOf(Edit_End->time()),
            Check_Lock->isChecked(),
            Edit_Key->keySequence().toString(QKeySequence::PortableText),
            Check_Dnd->isChecked(),
            Check_Call->isChecked(),
            Check_FullScreen->isChecked()};
}

void W_Quiet::setShortcutProblem(const QString& text) {
    Label_KeyProblem->setText(text);
    Label_KeyProblem->setVisible(!text.isEmpty());
}

void W_Quiet::setShortcutCheck(std::function<QString(const QString&)> check) {
    shortcutCheck() = std::move(check);
}

void W_Quiet::followStore() {
    if (!following_) {
        following_ = true;
        connect(this, &W_Quiet::changed, this, [](const QuietSettings& q) {
            SettingsRecord record = Settings();
            setQuietSettings(record, q);
            settingsStore().replace(record);
        });
        // A change made elsewhere shows here; the window's own edits are shown already.
        connect(&settingsStore(), &SettingsStore::changed, this,
                [this](const SettingsRecord&, const SettingsRecord& after) {
                    if (quietSettings(after) != settings()) Open(quietSettings(after));
                });
    }
    Open(quietSettings(Settings()));
}

void W_Quiet::setAutostart(Autostart autostart) { autostartHooks() = std::move(autostart); }

void W_Quiet::showAutostart() {
    const Autostart& hooks = autostartHooks();
    Check_Login->setVisible(bool(hooks.enabled));
    Check_Login->setChecked(hooks.enabled && hooks.enabled());
}

void W_Quiet::showEvent(QShowEvent* event) {
    showAutostart();
    checkShortcut();
    QWidget::showEvent(event);
}

void W_Quiet::checkShortcut() {
    if (shortcutCheck()) setShortcutProblem(shortcutCheck()(settings().shortcut));
}

void W_Quiet::edited() {
    if (filling_) return;
    Q_EMIT changed(settings());
    checkShortcut();
}

void W_Quiet::enableTimes() {
    Edit_Start->setEnabled(Check_Quiet->isChecked());
    Edit_End->setEnabled(Check_Quiet->isChecked());
}

} // namespace taku
