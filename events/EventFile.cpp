#include "events/EventFile.h"

#include "base/Logging.h"
#include "base/Text.h"
#include "base/TextFile.h"

namespace taku {

namespace {
const QString kTab = QStringLiteral("\t");

// The editor lists every record; the start-up check only needs today's.
ReadLimits eventLimits() {
    ReadLimits limits;
    limits.maxLines = 10000;
    limits.maxLineBytes = 16 * 1024;
    limits.maxFileBytes = 8 * 1024 * 1024;
    return limits;
}
} // namespace

EventRecord parseEventLine(const QString& line) {
    EventRecord record;
    record.active = NthField(line, kTab, 1) == QLatin1String("True");
    record.month = NthField(line, kTab, 2);
    record.day = NthField(line, kTab, 3);
    record.message = NthField(line, kTab, 4);
    return record;
}

QByteArray formatEventLine(const EventRecord& record) {
    const QString line = (record.active ? QStringLiteral("True") : QStringLiteral("False")) + kTab +
                         record.month + kTab + record.day + kTab + record.message;
    return line.toUtf8();
}

QStringList messagesForDay(const QList<QByteArray>& lines, int month, int day, int maxMessages) {
    QStringList messages;
    int skipped = 0;
    for (const QByteArray& bytes : lines) {
        const EventRecord record = parseEventLine(QString::fromUtf8(bytes));
        if (!record.active || ValInt(record.month) != month || ValInt(record.day) != day) continue;
        if (messages.size() >= maxMessages) {
            ++skipped;
            continue;
        }
        messages.append(record.message + QStringLiteral("........"));
    }
    if (skipped > 0)
        qCWarning(lcFiles) << "event.txt: spoke" << messages.size() << "messages for today, left"
                           << skipped << "more unspoken";
    return messages;
}

QList<EventRecord> readEventFile(const QString& path, bool* ok) {
    QList<EventRecord> records;
    const auto lines = readLines(path, eventLimits());
    if (ok) *ok = lines.has_value();
    if (!lines) return records;
    for (const QByteArray& bytes : *lines) {
        if (bytes.isEmpty()) continue;
        records.append(parseEventLine(QString::fromUtf8(bytes)));
    }
    return records;
}

QString saveEventFile(const QString& path, const QList<EventRecord>& records) {
    QList<QByteArray> lines;
    lines.reserve(records.size());
    for (const EventRecord& record : records)
        lines.append(formatEventLine(record));
    const QString error = saveFileAtomically(path, joinLines(lines));
    if (!error.isEmpty()) qCWarning(lcFiles) << "event.txt not saved to" << path << ":" << error;
    return error;
}

} // namespace taku
