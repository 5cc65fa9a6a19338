#pragma once
// Reading and writing the program's small text files.
// Readers are bounded: a line of megabytes or a file of gigabytes costs a bounded amount of
// time and memory. Writers replace a file atomically (temporary file, then rename), so a
// crash, a kill or a full disk during a save leaves the old file whole.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace taku {

struct ReadLimits final {
    int maxLines = 1000;                   // lines after this many are not read
    qsizetype maxLineBytes = 16 * 1024;    // a longer line is cut at this length
    qint64 maxFileBytes = 4 * 1024 * 1024; // bytes after this many are not read
};

// The lines of a file, without their ends (LF, CR LF or a lone CR). Like a text stream read
// until end of file, an empty file yields one empty line. nullopt when the file can't be opened.
std::optional<QList<QByteArray>> readLines(const QString& path, const ReadLimits& limits = {});

// Shift_JIS (the CP932 variant) through iconv. Bytes that are not valid Shift_JIS decode to
// U+FFFD; characters that Shift_JIS cannot hold encode as "?".
QString decodeShiftJis(const QByteArray& bytes);
QByteArray encodeShiftJis(const QString& text);

// Replaces the file at path with content in one step. Returns an empty string on success,
// otherwise a description of what went wrong (the old file, if any, is then untouched).
QString saveFileAtomically(const QString& path, const QByteArray& content);

// Tests simulate a crash between writing the temporary file and renaming it: the hook runs
// after the content is written and before the rename.
void setBeforeCommitHookForTesting(void (*hook)());

// Lines joined the way the writer ends them: each line followed by "\n".
QByteArray joinLines(const QList<QByteArray>& lines);

} // namespace taku
