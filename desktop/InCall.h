#pragma once
// Whether the user is in a call: some program records from a microphone, that is a source
// output of the sound server (PulseAudio, or PipeWire through its PulseAudio service) on a
// source that is not the monitor of an output. Level meters (the mixers' peak detection) and
// paused recordings do not count. Followed through the server's subscription; when the server
// goes away the state is off and the watcher connects again once it is back.

#include "desktop/BusyState.h"

#include <QString>
#include <QTimer>
#include <memory>

namespace taku {

class InCall final : public BusyState {
    Q_OBJECT
public:
    // server: a server address such as "unix:/run/user/1000/pulse/native"; empty for the
    // session's own (PULSE_SERVER, else the default). Never starts a server.
    explicit InCall(const QString& server = {}, QObject* parent = nullptr);
    ~InCall() override;
    // Whether the server is reachable now.
    bool connected() const { return connected_; }

private:
    struct Pulse;
    void connectToServer();
    void serverReady();
    void serverLost();

    std::unique_ptr<Pulse> pulse_;
    QTimer retry_;
    int retryMs_ = 0;
    bool connected_ = false;
    bool lossLogged_ = false;
};

} // namespace taku
