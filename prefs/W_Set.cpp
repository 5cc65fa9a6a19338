#include "prefs/W_Set.h"

#include "about/My_ICON.h"
#include "about/Window1.h"
#include "base/Controls.h"
#include "base/Services.h"
#include "base/Text.h"
#include "base/Windows.h"
#include "events/W_Event.h"
#include "prefs/W_Quiet.h"
#include "speech/W_Voice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

namespace taku {

namespace {

QColor toQColor(const Rgb& c) {
    return QColor(std::clamp(c.r, 0, 255), std::clamp(c.g, 0, 255), std::clamp(c.b, 0, 255));
}

// One arrow step. The bound is tested on the stored value, so a value typed outside the range
// is moved towards it by the arrow that points there and left alone by the other.
void step(std::int32_t SettingsRecord::*field, int by, std::int32_t bound) {
    const std::int32_t value = Settings().*field;
    if (by > 0 ? value >= bound : value <= bound) return;
    settingsStore().set(field, value + by); // the window follows the store into the field
}

void store(bool SettingsRecord::*field, const QCheckBox* box) {
    settingsStore().set(field, box->isChecked());
}

void store(std::int32_t SettingsRecord::*field, const QLineEdit* edit) {
    settingsStore().set(field, ValInt(edit->text()));
}

// Asks for a colour starting from the one shown; the field takes it unless the user cancels.
void pickColour(Rgb SettingsRecord::*field, const ColorRect* rect, const QString& prompt) {
    Dialogs* dialogs = services().dialogs;
    if (!dialogs) return;
    if (const auto chosen = dialogs->SelectColor(rect->fill(), prompt))
        settingsStore().set(field, *chosen);
}

constexpr int kHourTop = 23;
constexpr int kMinuteTop = 59;
constexpr int kRepeatBottom = 1;
constexpr int kRepeatTop = 12;

} // namespace

// ColorRect --------------------------------------------------------------------------------

ColorRect::ColorRect(QWidget* parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }

void ColorRect::setFill(const Rgb& colour) {
    fill_ = colour;
    update();
}

void ColorRect::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), toQColor(fill_));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorRect::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT mouseDown();
    QWidget::mousePressEvent(event);
}

// UpDownArrows -----------------------------------------------------------------------------

UpDownArrows::UpDownArrows(QWidget* parent) : QWidget(parent) {}

void UpDownArrows::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        const QRect r = halves[i];
        const bool sunken = pressed_ == (i == 0 ? 1 : -1);
        p.setPen(QColor(120, 120, 120));
        p.setBrush(sunken ? palette().color(QPalette::Mid) : palette().color(QPalette::Button));
        p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
        const double cx = r.center().x() + 0.5;
        const double cy = r.top() + r.height() / 2.0;
        const double dy = i == 0 ? -1.5 : 1.5;
        const QPointF tri[3] = {{cx - 3.0, cy - dy}, {cx + 3.0, cy - dy}, {cx, cy + dy}};
        p.setPen(Qt::NoPen);
        p.setBrush(palette().color(QPalette::ButtonText));
        p.drawPolygon(tri, 3);
    }
}

void UpDownArrows::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool upper = event->position().y() < height() / 2.0;
    pressed_ = upper ? 1 : -1;
    update();
    if (upper)
        Q_EMIT up();
    else
        Q_EMIT down();
}

void UpDownArrows::mouseReleaseEvent(QMouseEvent*) {
    pressed_ = 0;
    update();
}

// W_Set ------------------------------------------------------------------------------------

QCheckBox* W_Set::makeCheck(const QString& name, const QString& caption, QRect geometry,
                            void (W_Set::*handler)()) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setGeometry(geometry);
    connect(box, &QCheckBox::toggled, this, [this, handler] { (this->*handler)(); });
    return box;
}

