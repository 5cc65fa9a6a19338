#pragma once
// A key that reaches the clock whichever program has the focus: grabbed from the X server on
// X11, asked of the desktop portal on Wayland, unavailable elsewhere.

#include <QDBusConnection>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace taku {

class GlobalShortcut : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Whether this desktop lets a program have a global key at all.
    virtual bool available() const = 0;
    // Takes the key given as Qt's portable key-sequence text (empty: none), releasing the one
    // held before. False when the key can't be had; problem() then says why.
    virtual bool bind(const QString& portableText) = 0;
    // Why the key is not in place, in the user's words; empty when it is.
    QString problem() const { return problem_; }
Q_SIGNALS:
    void activated();

protected:
    QString problem_;
};

// The one for this session's windowing system (X11, Wayland with the portal, or none).
std::unique_ptr<GlobalShortcut> makeGlobalShortcut(QObject* parent = nullptr);

// The key as the X server names it: a keysym and the modifier mask (Shift 1, Control 4,
// Mod1 (Alt) 8, Mod4 (Super) 64). Nothing for an empty sequence or a key without a keysym.
struct X11Key final {
    quint32 keysym = 0;
    quint16 modifiers = 0;
    friend bool operator==(const X11Key&, const X11Key&) = default;
};
std::optional<X11Key> x11Key(const QKeySequence& sequence);

// The portal's spelling of a trigger, "CTRL+ALT+t"; empty when the key has no such name.
QString portalTrigger(const QKeySequence& sequence);

} // namespace taku
