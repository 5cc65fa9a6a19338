#include "speech/KanaReading.h"

#include <array>
#include <optional>

namespace taku {

namespace {

bool isKanji(char16_t u) {
    return (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
           (u >= 0xF900 && u <= 0xFAFF);
}

// The value of a numeral kanji: 0..9, or 10, 100, 1000 for the multipliers; -1 for none.
int numeral(QChar c) {
    static const QString digits = QStringLiteral("〇一二三四五六七八九");
    const qsizetype d = digits.indexOf(c);
    if (d >= 0) return static_cast<int>(d);
    switch (c.unicode()) {
    case u'零': return 0;
    case u'十': return 10;
    case u'百': return 100;
    case u'千': return 1000;
    default: return -1;
    }
}

// The digits as said alone or before most words: 4 よん, 7 なな, 9 きゅう.
const std::array<const char16_t*, 10> kDigit = {u"れい", u"いち", u"に", u"さん", u"よん",
                                                u"ご",   u"ろく", u"なな", u"はち", u"きゅう"};

enum class Counter { None, Hour, Minute, Second, Month, Day, Year };

struct CounterWord final {
    char16_t kanji;
    Counter counter;
};
constexpr CounterWord kCounters[] = {
    {u'時', Counter::Hour},  {u'分', Counter::Minute}, {u'秒', Counter::Second},
    {u'月', Counter::Month}, {u'日', Counter::Day},    {u'年', Counter::Year},
};

// The units digit before a counter, with the counter when it changes with the digit.
QString unitsBefore(int digit, Counter counter, bool alone) {
    switch (counter) {
    case Counter::Hour:
        if (digit == 4) return QStringLiteral("よ");
        if (digit == 7) return QStringLiteral("しち");
        if (digit == 9) return QStringLiteral("く");
        break;
    case Counter::Year:
        if (digit == 4) return QStringLiteral("よ");
        break;
    case Counter::Month:
        if (digit == 4) return QStringLiteral("し");
        if (digit == 7) return QStringLiteral("しち");
        if (digit == 9) return QStringLiteral("く");
        break;
    case Counter::Minute:
        switch (digit) {
        case 1: return QStringLiteral("いっ");
        case 6: return QStringLiteral("ろっ");
        case 8: return QStringLiteral("はっ");
        default: break;
        }
        break;
    case Counter::Day:
        if (digit == 7) return QStringLiteral("しち");
        if (digit == 9) return QStringLiteral("く");
        break;
    case Counter::Second:
    case Counter::None:
        break;
    }
    if (digit == 0 && !alone) return {};
    return QString::fromUtf16(kDigit[digit]);
}

// A number 0..9999 in words, the last part as said before the counter.
QString numberWords(int n, Counter counter) {
    if (n == 0) return QString::fromUtf16(kDigit[0]);
    QString r;
    const int thousands = n / 1000;
    const int hundreds = n / 100 % 10;
    const int tens = n / 10 % 10;
    const int units = n % 10;
    if (thousands > 0) {
        if (thousands == 3) r += QStringLiteral("さんぜん");
        else if (thousands == 8) r += QStringLiteral("はっせん");
        else r += (thousands == 1 ? QString() : QString::fromUtf16(kDigit[thousands])) + QStringLiteral("せん");
    }
    if (hundreds > 0) {
        if (hundreds == 3) r += QStringLiteral("さんびゃく");
        else if (hundreds == 6) r += QStringLiteral("ろっぴゃく");
        else if (hundreds == 8) r += QStringLiteral("はっぴゃく");
        else r += (hundreds == 1 ? QString() : QString::fromUtf16(kDigit[hundreds])) + QStringLiteral("ひゃく");
    }
    if (tens > 0) {
        if (tens > 1) r += QString::fromUtf16(kDigit[tens]);
        // Whole tens before 分: じゅっぷん, にじゅっぷん.
        r += units == 0 && counter == Counter::Minute ? QStringLiteral("じゅっ")
                                                       : QStringLiteral("じゅう");
    }
    if (units > 0) r += unitsBefore(units, counter, false);
    return r;
}

// The reading of a number followed by its counter.
QString countedWords(int n, Counter counter) {
    switch (counter) {
    case Counter::Hour:
        return numberWords(n, counter) + QStringLiteral("じ");
    case Counter::Minute: {
        // ぷん after 1, 3, 4, 6, 8 and whole tens; ふん after the rest.
        const int units = n % 10;
        const bool p = n > 0 && (units == 1 || units == 3 || units == 4 || units == 6 ||
                                 units == 8 || (units == 0 && n % 100 != 0));
        return numberWords(n, counter) + (p ? QStringLiteral("ぷん") : QStringLiteral("ふん"));
    }
    case Counter::Second:
        return numberWords(n, counter) + QStringLiteral("びょう");
    case Counter::Month:
        return numberWords(n, counter) + QStringLiteral("がつ");
    case Counter::Year:
        return numberWords(n, counter) + QStringLiteral("ねん");
    case Counter::Day: {
        static const std::array<const char16_t*, 11> firstDays = {
            u"",      u"ついたち", u"ふつか", u"みっか",   u"よっか", u"いつか",
            u"むいか", u"なのか",   u"ようか", u"ここのか", u"とおか"};
        if (n >= 1 && n <= 10) return QString::fromUtf16(firstDays[n]);
        if (n == 20) return QStringLiteral("はつか");
        if (n % 10 == 4) return numberWords(n - 4, Counter::None) + QStringLiteral("よっか");
        return numberWords(n, counter) + QStringLiteral("にち");
    }
    case Counter::None:
        break;
    }
    return numberWords(n, counter);
}

// Words read as a whole, longest first where one begins another.
struct Word final {
    const char16_t* kanji;
    const char16_t* kana;
};
constexpr Word kWords[] = {
    {u"日曜日", u"にちようび"}, {u"月曜日", u"げつようび"}, {u"火曜日", u"かようび"},
    {u"水曜日", u"すいようび"}, {u"木曜日", u"もくようび"}, {u"金曜日", u"きんようび"},
    {u"土曜日", u"どようび"},   {u"誕生日", u"たんじょうび"}, {u"記念日", u"きねんび"},
    {u"日曜", u"にちよう"},     {u"月曜", u"げつよう"},     {u"火曜", u"かよう"},
    {u"水曜", u"すいよう"},     {u"木曜", u"もくよう"},     {u"金曜", u"きんよう"},
    {u"土曜", u"どよう"},       {u"曜日", u"ようび"},       {u"午前", u"ごぜん"},
    {u"午後", u"ごご"},         {u"今日", u"きょう"},       {u"明日", u"あした"},
    {u"時刻", u"じこく"},       {u"時間", u"じかん"},       {u"元日", u"がんじつ"},
    {u"正月", u"しょうがつ"},   {u"新年", u"しんねん"},     {u"今年", u"ことし"},
    {u"時", u"じ"},             {u"分", u"ふん"},           {u"秒", u"びょう"},
    {u"日", u"にち"},           {u"月", u"がつ"},           {u"火", u"か"},
    {u"水", u"すい"},           {u"木", u"もく"},           {u"金", u"きん"},
    {u"土", u"ど"},             {u"年", u"ねん"},           {u"曜", u"よう"},
};

// The number written from i on, its value and length; nullopt when none or over 9999.
struct Number final {
    int value = 0;
    qsizetype length = 0;
};
std::optional<Number> readNumber(const QString& text, qsizetype i) {
    int total = 0;   // completed thousands, hundreds and tens
    int pending = -1; // a digit waiting for its multiplier
    qsizetype j = i;
    int lastMultiplier = 10000;
    for (; j < text.size(); ++j) {
        const int v = numeral(text[j]);
        if (v < 0) break;
        if (v < 10) {
            if (pending >= 0) break; // two digits in a row: a new number begins
            pending = v;
        } else {
            if (v >= lastMultiplier) break;
            total += (pending < 0 ? 1 : pending) * v;
            pending = -1;
            lastMultiplier = v;
        }
    }
    if (j == i) return std::nullopt;
    return Number{total + std::max(pending, 0), j - i};
}

} // namespace

QString kanaReading(const QString& text, int* dropped) {
    QString r;
    int left = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (const auto number = readNumber(text, i)) {
            i += number->length;
            Counter counter = Counter::None;
            if (i < text.size())
                for (const CounterWord& c : kCounters)
                    if (text[i] == c.kanji) counter = c.counter;
            if (counter != Counter::None) ++i;
            r += counter == Counter::None ? numberWords(number->value, counter)
                                          : countedWords(number->value, counter);
            continue;
        }
        bool matched = false;
        for (const Word& w : kWords) {
            const QString kanji = QString::fromUtf16(w.kanji);
            if (QStringView(text).mid(i).startsWith(kanji)) {
                r += QString::fromUtf16(w.kana);
                i += kanji.size();
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (isKanji(text[i].unicode()))
            ++left;
        else
            r += text[i];
        ++i;
    }
    if (dropped) *dropped = left;
    return r;
}

} // namespace taku
