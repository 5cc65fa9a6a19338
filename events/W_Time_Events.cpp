// The start-up check of the event table: today's active messages are handed to the
// synthesizer once, in file order, after the date spoken at start-up.

#include "app/DataFolder.h"
#include "app/Logging.h"
#include "app/TextFile.h"
#include "clock/W_Time.h"
#include "events/EventFile.h"

namespace taku {

void W_Time::Set_Event() {
    MessagesAfterSpeech.clear();
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
    const QStringList messages = messagesForDay(*lines, today.month(), today.day());
    if (messages.isEmpty()) return;

    // The date composed a moment ago is handed over by Timer3 100 ms from now; messages
    // spoken at once would come before it. They wait for Timer3 instead.
    if (Timer3.Mode() == 1) {
        MessagesAfterSpeech = messages;
        return;
    }
    for (const QString& message : messages)
        Speak(message, false);
}

} // namespace taku
