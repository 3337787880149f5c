#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

QString programFolder()
{
    return programFolderFor(QCoreApplication::applicationDirPath());
}

QString programFolderFor(const QString &exeDir)
{
    const QFileInfo folder(exeDir);
    if (folder.isDir() && folder.isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString helpFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/help");
}

} // namespace AppPaths
