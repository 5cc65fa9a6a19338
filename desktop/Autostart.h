#pragma once
// Starting the clock with the desktop session: an entry in the XDG autostart folder
// ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart). The entry itself is the setting.

#include <QString>

namespace taku::autostart {

// Where the entry lives.
QString entryPath();

// The entry that starts the executable at this absolute path.
QByteArray entryFor(const QString& executable);

// The program an entry's Exec line starts, unquoted; empty when the line is missing or
// malformed.
QString programOf(const QByteArray& entry);

// Whether the session starts this executable: the entry exists, starts this very file and is
// not switched off (Hidden=true, X-GNOME-Autostart-enabled=false).
bool enabled(const QString& executable);

// Writes or removes the entry. Removing leaves an entry that starts another copy of the
// program alone. False (and one taku.files warning) when the folder or file can't be written.
bool setEnabled(bool on, const QString& executable);

// The running program's own file.
QString thisExecutable();

} // namespace taku::autostart