QLabel* W_Set::makeLabel(const QString& name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QLineEdit* W_Set::makeAlarmField(const QString& name, QRect geometry, void (W_Set::*handler)()) {
    QLineEdit* field = placeField(this, name, geometry);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFrame(true);
    field->setTextMargins(0, 0, 0, 0);
    setBlackOnWhite(field);
    connect(field, &QLineEdit::textChanged, this, [this, handler] { (this->*handler)(); });
    connect(field, &QLineEdit::selectionChanged, this, [this, handler] { (this->*handler)(); });
    return field;
}

UpDownArrows* W_Set::makeArrows(const QString& name, QRect geometry, void (W_Set::*up)(),
                                void (W_Set::*down)()) {
    auto* arrows = new UpDownArrows(this);
    arrows->setObjectName(name);
    arrows->setGeometry(geometry);
    connect(arrows, &UpDownArrows::up, this, [this, up] { (this->*up)(); });
    connect(arrows, &UpDownArrows::down, this, [this, down] { (this->*down)(); });
    return arrows;
}

QSlider* W_Set::makeSlider(const QString& name, QRect geometry, int minimum, int maximum,
                           void (W_Set::*handler)()) {
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(name);
    slider->setGeometry(geometry);
    slider->setRange(minimum, maximum);
    slider->setValue(maximum);
    slider->setSingleStep(1);
    slider->setPageStep(20);
    // The value is reported when the user lets go, not while dragging.
    slider->setTracking(false);
    connect(slider, &QSlider::valueChanged, this, [this, handler] { (this->*handler)(); });
    return slider;
}

W_Set::W_Set(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("W_Set"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(339, 470);

    Check_Sec = makeCheck(QStringLiteral("Check_Sec"), QStringLiteral("秒を表示する"),
                          {17, 9, 100, 20}, &W_Set::Check_Sec_Action);
    PushButton1 = placeButton(this, QStringLiteral("PushButton1"), QStringLiteral("発音表"),
                              {208, 14, 80, 20}, &W_Set::PushButton1_Action);
    Check_AMPM = makeCheck(QStringLiteral("Check_AMPM"), QStringLiteral("AM/PMを表示する"),
                           {17, 34, 145, 21}, &W_Set::Check_AMPM_Action);
    PushButton5 = placeButton(this, QStringLiteral("PushButton5"), QStringLiteral("イベント"),
                              {208, 51, 80, 20}, &W_Set::PushButton5_Action);
    Check_Week = makeCheck(QStringLiteral("Check_Week"), QStringLiteral("曜日を表示する"),
                           {17, 59, 124, 20}, &W_Set::Check_Week_Action);
    Check_24 = makeCheck(QStringLiteral("Check_24"), QStringLiteral("24時間表示にする"),
                         {17, 83, 145, 20}, &W_Set::Check_24_Action);

    Canvas1 = makeLabel(QStringLiteral("Canvas1"), QString(), {256, 96, 32, 32});
    Canvas1->setPixmap(My_ICON());
    Canvas1->setToolTip(QStringLiteral("Click me! And show you about me."));
    Canvas1->setCursor(Qt::PointingHandCursor);
    Canvas1->installEventFilter(this);

    Check_Cl = makeCheck(QStringLiteral("Check_Cl"), QStringLiteral("アナログ時計を表示"),
                         {17, 108, 145, 20}, &W_Set::Check_Cl_Action);
    Check_Sm = makeCheck(QStringLiteral("Check_Sm"), QStringLiteral("最小表示する"),
                         {17, 133, 145, 20}, &W_Set::Check_Sm_Action);

    Popup_Time = new QComboBox(this);
    Popup_Time->setObjectName(QStringLiteral("Popup_Time"));
    Popup_Time->setGeometry(154, 159, 98, 21);
    Popup_Time->addItems({QStringLiteral("1時間"), QStringLiteral("30分"), QStringLiteral("15分"),
                          QStringLiteral("10分"), QStringLiteral("5分"), QStringLiteral("1分")});
    connect(Popup_Time, &QComboBox::currentIndexChanged, this, [this] { Popup_Time_Change(); });

    Check_An = makeCheck(QStringLiteral("Check_An"), QStringLiteral("時刻を知らせる"),
                         {17, 160, 124, 20}, &W_Set::Check_An_Action);
    PushButton4 = placeButton(this, QStringLiteral("PushButton4"), QStringLiteral("確認"),
                              {267, 159, 59, 20}, &W_Set::PushButton4_Action);
    Check_Sound = makeCheck(QStringLiteral("Check_Sound"), QStringLiteral("効果音で知らせる"),
                            {17, 191, 131, 20}, &W_Set::Check_Sound_Action);

    Popup_Sound = new QComboBox(this);
    Popup_Sound->setObjectName(QStringLiteral("Popup_Sound"));
    Popup_Sound->setGeometry(154, 191, 98, 20);
    Popup_Sound->addItems({QStringLiteral("教会"), QStringLiteral("カッコウ"),
                           QStringLiteral("古時計"), QStringLiteral("犬"), QStringLiteral("猫")});
    connect(Popup_Sound, &QComboBox::currentIndexChanged, this, [this] { Popup_Sound_Change(); });

    PushButton6 = placeButton(this, QStringLiteral("PushButton6"), QStringLiteral("確認"),
                              {267, 191, 59, 20}, &W_Set::PushButton6_Action);
    PushButton7 = placeButton(this, QStringLiteral("PushButton7"), QStringLiteral("読込"),
                              {164, 223, 80, 20}, &W_Set::PushButton7_Action);
    Check_Cus = makeCheck(QStringLiteral("Check_Cus"), QStringLiteral("効果音をｶｽﾀﾏｲｽﾞ"),
                          {17, 225, 122, 20}, &W_Set::Check_Cus_Action);
    PushButton8 = placeButton(this, QStringLiteral("PushButton8"), QStringLiteral("確認"),
                              {267, 223, 59, 20}, &W_Set::PushButton8_Action);
    PushButton9 = placeButton(this, QStringLiteral("PushButton9"), QStringLiteral("確認"),
                              {267, 252, 59, 20}, &W_Set::PushButton9_Action);
    Check_Day = makeCheck(QStringLiteral("Check_Day"), QStringLiteral("起動時に日付をしゃべる"),
                          {17, 253, 169, 20}, &W_Set::Check_Day_Action);

    UpDownArrows1 = makeArrows(QStringLiteral("UpDownArrows1"), {99, 282, 13, 23},
                               &W_Set::UpDownArrows1_Up, &W_Set::UpDownArrows1_Down);
    Check_Al = makeCheck(QStringLiteral("Check_Al"), QStringLiteral("アラーム"), {17, 283, 81, 20},
                         &W_Set::Check_Al_Action);
    Edit_H = makeAlarmField(QStringLiteral("Edit_H"), {115, 281, 27, 23}, &W_Set::Edit_H_SelChange);
    StaticText5 =
        makeLabel(QStringLiteral("StaticText5"), QStringLiteral("時"), {147, 285, 22, 19});
    UpDownArrows2 = makeArrows(QStringLiteral("UpDownArrows2"), {170, 281, 13, 23},
                               &W_Set::UpDownArrows2_Up, &W_Set::UpDownArrows2_Down);
    Edit_M = makeAlarmField(QStringLiteral("Edit_M"), {186, 281, 27, 23}, &W_Set::Edit_M_SelChange);
    StaticText6 =
        makeLabel(QStringLiteral("StaticText6"), QStringLiteral("分"), {218, 285, 22, 19});
    UpDownArrows3 = makeArrows(QStringLiteral("UpDownArrows3"), {239, 281, 13, 23},
                               &W_Set::UpDownArrows3_Up, &W_Set::UpDownArrows3_Down);
    Edit_N = makeAlarmField(QStringLiteral("Edit_N"), {254, 281, 27, 23}, &W_Set::Edit_N_SelChange);
    StaticText7 =
        makeLabel(QStringLiteral("StaticText7"), QStringLiteral("回"), {286, 285, 22, 19});
    {
        // The layout's texts; Open replaces them with the record's values.
        const QSignalBlocker h(Edit_H), m(Edit_M), n(Edit_N);
        Edit_H->setText(QStringLiteral("0"));
        Edit_M->setText(QStringLiteral("0"));
        Edit_N->setText(QStringLiteral("1"));
    }

    StaticText4 =
        makeLabel(QStringLiteral("StaticText4"), QStringLiteral("音量：100"), {28, 324, 76, 20});
    Slider_Sound = makeSlider(QStringLiteral("Slider_Sound"), {111, 324, 197, 19}, 10, 100,
                              &W_Set::Slider_Sound_ValueChanged);
    StaticText1 =
        makeLabel(QStringLiteral("StaticText1"), QStringLiteral("透明度 : 100"), {17, 355, 84, 21});
    Slider1 = makeSlider(QStringLiteral("Slider1"), {111, 355, 197, 19}, 50, 100,
                         &W_Set::Slider1_ValueChanged);

    StaticText2 =
        makeLabel(QStringLiteral("StaticText2"), QStringLiteral("文字色"), {53, 397, 49, 19});
    Rect_Moji = new ColorRect(this);
    Rect_Moji->setObjectName(QStringLiteral("Rect_Moji"));
    Rect_Moji->setGeometry(114, 387, 40, 29);
    Rect_Moji->setFill({0, 0, 0});
    connect(Rect_Moji, &ColorRect::mouseDown, this, [this] { Rect_Moji_MouseDown(); });
    StaticText3 =
        makeLabel(QStringLiteral("StaticText3"), QStringLiteral("背景色"), {173, 397, 49, 19});
    Rect_Back = new ColorRect(this);
    Rect_Back->setObjectName(QStringLiteral("Rect_Back"));
    Rect_Back->setGeometry(234, 387, 40, 29);
    Rect_Back->setFill({255, 255, 255});
    connect(Rect_Back, &ColorRect::mouseDown, this, [this] { Rect_Back_MouseDown(); });

    PushButton2 = placeButton(this, QStringLiteral("PushButton2"), QStringLiteral("設定保存"),
                              {43, 430, 80, 20}, &W_Set::PushButton2_Action);
    PushButton3 = placeButton(this, QStringLiteral("PushButton3"), QStringLiteral("閉じる"),
                              {228, 430, 80, 20}, &W_Set::PushButton3_Action);
    PushButton10 = placeButton(this, QStringLiteral("PushButton10"), QStringLiteral("静かな時間"),
                               {134, 430, 84, 20}, &W_Set::PushButton10_Action);

    Slider1_Open();
    StaticText1_Open();
    Open();
    // A change made elsewhere (the tray, the quiet-time window, a file read) shows here too.
    connect(&settingsStore(), &SettingsStore::changed, this,
            [this](const SettingsRecord& before, const SettingsRecord& after) {
                fill(after, &before);
            });
}

void W_Set::Open() { fill(Settings(), nullptr); }

void W_Set::fill(const SettingsRecord& s, const SettingsRecord* before) {
    // The record is shown as it is: filling a control must not write a value the control
    // can't hold (a list position or volume outside its range) back into the record.
    QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QList<bool> wasBlocked;
    for (QWidget* w : controls)
        wasBlocked.append(w->blockSignals(true));

    const auto show = [&](auto field) { return !before || touched(*before, s, field); };
    // A number being typed is left as typed while it means the stored value ("07" for 7).
    const auto showNumber = [&](QLineEdit* edit, std::int32_t SettingsRecord::*field) {
        if (show(field) && (!before || ValInt(edit->text()) != s.*field))
            edit->setText(Str(s.*field));
    };
    using R = SettingsRecord;
    if (show(&R::ShowSeconds)) Check_Sec->setChecked(s.ShowSeconds);
    if (show(&R::ShowAMPM)) Check_AMPM->setChecked(s.ShowAMPM);
    if (show(&R::ShowWeek)) Check_Week->setChecked(s.ShowWeek);
    if (show(&R::Show24Hour)) Check_24->setChecked(s.Show24Hour);
    if (show(&R::ShowAnalog)) Check_Cl->setChecked(s.ShowAnalog);
    if (show(&R::SmallView)) Check_Sm->setChecked(s.SmallView);
    if (show(&R::AnnounceOn)) Check_An->setChecked(s.AnnounceOn);
    if (show(&R::IntervalIndex)) Popup_Time->setCurrentIndex(s.IntervalIndex);
    if (show(&R::Transparency)) Slider1->setValue(s.Transparency);
    if (show(&R::TextColor)) Rect_Moji->setFill(s.TextColor);
    if (show(&R::BackColor)) Rect_Back->setFill(s.BackColor);
    if (show(&R::SoundOn)) Check_Sound->setChecked(s.SoundOn);
    if (show(&R::SoundIndex)) Popup_Sound->setCurrentIndex(s.SoundIndex);
    if (show(&R::Volume)) Slider_Sound->setValue(s.Volume);
    if (show(&R::CustomSound)) Check_Cus->setChecked(s.CustomSound);
    if (show(&R::SpeakDateAtStart)) Check_Day->setChecked(s.SpeakDateAtStart);
    if (show(&R::AlarmOn)) Check_Al->setChecked(s.AlarmOn);
    showNumber(Edit_H, &R::AlarmHour);
    showNumber(Edit_M, &R::AlarmMinute);
    showNumber(Edit_N, &R::AlarmRepeat);
    // The volume label tells the slider's position from the start.
    StaticText4->setText(QStringLiteral("音量：") + Str(Slider_Sound->value()));

    for (qsizetype i = 0; i < controls.size(); ++i)
        controls[i]->blockSignals(wasBlocked[i]);
}

void W_Set::Slider1_Open() { Slider1->setVisible(false); }

void W_Set::StaticText1_Open() { StaticText1->setVisible(false); }

void W_Set::Check_Sec_Action() { store(&SettingsRecord::ShowSeconds, Check_Sec); }
void W_Set::Check_AMPM_Action() { store(&SettingsRecord::ShowAMPM, Check_AMPM); }
void W_Set::Check_Week_Action() { store(&SettingsRecord::ShowWeek, Check_Week); }
void W_Set::Check_24_Action() { store(&SettingsRecord::Show24Hour, Check_24); }
void W_Set::Check_Cl_Action() { store(&SettingsRecord::ShowAnalog, Check_Cl); }
void W_Set::Check_Sm_Action() { store(&SettingsRecord::SmallView, Check_Sm); }
void W_Set::Check_An_Action() { store(&SettingsRecord::AnnounceOn, Check_An); }
void W_Set::Check_Sound_Action() { store(&SettingsRecord::SoundOn, Check_Sound); }
void W_Set::Check_Cus_Action() { store(&SettingsRecord::CustomSound, Check_Cus); }
void W_Set::Check_Day_Action() { store(&SettingsRecord::SpeakDateAtStart, Check_Day); }
void W_Set::Check_Al_Action() { store(&SettingsRecord::AlarmOn, Check_Al); }

void W_Set::Popup_Time_Change() {
    settingsStore().set(&SettingsRecord::IntervalIndex, std::int32_t(Popup_Time->currentIndex()));
}

void W_Set::Popup_Sound_Change() {
    settingsStore().set(&SettingsRecord::SoundIndex, std::int32_t(Popup_Sound->currentIndex()));
}

void W_Set::Slider_Sound_ValueChanged() {
    StaticText4->setText(QStringLiteral("音量：") + Str(Slider_Sound->value()));
    settingsStore().set(&SettingsRecord::Volume, std::int32_t(Slider_Sound->value()));
}

void W_Set::Slider1_ValueChanged() {
    settingsStore().set(&SettingsRecord::Transparency, std::int32_t(Slider1->value()));
    StaticText1->setText(QStringLiteral("透明度：") + Str(Slider1->value()));
}

bool W_Set::Rect_Moji_MouseDown() {
    pickColour(&SettingsRecord::TextColor, Rect_Moji, QStringLiteral("文字色を選んでください。"));
    return false;
}

bool W_Set::Rect_Back_MouseDown() {
    pickColour(&SettingsRecord::BackColor, Rect_Back, QStringLiteral("背景色を選んでください。"));
    return false;
}

void W_Set::Edit_H_SelChange() { store(&SettingsRecord::AlarmHour, Edit_H); }
void W_Set::Edit_M_SelChange() { store(&SettingsRecord::AlarmMinute, Edit_M); }
void W_Set::Edit_N_SelChange() { store(&SettingsRecord::AlarmRepeat, Edit_N); }

void W_Set::UpDownArrows1_Up() { step(&SettingsRecord::AlarmHour, +1, kHourTop); }
void W_Set::UpDownArrows1_Down() { step(&SettingsRecord::AlarmHour, -1, 0); }
void W_Set::UpDownArrows2_Up() { step(&SettingsRecord::AlarmMinute, +1, kMinuteTop); }
void W_Set::UpDownArrows2_Down() { step(&SettingsRecord::AlarmMinute, -1, 0); }
void W_Set::UpDownArrows3_Up() { step(&SettingsRecord::AlarmRepeat, +1, kRepeatTop); }
void W_Set::UpDownArrows3_Down() { step(&SettingsRecord::AlarmRepeat, -1, kRepeatBottom); }

void W_Set::PushButton1_Action() { showWindow<W_Voice>(); }

void W_Set::PushButton2_Action() {
    if (const SettingsFile* file = services().settingsFile) file->save();
}

void W_Set::PushButton3_Action() { hide(); }

void W_Set::PushButton4_Action() {
    if (ClockCommands* clock = services().commands) clock->speakTimeNow();
}

void W_Set::PushButton5_Action() { showWindow<W_Event>(); }

void W_Set::PushButton10_Action() { showWindow<W_Quiet>()->followStore(); }

void W_Set::PushButton6_Action() {
    if (ClockCommands* clock = services().commands)
        clock->previewSound(Popup_Sound->currentIndex());
}

void W_Set::PushButton7_Action() {
    ClockCommands* clock = services().commands;
    Dialogs* dialogs = services().dialogs;
    if (!clock || !dialogs) return;
    const QString path = dialogs->GetOpenFolderItem(QString());
    if (path.isEmpty()) return;
    clock->loadCustomSound(path);
}

void W_Set::PushButton8_Action() {
    if (ClockCommands* clock = services().commands) clock->previewCustomSound();
}

void W_Set::PushButton9_Action() {
    if (ClockCommands* clock = services().commands) clock->speakToday();
}

bool W_Set::Canvas1_MouseDown(int, int) {
    showWindow<Window1>();
    return false;
}

bool W_Set::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Canvas1 && event->type() == QEvent::MouseButtonPress) {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        return Canvas1_MouseDown(p.x(), p.y());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace taku
