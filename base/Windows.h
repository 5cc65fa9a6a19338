#pragma once
// One instance per window class: created by the first request to show it, brought to the
// front by every later one. A window destroyed on close is created anew next time.

#include <QPointer>
#include <QWidget>

namespace taku {

template <class W> QPointer<W>& windowSlot() {
    static QPointer<W> instance;
    return instance;
}

// The open instance of W, or null.
template <class W> W* openWindow() { return windowSlot<W>().data(); }

template <class W> W* showWindow() {
    QPointer<W>& slot = windowSlot<W>();
    if (!slot) slot = new W();
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

} // namespace taku
