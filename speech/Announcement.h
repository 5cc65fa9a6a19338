#pragma once
// The spoken time and date, composed from the pronunciation table's spoken texts. Pure
// functions: the clock window hands the result to the synthesizer.

#include "speech/VoiceTable.h"

#include <QString>

namespace taku {

// The time announcement for a clock text such as "月 午後9:30" or " 13:44:27": the
// morning/afternoon word when shown, the hour, the minutes unless 0, the seconds unless 0 or
// missing, and the closing word. Non-numbers count as 0.
QString ComposeTime(const QString& clockText, const VoiceTableData& table);

// The date announcement for a month, day and weekday (1 = Sunday .. 7 = Saturday; 0 gives
// the closing word in its place). A day below 1 says nothing for the day.
QString ComposeDate(int month, int day, int weekday, const VoiceTableData& table);

// A row said as an announcement says it: with the rows that stand beside it there, where a
// synthesizer would read it otherwise alone (row 4, the 4 of 4 o'clock, as "[4] [24]"; row 30,
// the 1st, as "[1] [41] [30]"). Rows read alike alone and in company are said alone; a row
// outside 0..41 says nothing.
QString ComposeRowInRole(int row, const VoiceTableData& table);

} // namespace taku
