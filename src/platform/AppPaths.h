#pragma once

#include <QString>

namespace AppPaths {
// The folder of the executable, or the per-user data folder when that one is not writable.
// Every file the program reads or writes lives there.
QString programFolder();
// The same choice for a given executable folder.
QString programFolderFor(const QString &exeDir);
// Where the help pages are installed: beside the executable.
QString helpFolder();
} // namespace AppPaths
