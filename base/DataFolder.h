#pragma once
// The data folder "Taku_DATA" beside the executable. It is found, never created.

#include <QString>

namespace taku {

// The absolute path of the data folder, or an empty string when it does not exist.
QString dataFolder();

// The path of a file in the data folder, or an empty string when the folder is missing.
QString dataFile(const QString& name);

// Tests point the program at a folder of their own; an empty path restores the default.
void setDataFolderForTesting(const QString& path);

} // namespace taku
