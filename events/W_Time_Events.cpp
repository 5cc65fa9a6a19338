// The start-up check of the event table: today's active messages are handed to the
// synthesizer once, in file order, after the date spoken at start-up.

#include "app/DataFolder.h"
#include "app/Logging.h"
#include "app/TextFile.h"
#include "clock/W_Time.h"
#include "events/EventFile.h"

namespace taku {

void W_Time::Set_Event() {
    const QDate today = taku::Now().date();
    const QString path = dataFile(QStringLiteral("event.txt"));
    ReadLimits limits;
    limits.maxLines = 10000;
    limits.maxLineBytes = 16 * 1024;
    limits.maxFileBytes = 8 * 1024 * 1024;
    const auto lines = readLines(path, limits);
    if (!lines) {
        qCInfo(lcFiles) << "no event table" << path;
        return;
    }
    for (const QString& message : messagesForDay(*lines, today.month(), today.day()))
        Speak(message, false);
}

} // namespace taku
