#include "speech/VoiceTable.h"

#include "base/Logging.h"
#include "base/Text.h"
#include "base/TextFile.h"

#include <algorithm>

namespace taku {

namespace {
bool inTable(int row) { return row >= 0 && row < VoiceTableData::kRows; }
const QString kTab = QStringLiteral("\t");
} // namespace

QString VoiceTableData::spoken(int row) const { return inTable(row) ? cells[0][row] : QString(); }

QString VoiceTableData::display(int row) const { return inTable(row) ? cells[1][row] : QString(); }

void VoiceTableData::setRow(int row, const QString& displayWord, const QString& spokenText) {
    if (!inTable(row)) return;
    cells[0][row] = spokenText;
    cells[1][row] = displayWord;
}

VoiceTableData& VoiceTable() {
    static VoiceTableData table;
    return table;
}

int readTableLines(const QList<QByteArray>& lines, VoiceTableData& table, int maxRows) {
    const int rows = static_cast<int>(std::clamp<qsizetype>(
        std::min<qsizetype>(lines.size(), maxRows), 0, VoiceTableData::kRows));
    for (int row = 0; row < rows; ++row) {
        // A TAB byte is never part of a Shift_JIS double-byte character, so the line can be
        // decoded whole and split afterwards.
        const QString line = decodeShiftJis(lines[row]);
        table.setRow(row, NthField(line, kTab, 1), NthField(line, kTab, 2));
    }
    if (lines.size() > rows)
        qCWarning(lcFiles) << "pronunciation table: ignored" << lines.size() - rows
                           << "lines after row" << rows - 1;
    return rows;
}

QList<QByteArray> formatTableLines(const VoiceTableData& table) {
    QList<QByteArray> lines;
    lines.reserve(VoiceTableData::kEditedRows);
    for (int row = 0; row < VoiceTableData::kEditedRows; ++row)
        lines.append(encodeShiftJis(table.display(row) + kTab + table.spoken(row)));
    return lines;
}

bool loadTableFile(const QString& path, VoiceTableData& table, int maxRows) {
    ReadLimits limits;
    // One line more than fits, so a longer file is noticed (and logged) rather than silently cut.
    limits.maxLines = std::clamp(maxRows, 0, VoiceTableData::kRows) + 1;
    limits.maxLineBytes = 4096;
    limits.maxFileBytes = 1024 * 1024;
    const auto lines = readLines(path, limits);
    if (!lines) {
        qCWarning(lcFiles) << "pronunciation table file can't be opened:" << path;
        return false;
    }
    readTableLines(*lines, table, maxRows);
    return true;
}

QString saveTableFile(const QString& path, const VoiceTableData& table) {
    const QString error = saveFileAtomically(path, joinLines(formatTableLines(table)));
    if (!error.isEmpty())
        qCWarning(lcFiles) << "pronunciation table not saved to" << path << ":" << error;
    return error;
}

} // namespace taku
