#pragma once
// Text helpers with the behaviour the whole program relies on: fields count from 1,
// Val reads the leading number and gives 0 when there is none.

#include <QString>
#include <cstdint>

namespace taku {

// The leading number of the text (after optional blanks and sign, with an optional
// fraction and exponent), 0 when the text does not start with one.
double Val(const QString& text);

// Val truncated toward zero and saturated to the 32-bit range, so no text can produce
// an out-of-range conversion.
std::int32_t ValInt(const QString& text);

// Field n (counted from 1) of text split at sep; empty when there is no such field.
QString NthField(const QString& text, const QString& sep, int n);

// The decimal text of an integer: a minus sign when negative, no padding.
QString Str(std::int64_t value);

} // namespace taku
