#include "desktop/InCall.h"

#include "prefs/Quiet.h"

#include <QPointer>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <cstring>
#include <set>

namespace taku {

namespace {
constexpr int kFirstRetryMs = 500;
constexpr int kLastRetryMs = 30000;
} // namespace

// The libpulse side. Its callbacks run on the mainloop's own thread and touch only the fields
// below; results reach the InCall object as queued calls on its thread.
struct InCall::Pulse {
    InCall* owner = nullptr;
    QByteArray server;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    // A count in progress, and whether another was asked for meanwhile.
    bool counting = false;
    bool again = false;
    std::set<uint32_t> monitors;
    bool recording = false;

    void post(void (InCall::*method)()) {
        QMetaObject::invokeMethod(owner, method, Qt::QueuedConnection);
    }
    void postActive(bool active) {
        InCall* o = owner;
        QMetaObject::invokeMethod(
            o, [o, active] { o->setActive(active); }, Qt::QueuedConnection);
    }

    void count() {
        if (counting) {
            again = true;
            return;
        }
        counting = true;
        monitors.clear();
        recording = false;
        if (pa_operation* op = pa_context_get_source_info_list(context, &Pulse::onSource, this))
            pa_operation_unref(op);
        else
            counting = false;
    }

    void finishCount() {
        counting = false;
        if (again) {
            again = false;
            count();
            return;
        }
        postActive(recording);
    }

    static void onState(pa_context* c, void* self) {
        auto* p = static_cast<Pulse*>(self);
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(c, &Pulse::onEvent, p);
            if (pa_operation* op = pa_context_subscribe(
                    c, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE |
                                              PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT),
                    nullptr, nullptr))
                pa_operation_unref(op);
            p->post(&InCall::serverReady);
            p->count();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            p->post(&InCall::serverLost);
            break;
        default:
            break;
        }
    }

    static void onEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* self) {
        static_cast<Pulse*>(self)->count();
    }

    static void onSource(pa_context* c, const pa_source_info* info, int eol, void* self) {
        auto* p = static_cast<Pulse*>(self);
        if (eol < 0) {
            p->finishCount();
            return;
        }
        if (eol > 0) {
            if (pa_operation* op = pa_context_get_source_output_info_list(c, &Pulse::onOutput, p))
                pa_operation_unref(op);
            else
                p->finishCount();
            return;
        }
        if (info->monitor_of_sink != PA_INVALID_INDEX) p->monitors.insert(info->index);
    }

    static void onOutput(pa_context*, const pa_source_output_info* info, int eol, void* self) {
        auto* p = static_cast<Pulse*>(self);
        if (eol != 0) {
            p->finishCount();
            return;
        }
        // A level meter records with the "peaks" resampler; a corked stream records nothing.
        const bool meter = info->resample_method && std::strcmp(info->resample_method, "peaks") == 0;
        if (!info->corked && !meter && !p->monitors.contains(info->source)) p->recording = true;
    }

    void dropContext() {
        if (!context) return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
        counting = again = false;
    }
};

InCall::InCall(const QString& server, QObject* parent)
    : BusyState(parent), pulse_(std::make_unique<Pulse>()) {
    pulse_->owner = this;
    pulse_->server = server.toUtf8();
    pulse_->loop = pa_threaded_mainloop_new();
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &InCall::connectToServer);
    if (!pulse_->loop || pa_threaded_mainloop_start(pulse_->loop) < 0) {
        qCInfo(lcQuiet) << "microphone use unknown: the sound server's client library failed";
        return;
    }
    connectToServer();
}

InCall::~InCall() {
    if (!pulse_->loop) return;
    pa_threaded_mainloop_lock(pulse_->loop);
    pulse_->dropContext();
    pa_threaded_mainloop_unlock(pulse_->loop);
    pa_threaded_mainloop_stop(pulse_->loop);
    pa_threaded_mainloop_free(pulse_->loop);
}

void InCall::connectToServer() {
    Pulse& p = *pulse_;
    pa_threaded_mainloop_lock(p.loop);
    p.dropContext();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "ちくたく時計");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "chikutaku");
    p.context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(p.loop), nullptr, props);
    pa_proplist_free(props);
    bool started = false;
    if (p.context) {
        pa_context_set_state_callback(p.context, &Pulse::onState, &p);
        started = pa_context_connect(p.context, p.server.isEmpty() ? nullptr : p.server.constData(),
                                     PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    }
    pa_threaded_mainloop_unlock(p.loop);
    if (!started) serverLost();
}

void InCall::serverReady() {
    connected_ = true;
    retryMs_ = 0;
    if (lossLogged_) qCInfo(lcQuiet) << "sound server back: following microphone use again";
    lossLogged_ = false;
}

void InCall::serverLost() {
    connected_ = false;
    setActive(false);
    if (!lossLogged_)
        qCInfo(lcQuiet) << "microphone use unknown: no sound server; trying again now and then";
    lossLogged_ = true;
    retryMs_ = retryMs_ == 0 ? kFirstRetryMs : std::min(retryMs_ * 2, kLastRetryMs);
    retry_.start(retryMs_);
}

} // namespace taku
