#include "prefs/PrefsFile.h"

#include "base/Text.h"
#include "prefs/Quiet.h"

#include <algorithm>

namespace taku {

namespace {
template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>; // clang 14 deduces no aggregate

QByteArray number(std::int64_t value) { return Str(value).toLatin1(); }

void read(const QString& text, bool& value) { value = text == QLatin1String("True"); }
void read(const QString& text, std::int32_t& value) { value = ValInt(text); }
void read(const QString& text, Rgb& value) { value = parseColor(text); }
void read(const QString& text, QString& value) { value = text; }

QByteArray write(bool value) { return value ? "True" : "False"; }
QByteArray write(std::int32_t value) { return number(value); }
QByteArray write(const Rgb& value) { return formatColor(value); }
QByteArray write(const QString& value) { return value.toUtf8(); }

// Whether a line holds something other than empty text.
bool holdsValue(const PrefsValues& values, const PrefsLine& row) {
    return std::visit(Overload{[&](int WindowPosition::*f) { return values.position.*f != 0; },
                               [&](auto SettingsRecord::*f) {
                                   using T = std::decay_t<decltype(values.settings.*f)>;
                                   return !(values.settings.*f == T{});
                               }},
                      row.field);
}
} // namespace

Rgb parseColor(const QString& line) {
    const QString tab(QChar(u'\t'));
    return {ValInt(NthField(line, tab, 1)), ValInt(NthField(line, tab, 2)),
            ValInt(NthField(line, tab, 3))};
}

QByteArray formatColor(const Rgb& c) {
    return number(c.r) + '\t' + number(c.g) + '\t' + number(c.b);
}

void parsePrefs(const QList<QByteArray>& lines, PrefsValues& values) {
    for (const PrefsLine& row : kPrefsTable) {
        // The optional lines (quiet time) are read once, below, with their own range checks.
        if (row.optional) continue;
        const bool present = row.number - 1 < lines.size();
        const QString text = present ? QString::fromUtf8(lines[row.number - 1]) : QString();
        std::visit(Overload{[&](int WindowPosition::*f) { read(text, values.position.*f); },
                            [&](auto SettingsRecord::*f) { read(text, values.settings.*f); }},
                   row.field);
    }
    setQuietSettings(values.settings, parseQuietLines(lines));
}

QList<QByteArray> formatPrefs(const PrefsValues& values) {
    QList<QByteArray> lines(kPrefsLines);
    for (const PrefsLine& row : kPrefsTable) {
        lines[row.number - 1] =
            std::visit(Overload{[&](int WindowPosition::*f) { return write(values.position.*f); },
                                [&](auto SettingsRecord::*f) { return write(values.settings.*f); }},
                       row.field);
    }
    const bool anyOptional =
        std::any_of(kPrefsTable.begin(), kPrefsTable.end(),
                    [&](const PrefsLine& row) { return row.optional && holdsValue(values, row); });
    // Optional lines come last: without values the file ends before them, as it did before
    // they existed.
    if (!anyOptional) lines.resize(kPrefsRequiredLines);
    return lines;
}

void applyFirstRunValues(SettingsRecord& record) {
    for (const PrefsLine& row : kPrefsTable) {
        std::visit(Overload{[&](bool SettingsRecord::*f, bool v) { record.*f = v; },
                            [&](std::int32_t SettingsRecord::*f, std::int32_t v) { record.*f = v; },
                            [&](Rgb SettingsRecord::*f, const Rgb& v) { record.*f = v; },
                            [](auto, auto) {}},
                   row.field, row.firstRun);
    }
}

} // namespace taku
