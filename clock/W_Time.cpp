#include "clock/W_Time.h"

#include "app/Logging.h"
#include "app/MenuBar1.h"
#include "app/Settings.h"
#include "app/Windows.h"
#include "clock/ClockText.h"
#include "clock/FaceCanvas.h"
#include "clock/StaticText.h"
#include "prefs/W_Set.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QToolButton>

#include <utility>

namespace taku {

namespace {
W_Time* theClockWindow = nullptr;

constexpr int kHeight = 22;
constexpr int kLabelWidth = 96;
constexpr int kLabelRightGap = 4;

QColor toQColor(const Rgb& c) {
    return QColor(std::clamp(c.r, 0, 255), std::clamp(c.g, 0, 255), std::clamp(c.b, 0, 255));
}

DisplayFlags displayFlags() {
    const SettingsRecord& s = Settings();
    return {s.ShowWeek, s.ShowAMPM, s.Show24Hour, s.ShowSeconds, s.SmallView, s.ShowAnalog};
}
} // namespace

W_Time* W_Time::instance() { return theClockWindow; }

W_Time::W_Time(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint) {
    theClockWindow = this;
    setObjectName(QStringLiteral("W_Time"));
    setWindowTitle(QStringLiteral("2006年12月24日"));
    setAutoFillBackground(true);

    Canvas1 = new FaceCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->move(1, 1);
    Canvas1->hide();

    Static_Time = new StaticText(QStringLiteral("月 午後23:59:59"), this);
    Static_Time->setObjectName(QStringLiteral("Static_Time"));
    QFont font(QStringLiteral("OSAKA"));
    font.setFamilies({QStringLiteral("OSAKA"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    Static_Time->setFont(font);
    Static_Time->setAttribute(Qt::WA_TransparentForMouseEvents);
    Static_Time->resize(kLabelWidth, 19);

    // Laid out below the strip's 22 pixels, so the strip as shown does not show it.
    BevelButton1 = new QToolButton(this);
    BevelButton1->setObjectName(QStringLiteral("BevelButton1"));
    BevelButton1->setIcon(QIcon(Speaker()));
    BevelButton1->setGeometry(70, 61, 20, 20);
    connect(BevelButton1, &QToolButton::clicked, this, [this] { BevelButton1_Action(); });

    Timer1.alignToSeconds(services().clock);
    Timer1.Action = [this] { Timer1_Action(); };
    Timer2.Action = [this] { Timer2_Action(); };
    Timer3.Action = [this] { Timer3_Action(); };

    width_ = 102;
    setFixedSize(width_, kHeight);
    layoutControls();
}

W_Time::~W_Time() {
    if (theClockWindow == this) theClockWindow = nullptr;
}

void W_Time::showTitle() { setWindowTitle(dateTitle(Now.date())); }

void W_Time::layoutControls() {
    // The label keeps its width and its distance from the right edge.
    Static_Time->move(width_ - kLabelRightGap - kLabelWidth, 1);
}

void W_Time::Open() {
    Now = taku::Now();
    LastDay = Now.date().day();
    showTitle();
    setFixedHeight(kHeight);
    Set_Pref();
    Set_Voice();
    AnnounceReady = true;
    if (Settings().SpeakDateAtStart)
        Get_Day(Now.date().month(), Now.date().day(), dayOfWeek(Now.date()));
    Set_Event();
}

void W_Time::Set_Int_Time() {
    static constexpr int minutes[] = {60, 30, 15, 10, 5, 1};
    const int index = Settings().IntervalIndex;
    if (index >= 0 && index < 6) IntervalMinutes = minutes[index];
}

void W_Time::Timer1_Action() {
    Now = taku::Now();
    const QTime time = Now.time();
    const int hour = time.hour();
    const int minute = time.minute();
    const int second = time.second();
    qCDebug(lcTick).noquote() << Now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));

    if (LastDay != Now.date().day()) {
        showTitle();
        LastDay = Now.date().day();
    }

    const SettingsRecord& s = Settings();
    const ClockLayout layout = composeClock(Now, displayFlags());
    if (Static_Time->isHidden() == layout.textVisible) Static_Time->setVisible(layout.textVisible);
    if (layout.textVisible) Static_Time->setText(layout.text);
    if (Canvas1->isHidden() == layout.faceVisible) Canvas1->setVisible(layout.faceVisible);
    if (layout.faceVisible) Draw_Clock();
    TimeText = layout.text;
    if (layout.width != width_) {
        width_ = layout.width;
        setFixedWidth(width_);
        layoutControls();
    }

    // The alarm comes first and ends the tick, so its chime is not followed by the interval
    // chime or a spoken time in the same second.
    if (s.AlarmOn && second == 0 && AnnounceReady && s.AlarmHour == hour &&
        s.AlarmMinute == minute) {
        if (s.SoundOn || s.CustomSound)
            Get_Sound(s.SoundIndex, s.AlarmRepeat);
        else
            Take_An(minute);
        return;
    }

    // An interval that was never set counts as hourly rather than dividing by zero.
    const int interval = IntervalMinutes > 0 ? IntervalMinutes : 60;
    const bool dueMinute = minute % interval == 0;
    if ((s.SoundOn || s.CustomSound) && second == 0 && AnnounceReady && dueMinute)
        Take_Sound(hour, minute);
    // AnnounceReady is read again: a chime started just now has made it false.
    if (s.AnnounceOn && second == 0 && AnnounceReady && !s.SoundOn && dueMinute) Take_An(minute);

    Timer1.setPeriod(1);
}

void W_Time::Timer3_Action() {
    Speak(SpeechText, false);
    for (const QString& message : std::exchange(MessagesAfterSpeech, {}))
        Speak(message, false);
    Timer1.setPeriod(TickPeriod);
    Timer1.setMode(2);
    AnnounceReady = true;
}

void W_Time::Draw_Clock() {
    const QTime t = Now.time();
    Canvas1->setTime(t.hour(), t.minute(), t.second(), Settings().ShowSeconds);
}

void W_Time::BevelButton1_Action() { Now_An(Static_Time->text()); }

bool W_Time::MouseDown(int, int) {
    showWindow<W_Set>();
    return false;
}

bool W_Time::_Setting_Action() {
    showWindow<W_Set>();
    return false;
}

void W_Time::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        MouseDown(p.x(), p.y());
    }
    QWidget::mousePressEvent(event);
}

