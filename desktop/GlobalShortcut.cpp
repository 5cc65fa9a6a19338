#include "desktop/GlobalShortcut.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QVariantMap>

#include <xcb/xcb.h>

namespace taku {

namespace {

const QString kUnavailable = QStringLiteral("このデスクトップでは使えません");

constexpr quint16 kShift = 1, kLock = 2, kControl = 4, kMod1 = 8, kMod2 = 16, kMod4 = 64;

std::optional<quint32> keysymOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return quint32(key - Qt::Key_A + 'a');
    if (key >= 0x20 && key <= 0x7e) return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return quint32(0xffbe + key - Qt::Key_F1);
    struct Named {
        int key;
        quint32 keysym;
    };
    static constexpr Named named[] = {
        {Qt::Key_Escape, 0xff1b}, {Qt::Key_Tab, 0xff09},     {Qt::Key_Backspace, 0xff08},
        {Qt::Key_Return, 0xff0d}, {Qt::Key_Enter, 0xff8d},   {Qt::Key_Insert, 0xff63},
        {Qt::Key_Delete, 0xffff}, {Qt::Key_Pause, 0xff13},   {Qt::Key_Print, 0xff61},
        {Qt::Key_Home, 0xff50},   {Qt::Key_End, 0xff57},     {Qt::Key_Left, 0xff51},
        {Qt::Key_Up, 0xff52},     {Qt::Key_Right, 0xff53},   {Qt::Key_Down, 0xff54},
        {Qt::Key_PageUp, 0xff55}, {Qt::Key_PageDown, 0xff56}};
    for (const Named& n : named)
        if (n.key == key) return n.keysym;
    return std::nullopt;
}

// An a(sa{sv}) element of the portal's BindShortcuts.
struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcutEntry& e) {
    arg.beginStructure();
    arg << e.id << e.properties;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcutEntry& e) {
    arg.beginStructure();
    arg >> e.id >> e.properties;
    arg.endStructure();
    return arg;
}

} // namespace
} // namespace taku

Q_DECLARE_METATYPE(taku::PortalShortcutEntry)

namespace taku {

std::optional<X11Key> x11Key(const QKeySequence& sequence) {
    if (sequence.isEmpty()) return std::nullopt;
    const QKeyCombination combination = sequence[0];
    const std::optional<quint32> keysym = keysymOf(combination.key());
    if (!keysym) return std::nullopt;
    const Qt::KeyboardModifiers m = combination.keyboardModifiers();
    quint16 mask = 0;
    if (m & Qt::ShiftModifier) mask |= kShift;
    if (m & Qt::ControlModifier) mask |= kControl;
    if (m & Qt::AltModifier) mask |= kMod1;
    if (m & Qt::MetaModifier) mask |= kMod4;
    return X11Key{*keysym, mask};
}

QString portalTrigger(const QKeySequence& sequence) {
    if (sequence.isEmpty()) return {};
    const QKeyCombination combination = sequence[0];
    const int key = combination.key();
    QString name;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        name = QChar(u'a' + (key - Qt::Key_A));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        name = QChar(u'0' + (key - Qt::Key_0));
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    else
        return {};
    const Qt::KeyboardModifiers m = combination.keyboardModifiers();
    QString text;
    if (m & Qt::ControlModifier) text += QStringLiteral("CTRL+");
    if (m & Qt::AltModifier) text += QStringLiteral("ALT+");
    if (m & Qt::ShiftModifier) text += QStringLiteral("SHIFT+");
    if (m & Qt::MetaModifier) text += QStringLiteral("LOGO+");
    return text + name;
}

namespace {

// No global keys here (an unknown windowing system, or Wayland without the portal).
class NoShortcut final : public GlobalShortcut {
public:
    explicit NoShortcut(QObject* parent) : GlobalShortcut(parent) { problem_ = kUnavailable; }
    bool available() const override { return false; }
    bool bind(const QString& portableText) override { return portableText.isEmpty(); }
};

// A passive grab on the root window, with and without Caps Lock and Num Lock.
class X11Shortcut final : public GlobalShortcut, public QAbstractNativeEventFilter {
public:
    X11Shortcut(xcb_connection_t* connection, QObject* parent)
        : GlobalShortcut(parent), connection_(connection),
          root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11Shortcut() override { release(); }

    bool available() const override { return true; }

    bool bind(const QString& portableText) override {
        release();
        problem_.clear();
        if (portableText.isEmpty()) return true;
        const std::optional<X11Key> key =
            x11Key(QKeySequence::fromString(portableText, QKeySequence::PortableText));
        const xcb_keycode_t keycode = key ? keycodeOf(key->keysym) : 0;
        if (keycode == 0) {
            problem_ = QStringLiteral("このキーは使えません");
            return false;
        }
        keycode_ = keycode; // what release() gives back if a grab fails
        modifiers_ = key->modifiers;
        for (const quint16 extra : {quint16(0), kLock, kMod2, quint16(kLock | kMod2)}) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(connection_, 1, root_, key->modifiers | extra, keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
                free(error);
                release();
                problem_ = QStringLiteral("このキーは他のプログラムが使っています");
                return false;
            }
        }
        return true;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (keycode_ == 0 || eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        const quint16 state = press->state & 0xff & ~(kLock | kMod2);
        if (press->detail != keycode_ || state != modifiers_) return false;
        Q_EMIT activated();
        return true;
    }

private:
    xcb_keycode_t keycodeOf(quint32 keysym) const {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr);
        if (!reply) return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
        const int perKeycode = reply->keysyms_per_keycode;
        xcb_keycode_t found = 0;
        for (int i = 0; i < length && perKeycode > 0; ++i) {
            if (syms[i] == keysym) {
                found = xcb_keycode_t(setup->min_keycode + i / perKeycode);
                break;
            }
        }
        free(reply);
        return found;
    }

