#include "desktop/FullScreen.h"

#include "prefs/Quiet.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace taku {

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

// Property changes, and for a window the end of it.
void selectProperties(xcb_connection_t* c, xcb_window_t w, bool on) {
    const uint32_t mask =
        on ? XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY : XCB_EVENT_MASK_NO_EVENT;
    // A window gone meanwhile only answers with an error event, which is passed over.
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
}

} // namespace

FullScreen::FullScreen(const QString& display, QObject* parent) : BusyState(parent) {
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        qCInfo(lcQuiet) << "full-screen windows unknown: no X server";
        return;
    }
    connection_ = c;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    atomActive_ = intern(c, "_NET_ACTIVE_WINDOW");
    atomState_ = intern(c, "_NET_WM_STATE");
    atomFullScreen_ = intern(c, "_NET_WM_STATE_FULLSCREEN");
    atomWindow_ = XCB_ATOM_WINDOW;
    atomAtom_ = XCB_ATOM_ATOM;
    selectProperties(c, root_, true);
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FullScreen::readEvents);
    followActiveWindow();
    readEvents();
}

FullScreen::~FullScreen() {
    if (connection_) xcb_disconnect(connection_);
}

std::vector<quint32> FullScreen::property(quint32 window, quint32 atom, quint32 type) const {
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, atom, type, 0, 1024), &error);
    std::free(error);
    std::vector<quint32> values;
    if (r && r->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(r));
        values.assign(data, data + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return values;
}

void FullScreen::followActiveWindow() {
    const std::vector<quint32> ids = property(root_, atomActive_, atomWindow_);
    const quint32 window = ids.empty() ? 0 : ids.front();
    if (window != window_) {
        if (window_) selectProperties(connection_, window_, false);
        window_ = window;
        if (window_) selectProperties(connection_, window_, true);
        xcb_flush(connection_);
    }
    checkState();
}

void FullScreen::checkState() {
    bool full = false;
    if (window_)
        for (quint32 atom : property(window_, atomState_, atomAtom_))
            full = full || atom == atomFullScreen_;
    setActive(full);
}

void FullScreen::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (p->window == root_ && p->atom == atomActive_)
                followActiveWindow();
            else if (p->window == window_ && p->window != 0 && p->atom == atomState_)
                checkState();
        } else if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY) {
            // A window manager may leave a closed window named as the active one.
            const auto* d = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (d->window == window_) {
                window_ = 0;
                followActiveWindow();
            }
        }
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        qCInfo(lcQuiet) << "full-screen windows unknown: the X server went away";
        notifier_->setEnabled(false);
        xcb_disconnect(connection_);
        connection_ = nullptr;
        setActive(false);
    }
}

} // namespace taku