void W_Time::contextMenuEvent(QContextMenuEvent* event) {
    showMenuBarAsPopup(event->globalPos());
}

void W_Time::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        qCDebug(lcStartup).noquote()
            << "first paint"
            << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
}

void W_Time::Close() { close(); }

void W_Time::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        Save_Pref();
        Timer1.setMode(0);
        Timer2.setMode(0);
        Timer3.setMode(0);
    }
    event->accept();
    QCoreApplication::quit();
}

void W_Time::applyTextColor() {
    QPalette pal = Static_Time->palette();
    pal.setColor(QPalette::WindowText, toQColor(Settings().TextColor));
    Static_Time->setPalette(pal);
}

void W_Time::applyBackColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(Settings().BackColor));
    setPalette(pal);
}

void W_Time::SetWindowTransparency(QWidget* window, float opacity) {
    if (!window) return;
    // Below half the strip is too faint to find again; the setting itself keeps its value.
    window->setWindowOpacity(std::clamp(static_cast<double>(opacity), 0.5, 1.0));
}

void W_Time::keepOnScreen() {
    const QRect frame(pos(), size());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(frame)) return;
    }
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect avail = primary->availableGeometry();
        move(avail.left() + std::max(0, (avail.width() - width()) / 2), avail.top() + 40);
    }
}

} // namespace taku
