#include "speech/Announcement.h"

#include "base/Text.h"

#include <QList>
#include <QStringList>

namespace taku {

namespace {

// Rows of the pronunciation table the composers address.
enum Row : int {
    kTen = 10,
    kFourBeforeCounter = 11, // "yon": units 4 and tens 4 of minutes and seconds
    kNineBeforeCounter = 12, // "kyuu": units 9 of minutes and seconds
    kClosing = 13,
    kSunday = 14, // also the counter for days of the month
    kMorning = 21,
    kAfternoon = 22,
    kWeekdaySuffix = 23,
    kHourCounter = 24,
    kMinuteCounterAfter34 = 25, // after 3, 4 and whole tens
    kMinuteCounter = 26,
    kSecondCounter = 27,
    kFourInMonth = 28,
    kSevenInMonth = 29,
    kFirstDay = 30, // rows 30..39: the 1st to the 10th
    kTwentiethDay = 40,
    kMonthCounter = 41,
};

const QString kSpace = QStringLiteral(" ");

// Appends the tens of a minute or second count above 10 ("[t] [10] ", or "[10] " for the
// teens) and leaves the units in value.
void appendTens(QString& r, int& value, const VoiceTableData& table) {
    if (value <= 10) return;
    const int tens = value / 10;
    if (value > 19) r += table.spoken(tens == 4 ? kFourBeforeCounter : tens) + kSpace;
    r += table.spoken(kTen);
    value -= 10 * tens;
    r += kSpace;
}

} // namespace

QString ComposeTime(const QString& clockText, const VoiceTableData& table) {
    QString r;
    QString t = NthField(clockText, kSpace, 2);
    const QString morning = QStringLiteral("午前");
    const QString afternoon = QStringLiteral("午後");
    if (t.contains(morning)) {
        r = table.spoken(kMorning) + kSpace;
        t = NthField(t, morning, 2);
    }
    if (t.contains(afternoon)) {
        r = table.spoken(kAfternoon) + kSpace;
        t = NthField(t, afternoon, 2);
    }

    const QString colon = QStringLiteral(":");
    int hour = ValInt(NthField(t, colon, 1));
    if (hour > 19) {
        r += table.spoken(2) + kSpace;
        hour -= 10;
    }
    if (hour > 10) {
        r += table.spoken(kTen) + kSpace;
        hour -= 10;
    }
    r += table.spoken(hour) + kSpace + table.spoken(kHourCounter) + kSpace;

    int minute = ValInt(NthField(t, colon, 2));
    if (minute != 0) {
        appendTens(r, minute, table);
        if (minute > 0) {
            switch (minute) {
            case 4:
                r +=
                    table.spoken(kFourBeforeCounter) + kSpace + table.spoken(kMinuteCounterAfter34);
                break;
            case 3:
                r += table.spoken(3) + kSpace + table.spoken(kMinuteCounterAfter34);
                break;
            case 9:
                r += table.spoken(kNineBeforeCounter) + kSpace + table.spoken(kMinuteCounter);
                break;
            default:
                r += table.spoken(minute) + kSpace + table.spoken(kMinuteCounter);
            }
        } else if (minute == 0) {
            r += table.spoken(kMinuteCounterAfter34); // whole tens from 20 on
        }
    }
    r += kSpace;

    int second = ValInt(NthField(t, colon, 3));
    if (second != 0) {
        appendTens(r, second, table);
        if (second > 0) {
            const int row = second == 4   ? kFourBeforeCounter
                            : second == 9 ? kNineBeforeCounter
                                          : second;
            r += table.spoken(row) + kSpace;
        }
        r += table.spoken(kSecondCounter);
    }
    r += kSpace + table.spoken(kClosing);
    return r;
}

QString ComposeDate(int month, int day, int weekday, const VoiceTableData& table) {
    QString r;
    if (month > 10) {
        r += table.spoken(kTen) + kSpace;
        month -= 10;
    }
    r += table.spoken(month == 4 ? kFourInMonth : month == 7 ? kSevenInMonth : month);
    r += kSpace + table.spoken(kMonthCounter) + kSpace;

    if (day < 1) {
        // Only a typed date can get here; the day then says nothing rather than "the 7th".
    } else if (day <= 10) {
        r += table.spoken(kFirstDay - 1 + day);
    } else if (day == 20) {
        r += table.spoken(kTwentiethDay);
    } else {
        const int tens = day / 10;
        if (day > 20) r += table.spoken(tens) + kSpace;
        r += table.spoken(kTen);
        day -= 10 * tens;
        r += kSpace;
        switch (day) {
        case 4:
            r += table.spoken(kFirstDay + 3);
            break;
        case 7:
            r += table.spoken(kSevenInMonth) + table.spoken(kSunday);
            break;
        case 0:
            r += table.spoken(kSunday);
            break;
        default:
            r += table.spoken(day) + kSpace + table.spoken(kSunday);
        }
    }

    // Weekday 0 (an unknown weekday character) lands on the closing word's row.
    const int weekdayRow =
        weekday >= -kSunday && weekday <= VoiceTableData::kRows ? weekday + kSunday - 1 : -1;
    r += kSpace + table.spoken(weekdayRow);
    r += kSpace + table.spoken(kWeekdaySuffix);
    r += kSpace + table.spoken(kClosing);
    return r;
}

QString ComposeRowInRole(int row, const VoiceTableData& table) {
    QList<int> rows{row};
    if (row == 0 || row == 4 || row == 9) {
        rows = {row, kHourCounter}; // 零時, 四時, 九時
    } else if (row == kFourBeforeCounter) {
        rows = {1, kHourCounter, row, kMinuteCounterAfter34}; // 一時四分: 九分 alone is "90 %"
    } else if (row == kNineBeforeCounter) {
        rows = {1, kHourCounter, row, kMinuteCounter};
    } else if (row >= kSunday && row <= kSunday + 6) {
        rows = {row, kWeekdaySuffix};
    } else if (row == kHourCounter) {
        rows = {1, row};
    } else if (row == kMinuteCounterAfter34) {
        rows = {1, kHourCounter, 3, row};
    } else if (row == kMinuteCounter) {
        rows = {1, kHourCounter, 2, row};
    } else if (row == kSecondCounter) {
        rows = {2, row};
    } else if (row == kFourInMonth || row == kSevenInMonth) {
        rows = {row, kMonthCounter};
    } else if (row >= kFirstDay && row <= kTwentiethDay) {
        rows = {1, kMonthCounter, row}; // a day word alone reads as a span of days
    } else if (row == kMonthCounter) {
        rows = {1, row};
    } else if (row < 0 || row >= VoiceTableData::kEditedRows) {
        return {};
    }
    QStringList words;
    for (const int r : rows)
        words.append(table.spoken(r));
    return words.join(kSpace);
}

} // namespace taku