    void release() {
        if (keycode_ == 0) return;
        for (const quint16 extra : {quint16(0), kLock, kMod2, quint16(kLock | kMod2)})
            xcb_ungrab_key(connection_, keycode_, root_, modifiers_ | extra);
        xcb_flush(connection_);
        keycode_ = 0;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_keycode_t keycode_ = 0;
    quint16 modifiers_ = 0;
};

// The desktop portal's GlobalShortcuts: one session, one shortcut; the desktop shows the user
// its own dialog to confirm or change the key.
class PortalShortcut final : public GlobalShortcut {
    Q_OBJECT
public:
    PortalShortcut(const QDBusConnection& bus, QObject* parent)
        : GlobalShortcut(parent), bus_(bus) {
        qDBusRegisterMetaType<PortalShortcutEntry>();
        qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
        QDBusMessage get =
            QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
        get.setArguments({kInterface, QStringLiteral("version")});
        available_ = bus_.isConnected() &&
                     bus_.call(get, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage;
        if (!available_) {
            problem_ = kUnavailable;
            return;
        }
        bus_.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                     SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }

    bool available() const override { return available_; }

    bool bind(const QString& portableText) override {
        if (!available_) return portableText.isEmpty();
        wanted_ = portableText;
        if (session_.isEmpty()) {
            if (!creating_) createSession();
            return true;
        }
        bindShortcut();
        return true;
    }

private Q_SLOTS:
    void portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                         const QVariantMap&) {
        if (session.path() == session_ && id == kShortcutId && !wanted_.isEmpty())
            Q_EMIT activated();
    }
    void sessionCreated(uint response, const QVariantMap& results) {
        creating_ = false;
        session_ = results.value(QStringLiteral("session_handle")).toString();
        if (response != 0 || session_.isEmpty()) {
            session_.clear();
            problem_ = kUnavailable;
            return;
        }
        bindShortcut();
    }
    void shortcutsBound(uint response, const QVariantMap&) {
        problem_ = response == 0 ? QString() : QStringLiteral("デスクトップが許可しませんでした");
    }

private:
    static inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString kInterface =
        QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
    static inline const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
    static inline const QString kShortcutId = QStringLiteral("speak-now");

    // Calls a portal method whose answer comes on a request object: that object
    // (/org/freedesktop/portal/desktop/request/SENDER/TOKEN) is subscribed to before the call,
    // so no answer is lost. The token goes in options, which end the arguments.
    void callWithRequest(const QString& method, const char* answerSlot, QVariantList arguments,
                         QVariantMap options) {
        const QString token = QStringLiteral("taku%1").arg(++tokens_);
        QString sender = bus_.baseService().mid(1);
        sender.replace(u'.', u'_');
        bus_.connect(kService, QStringLiteral("%1/request/%2/%3").arg(kPath, sender, token),
                     QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                     this, answerSlot);
        options.insert(QStringLiteral("handle_token"), token);
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        m.setArguments(arguments << options);
        bus_.send(m);
    }

    void createSession() {
        creating_ = true;
        callWithRequest(QStringLiteral("CreateSession"), SLOT(sessionCreated(uint, QVariantMap)),
                        {}, {{QStringLiteral("session_handle_token"), QStringLiteral("taku")}});
    }

    void bindShortcut() {
        // The portal keeps a session's shortcuts; an empty key leaves it bound but unanswered.
        if (wanted_.isEmpty()) return;
        QVariantMap properties{
            {QStringLiteral("description"), QStringLiteral("今の時刻を読み上げ")}};
        const QString trigger =
            portalTrigger(QKeySequence::fromString(wanted_, QKeySequence::PortableText));
        if (!trigger.isEmpty()) properties.insert(QStringLiteral("preferred_trigger"), trigger);
        const QList<PortalShortcutEntry> entries{{kShortcutId, properties}};
        callWithRequest(QStringLiteral("BindShortcuts"), SLOT(shortcutsBound(uint, QVariantMap)),
                        {QVariant::fromValue(QDBusObjectPath(session_)),
                         QVariant::fromValue(entries), QString()},
                        {});
    }

    QDBusConnection bus_;
    bool available_ = false;
    bool creating_ = false;
    QString session_;
    QString wanted_;
    int tokens_ = 0;
};

} // namespace

std::unique_ptr<GlobalShortcut> makeGlobalShortcut(QObject* parent) {
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (xcb_connection_t* connection = x11->connection()) {
            // Through XWayland a grab sees only the keys of X programs' windows; the portal,
            // where the desktop offers it, sees them all.
            if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
                auto portal = std::make_unique<PortalShortcut>(QDBusConnection::sessionBus(), parent);
                if (portal->available()) return portal;
            }
            return std::make_unique<X11Shortcut>(connection, parent);
        }
    }
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::make_unique<PortalShortcut>(QDBusConnection::sessionBus(), parent);
    return std::make_unique<NoShortcut>(parent);
}

} // namespace taku

#include "GlobalShortcut.moc"
