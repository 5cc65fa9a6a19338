#pragma once
// The event table file "event.txt": one record per line, four TAB-separated fields
// (active "True"/"False", month, day, message), UTF-8, in the user's order.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace taku {

struct EventRecord final {
    bool active = false;
    QString month; // text as typed
    QString day;   // text as typed
    QString message;
    friend bool operator==(const EventRecord&, const EventRecord&) = default;
};

// One line split into a record: field 1 "True" makes it active, fields after the fourth are
// ignored, missing fields are empty.
EventRecord parseEventLine(const QString& line);
QByteArray formatEventLine(const EventRecord& record);

// The messages of the active records of a month and day, in file order, each with "........"
// appended, at most maxMessages of them.
QStringList messagesForDay(const QList<QByteArray>& lines, int month, int day,
                           int maxMessages = 100);

// The records for the editor's list: every non-empty line, in order. nullopt-like: ok=false
// when the file can't be opened.
QList<EventRecord> readEventFile(const QString& path, bool* ok);

// Writes the records, one line each, atomically (an empty list writes an empty file).
// Returns an error text, empty on success.
QString saveEventFile(const QString& path, const QList<EventRecord>& records);

} // namespace taku
