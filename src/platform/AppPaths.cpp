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

namespace {
// Where an installed program's shared files are: /usr/bin/.. + share/vendrix-k3.
QString installedShare(const QString &exeDir)
{
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/vendrix-k3"));
}
} // namespace

QString programFolderFor(const QString &exeDir)
{
    const QFileInfo folder(exeDir);
    // An installed program never writes beside itself, even when it could (as root).
    const bool installed = QFileInfo(installedShare(exeDir) + QStringLiteral("/help")).isDir();
    if (!installed && folder.isDir() && folder.isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString documentsFolder()
{
    return documentsFolderFor(QCoreApplication::applicationDirPath());
}

QString documentsFolderFor(const QString &exeDir)
{
    const QString program = programFolderFor(exeDir);
    if (program == exeDir)
        return program;
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    const QString folder = QDir(documents).filePath(QStringLiteral("快3跟号分析"));
    // Without a documents folder to write in, the files stay beside the database.
    return QDir().mkpath(folder) ? folder : program;
}

QString helpFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString beside = exeDir + QStringLiteral("/help");
    return QFileInfo(beside).isDir() ? beside : installedShare(exeDir) + QStringLiteral("/help");
}

} // namespace AppPaths
