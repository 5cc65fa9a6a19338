#include "base/Services.h"

#include "base/Logging.h"

namespace taku {

Services& services() {
    static SystemClock systemClock;
    static Services s{&systemClock, nullptr, nullptr, nullptr, nullptr, nullptr};
    return s;
}

QDateTime Now() {
    const ClockSource* clock = services().clock;
    return clock ? clock->now() : QDateTime::currentDateTime();
}

qint64 NowMSecs() {
    const ClockSource* clock = services().clock;
    return clock ? clock->msecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

void Speak(const QString& text, bool interrupt) {
    qCInfo(lcSpeech).noquote() << text;
    if (Speech* speech = services().speech) speech->Speak(text, interrupt);
}

} // namespace taku
