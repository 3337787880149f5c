#pragma once

#include <QString>

namespace AppPaths {
// The folder of the executable, or the per-user data folder when that one is not writable.
// Every file the program reads or writes lives there.
QString programFolder();
// The same choice for a given executable folder.
QString programFolderFor(const QString &exeDir);
// Where the files a user opens or keeps go (exports, the import folder 历史号码): the program's
// folder when the program runs from a writable folder of its own, else a folder of the user's
// documents ("~/文档/快3跟号分析", or the XDG documents path), made when missing.
QString documentsFolder();
QString documentsFolderFor(const QString &exeDir);
// Where the help pages are installed: beside the executable.
QString helpFolder();
} // namespace AppPaths
