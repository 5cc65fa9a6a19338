#pragma once
// The pronunciation table: 51 numbered rows, each a spoken text (column 0, what the
// synthesizer is given) and a display word (column 1, the Japanese word the row stands for).
// The composers address rows by number; table files hold one row per line, "display<TAB>spoken",
// in Shift_JIS.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace taku {

struct VoiceTableData final {
    static constexpr int kRows = 51;     // rows 0..50
    static constexpr int kEditedRows = 42; // rows 0..41 have a role, are shown and saved

    std::array<std::array<QString, kRows>, 2> cells; // [column][row]

    // Column 0 of a row; empty for a row outside 0..50, so no clock text or date can read
    // outside the table.
    QString spoken(int row) const;
    QString display(int row) const;
    void setRow(int row, const QString& display, const QString& spoken);
};

// The table of the run, empty until "voice.txt" is loaded.
VoiceTableData& VoiceTable();

// Reads table-file lines (raw Shift_JIS bytes) into the table from row 0 on: the text before
// the first TAB is the display word, the text between the first and a second TAB the spoken
// text. At most 51 rows are read; rows after the last line keep their contents.
// Returns the number of rows filled.
int readTableLines(const QList<QByteArray>& lines, VoiceTableData& table,
                   int maxRows = VoiceTableData::kRows);

// The 42 lines (rows 0..41) of a table file, "display<TAB>spoken", encoded as Shift_JIS.
QList<QByteArray> formatTableLines(const VoiceTableData& table);

// Loads a table file into the table; false (table unchanged) when it can't be opened.
bool loadTableFile(const QString& path, VoiceTableData& table,
                   int maxRows = VoiceTableData::kRows);

// Writes rows 0..41 to a table file atomically; returns an error text, empty on success.
QString saveTableFile(const QString& path, const VoiceTableData& table);

} // namespace taku
