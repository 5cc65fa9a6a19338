#pragma once
// The preferences file "Taku.Prefs": 22 lines, one value per line, no keys; a line's meaning
// is its position. Flags are "True"/"False", numbers decimal text, colours three decimal
// components joined by TAB.

#include "app/Settings.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace taku {

inline constexpr int kPrefsLines = 22;

struct WindowPosition final {
    int Top = 0;
    int Left = 0;
    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// Reads the lines of a preferences file into the record and the position; missing lines read
// as empty text (false, 0, black). No value is compared with its range.
void parsePrefs(const QList<QByteArray>& lines, WindowPosition& position, SettingsRecord& record);

// The 22 lines of a preferences file, without their ends.
QList<QByteArray> formatPrefs(const WindowPosition& position, const SettingsRecord& record);

QByteArray formatColor(const Rgb& color);
Rgb parseColor(const QString& line);

} // namespace taku
