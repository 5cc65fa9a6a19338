#include "base/Text.h"

#include <cmath>
#include <limits>

namespace taku {

double Val(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype digitsStart = i;
    while (i < n && text[i] >= u'0' && text[i] <= u'9')
        ++i;
    bool any = i > digitsStart;
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            ++j;
        if (j > i + 1) any = true;
        if (any) i = j;
    }
    if (!any) return 0.0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
        const qsizetype expDigits = j;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            ++j;
        if (j > expDigits) i = j;
    }
    bool ok = false;
    const double v = QStringView(text).mid(start, i - start).toDouble(&ok);
    if (!ok || std::isnan(v)) return 0.0;
    return v;
}

std::int32_t ValInt(const QString& text) {
    const double v = std::trunc(Val(text));
    if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

QString NthField(const QString& text, const QString& sep, int n) {
    if (n < 1) return {};
    if (sep.isEmpty()) return n == 1 ? text : QString();
    qsizetype from = 0;
    for (int field = 1; field < n; ++field) {
        const qsizetype at = text.indexOf(sep, from);
        if (at < 0) return {};
        from = at + sep.size();
    }
    const qsizetype end = text.indexOf(sep, from);
    return end < 0 ? text.mid(from) : text.mid(from, end - from);
}

QString Str(std::int64_t value) { return QString::number(value); }

} // namespace taku
