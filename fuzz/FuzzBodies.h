#pragma once
// The bodies of the fuzz targets. The libFuzzer entry points call them, and the regression
// test runs every input kept under tests/data/fuzz/ through them with the ordinary compiler,
// so a crash once found stays found. Each body aborts (through check()) when a property fails.

#include <cstddef>
#include <cstdint>

namespace taku::fuzz {

// The preferences file: whatever the bytes, the 22 lines read back as a record and a window
// position, and writing them and reading them again gives the same record and position.
void prefsReader(const std::uint8_t* data, std::size_t size);

// A pronunciation table file (Shift_JIS): whatever the bytes, the table fills at most 51 rows,
// and a table written once and read again writes the same bytes a second time.
void tableReader(const std::uint8_t* data, std::size_t size);

// The event file: every line reads as a record, a written record reads back the same, and
// today's messages are exactly the active records of that date, each with its eight stops.
void eventReader(const std::uint8_t* data, std::size_t size);

// The time composer on any clock text: the announcement ends with the closing word.
void composeTime(const std::uint8_t* data, std::size_t size);

// The date composer on any three numbers: the announcement ends with the weekday suffix and
// the closing word.
void composeDate(const std::uint8_t* data, std::size_t size);

} // namespace taku::fuzz
