#include "prefs/PrefsFile.h"

#include "base/DataFolder.h"
#include "base/Logging.h"
#include "base/Text.h"
#include "base/TextFile.h"

#include <algorithm>
#include <optional>

namespace taku {

namespace {
template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>; // clang 14 deduces no aggregate

QByteArray number(std::int64_t value) { return Str(value).toLatin1(); }

void read(const QString& text, bool& value) { value = text == QLatin1String("True"); }
void read(const QString& text, std::int32_t& value) { value = ValInt(text); }
void read(const QString& text, Rgb& value) { value = parseColor(text); }
void read(const QString& text, QString& value) { value = text; }

// An optional line's value when the line can hold it (trimmed text, not empty).
template <class T> std::optional<T> readChecked(const QByteArray& text, const PrefsLine& row);
template <> std::optional<bool> readChecked(const QByteArray& text, const PrefsLine&) {
    if (text == "True") return true;
    if (text == "False") return false;
    return std::nullopt;
}
template <> std::optional<std::int32_t> readChecked(const QByteArray& text, const PrefsLine& row) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > row.limit) return std::nullopt;
    return value;
}
template <> std::optional<QString> readChecked(const QByteArray& text, const PrefsLine&) {
    const QString value = QString::fromUtf8(text);
    const bool printable =
        std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c.isPrint(); });
    if (!printable) return std::nullopt;
    return value;
}
template <> std::optional<Rgb> readChecked(const QByteArray& text, const PrefsLine&) {
    return parseColor(QString::fromUtf8(text));
}

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
    QList<bool SettingsRecord::*> turnedOff;
    for (const PrefsLine& row : kPrefsTable) {
        const bool present = row.number - 1 < lines.size();
        const QByteArray raw = present ? lines[row.number - 1] : QByteArray();
        if (!row.optional()) {
            const QString text = QString::fromUtf8(raw);
            std::visit(Overload{[&](int WindowPosition::*f) { read(text, values.position.*f); },
                                [&](auto SettingsRecord::*f) { read(text, values.settings.*f); }},
                       row.field);
            continue;
        }
        // A missing or empty optional line is simply off (and so is its choice); one that is
        // there but can't be read turns its choice off, and says so.
        const QByteArray text = raw.trimmed();
        bool usable = !text.isEmpty();
        std::visit(Overload{[](int WindowPosition::*) {},
                            [&](auto SettingsRecord::*f) {
                                using T = std::decay_t<decltype(values.settings.*f)>;
                                const std::optional<T> value =
                                    usable ? readChecked<T>(text, row) : std::nullopt;
                                usable = value.has_value();
                                values.settings.*f = value.value_or(T{});
                            }},
                   row.field);
        if (usable) continue;
        if (row.turnsOff) turnedOff.append(row.turnsOff);
        if (text.isEmpty()) continue;
        qCWarning(lcFiles).nospace() << "Taku.Prefs line " << row.number << " unusable, "
                                     << row.choice << " off: " << QString::fromUtf8(raw.left(32));
    }
    for (bool SettingsRecord::*flag : turnedOff)
        values.settings.*flag = false;
}

QList<QByteArray> formatPrefs(const PrefsValues& values) {
    QList<QByteArray> lines;
    for (const PrefsLine& row : kPrefsTable) {
        lines.append(
            std::visit(Overload{[&](int WindowPosition::*f) { return write(values.position.*f); },
                                [&](auto SettingsRecord::*f) { return write(values.settings.*f); }},
                       row.field));
    }
    // Optional blocks come last: the file ends after the last block holding a value, or after
    // the required lines, as it did before those blocks existed.
    int lastBlock = 0;
    for (const PrefsLine& row : kPrefsTable)
        if (row.optional() && holdsValue(values, row)) lastBlock = std::max(lastBlock, row.block);
    const auto kept = std::count_if(kPrefsTable.begin(), kPrefsTable.end(),
                                    [&](const PrefsLine& row) { return row.block <= lastBlock; });
    lines.resize(kept);
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

bool PreferencesFile::load() {
    PrefsValues values{position_, Settings()};
    SettingsRecord& s = values.settings;
    const QString path = dataFile(QStringLiteral("Taku.Prefs"));
    ReadLimits limits;
    limits.maxLines = kPrefsLines;
    limits.maxLineBytes = 1024;
    limits.maxFileBytes = 64 * 1024;
    const auto lines = readLines(path, limits);
    if (lines) {
        parsePrefs(*lines, values);
        position_ = values.position;
    } else {
        if (path.isEmpty())
            qCWarning(lcFiles) << "no Taku_DATA folder beside the program; using first-run values";
        applyFirstRunValues(s);
    }
    // Text in the colour of its background can't be read.
    if (s.TextColor == s.BackColor) s.BackColor = s.TextColor.inverse();
    settingsStore().replace(s);
    if (lines) Q_EMIT positionLoaded(position_.Left, position_.Top);
    return lines.has_value();
}

bool PreferencesFile::save() const {
    const QString path = dataFile(QStringLiteral("Taku.Prefs"));
    if (path.isEmpty()) {
        qCWarning(lcFiles) << "no Taku_DATA folder; preferences not saved";
        return false;
    }
    const QString error =
        saveFileAtomically(path, joinLines(formatPrefs(PrefsValues{position_, Settings()})));
    if (!error.isEmpty()) qCWarning(lcFiles) << "preferences not saved:" << error;
    return error.isEmpty();
}

} // namespace taku
