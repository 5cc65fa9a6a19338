// The fuzz targets of the readers and composers. Each body aborts (through check()) when a
// property fails. Built with TAKU_FUZZ_TARGET="<name>", this file is the libFuzzer target of
// that name; the regression test includes it and runs every kept input through the bodies.

#include "base/TextFile.h"
#include "events/EventFile.h"
#include "prefs/PrefsFile.h"
#include "speech/Announcement.h"
#include "speech/VoiceTable.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace taku::fuzz {

struct Target final {
    const char* name;
    void (*body)(const std::uint8_t* data, std::size_t size);
};

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

// The readers take a path: each input goes through one real file per process.
QString inputFile(const std::uint8_t* data, std::size_t size) {
    static const QString path = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("taku.*=false"));
        const QString dir = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm")
                                                                      : QDir::tempPath();
        return QStringLiteral("%1/taku-fuzz-%2.txt").arg(dir).arg(::getpid());
    }();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}

// Every row says its own number, so an announcement can be checked word by word.
const VoiceTableData& numberedTable() {
    static const VoiceTableData table = [] {
        VoiceTableData t;
        for (int row = 0; row < VoiceTableData::kRows; ++row)
            t.setRow(row, QStringLiteral("r%1").arg(row), QStringLiteral("[%1]").arg(row));
        return t;
    }();
    return table;
}

// The preferences file: what its lines give survives a save and a load, and a written file
// ends after the required lines or after a whole block of optional ones.
void prefsReader(const std::uint8_t* data, std::size_t size) {
    const auto lines = readLines(inputFile(data, size), {kPrefsLines, 1024, 64 * 1024});
    check(lines.has_value(), "a written file opens");
    PrefsValues values, again;
    parsePrefs(*lines, values);
    const QList<QByteArray> written = formatPrefs(values);
    const auto n = static_cast<int>(written.size());
    const auto blockOf = [](int line) { return kPrefsTable[std::size_t(line - 1)].block; };
    check(n >= kPrefsRequiredLines && n <= kPrefsLines &&
              (n == kPrefsLines || blockOf(n) != blockOf(n + 1)),
          "line count");
    parsePrefs(written, again);
    check(again.position == values.position, "the window position survives a save and a load");
    check(again.settings == values.settings, "every setting survives a save and a load");
}

// A pronunciation table written once and read again writes the same bytes a second time
// (characters Shift_JIS cannot hold become "?" in the first save).
void tableReader(const std::uint8_t* data, std::size_t size) {
    VoiceTableData table, again;
    check(loadTableFile(inputFile(data, size), table), "a written file opens");
    const QList<QByteArray> once = formatTableLines(table);
    check(once.size() == VoiceTableData::kEditedRows, "42 lines are written");
    check(readTableLines(once, again) == VoiceTableData::kEditedRows, "42 lines fill 42 rows");
    check(formatTableLines(again) == once, "a saved table saves again unchanged");
}

// The event file: a written record reads back the same, and the 1st of January's messages are
// the active records of that date, each with its eight stops, at most 100.
void eventReader(const std::uint8_t* data, std::size_t size) {
    const QString path = inputFile(data, size);
    bool ok = false;
    const auto records = readEventFile(path, &ok);
    check(ok, "a written file opens");
    for (const EventRecord& record : records) {
        const QByteArray line = formatEventLine(record);
        check(!line.contains('\n') && !line.contains('\r'), "a record is written on one line");
        check(parseEventLine(QString::fromUtf8(line)) == record, "a record reads back the same");
    }
    const auto lines = readLines(path, {10000, 16 * 1024, 8 * 1024 * 1024});
    const QStringList spoken = messagesForDay(lines.value_or(QList<QByteArray>{}), 1, 1);
    const QStringList one{QStringLiteral("1"), QStringLiteral("01")};
    const auto due = std::count_if(records.begin(), records.end(), [&](const EventRecord& r) {
        return r.active && one.contains(r.month) && one.contains(r.day);
    });
    check(spoken.size() <= 100, "at most 100 messages are spoken at once");
    for (const QString& message : spoken)
        check(message.endsWith(QStringLiteral("........")), "a message ends in eight stops");
    // Other spellings of 1 ("1.0", " 1") match as well; the plain ones must never be missed.
    check(spoken.size() >= std::min<qsizetype>(due, 100), "no due plain-number record is missed");
}

// The time composer on any clock text: a sentence ending with the closing word.
void composeTime(const std::uint8_t* data, std::size_t size) {
    const QString spoken = ComposeTime(
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)), numberedTable());
    check(spoken.endsWith(QStringLiteral(" [13]")), "the spoken time ends with the closing word");
    check(spoken.size() < 1000, "the spoken time is a sentence, not a text of any length");
}

// The date composer on any three numbers (four bytes each, missing bytes 0): a sentence; a
// real date names its month.
void composeDate(const std::uint8_t* data, std::size_t size) {
    std::int32_t v[3] = {};
    std::memcpy(v, data, std::min(size, sizeof v));
    const auto [month, day, weekday] = v;
    const QString spoken = ComposeDate(month, day, weekday, numberedTable());
    check(spoken.endsWith(QStringLiteral(" [23] [13]")), "the date ends with weekday and close");
    check(spoken.size() < 1000, "the spoken date is a sentence");
    if (month >= 1 && month <= 12 && day >= 1 && day <= 31 && weekday >= 1 && weekday <= 7)
        check(spoken.contains(QStringLiteral(" [41] ")), "a real date names its month");
}

} // namespace

const Target kTargets[] = {
    {"prefs_reader", &prefsReader}, {"table_reader", &tableReader}, {"event_reader", &eventReader},
    {"compose_time", &composeTime}, {"compose_date", &composeDate},
};

} // namespace taku::fuzz

#ifdef TAKU_FUZZ_TARGET
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto body = [] {
        for (const auto& target : taku::fuzz::kTargets)
            if (std::strcmp(target.name, TAKU_FUZZ_TARGET) == 0) return target.body;
        std::abort();
    }();
    body(data, size);
    return 0;
}
#endif
