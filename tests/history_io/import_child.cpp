// Replaces the history in FOLDER with the draws of FILE, as the window's import does; the
// crash-safety test kills it at random moments.
#include "HistoryDb.h"
#include "HistoryText.h"
#include "HistoryWriter.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    HistoryDb db;
    if (db.open(QDir(args[1]).filePath(HistoryDb::fileName())) != HistoryDb::OpenStatus::Ok)
        return 3;
    const auto reading = HistoryText::readFile(args[2], 0, false, nullptr);
    if (!reading)
        return 4;
    return HistoryWriter::replace(db, reading->draws, 1, false) ? 0 : 5;
}
