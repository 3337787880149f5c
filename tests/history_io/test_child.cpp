// A child process for the crash and disk-full tests, which kill it or limit its file sizes:
//   vk3-test-child import FOLDER FILE     replace the history with a history text file
//   vk3-test-child trim FOLDER COUNT      delete the last COUNT draws: rebuild and compaction
//   vk3-test-child xlsx FILE ROWS         write a workbook of ROWS rows
// Exit status 0 when the work was done, 1 when it failed and said why on stderr.
#include "HistoryDb.h"
#include "HistoryMaintenance.h"
#include "HistoryText.h"
#include "HistoryWriter.h"
#include "Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>

namespace {
int failed(const QString &why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    // A file size limit makes writes fail instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    if (args[1] == QLatin1String("xlsx")) {
        QString error;
        const bool written = Workbook::writeTextSheet(
            args[2], args[3].toInt(), 4, [](int r, int c) { return QString::number(r * 10 + c); }, &error);
        return written ? 0 : failed(error);
    }
    HistoryDb db;
    if (db.open(QDir(args[2]).filePath(HistoryDb::fileName())) != HistoryDb::OpenStatus::Ok)
        return failed(db.lastError());
    QString error;
    if (args[1] == QLatin1String("import")) {
        const auto reading = HistoryText::readFile(args[3], 0, false, &error);
        if (!reading)
            return failed(error);
        return HistoryWriter::replace(db, reading->draws, 1, false) ? 0 : failed(db.lastError());
    }
    const qint64 count = args[3].toLongLong();
    const auto keep = [count](const HistorySnapshot &stored, QString *) {
        return HistoryMaintenance::allButLast(stored, count);
    };
    if (!HistoryWriter::rebuild(db, QDir(args[2]).filePath(HistoryMaintenance::backupFileName()), keep, 0, 1,
                                &error))
        return failed(error);
    return db.compact() ? 0 : failed(db.lastError());
}
