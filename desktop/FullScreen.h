#pragma once
// Whether a full-screen window has the focus (a presentation, a film): on X11 the window the
// window manager names in the root's _NET_ACTIVE_WINDOW carries _NET_WM_STATE_FULLSCREEN in
// its _NET_WM_STATE. Followed through property changes on the root and on that window, over a
// connection to the X server of its own. Without an X server it is never active.

#include "desktop/BusyState.h"

#include <QString>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;

namespace taku {

class FullScreen final : public BusyState {
    Q_OBJECT
public:
    // display: an X display name such as ":1"; empty for $DISPLAY.
    explicit FullScreen(const QString& display = {}, QObject* parent = nullptr);
    ~FullScreen() override;
    // Whether the X server is reachable.
    bool connected() const { return connection_ != nullptr; }

private:
    void readEvents();
    void followActiveWindow();
    void checkState();
    std::vector<quint32> property(quint32 window, quint32 atom, quint32 type) const;

    xcb_connection_t* connection_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    quint32 root_ = 0;
    quint32 window_ = 0; // the active window followed now, 0 for none
    quint32 atomActive_ = 0, atomState_ = 0, atomFullScreen_ = 0, atomWindow_ = 0, atomAtom_ = 0;
};

} // namespace taku
