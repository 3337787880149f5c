#include "Workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <xlsxwriter.h>

namespace Workbook {

bool writeTextSheet(const QString &path, int rows, int cols, const std::function<QString(int, int)> &text,
                    QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo target(path);
    // The workbook is written beside its final name, then moved over it in one step.
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX"));
    if (!partial.open())
        return fail(partial.errorString());
    const QByteArray partialPath = QFile::encodeName(partial.fileName());
    partial.close();

    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written: any size fits
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    options.use_zip64 = LXW_TRUE;
    lxw_workbook *workbook = workbook_new_opt(partialPath.constData(), &options);
    if (!workbook)
        return fail(QStringLiteral("cannot create the workbook"));
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_error written = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (int r = 0; r < rows && written == LXW_NO_ERROR; ++r) {
        for (int c = 0; c < cols && written == LXW_NO_ERROR; ++c) {
            const QByteArray cell = text(r, c).toUtf8();
            if (!cell.isEmpty())
                written =
                    worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cell.constData(), nullptr);
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        std::remove(partialPath.constData());
        return fail(QString::fromUtf8(lxw_strerror(written != LXW_NO_ERROR ? written : closed)));
    }
    if (std::rename(partialPath.constData(), QFile::encodeName(path).constData()) != 0) {
        std::remove(partialPath.constData());
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    return true;
}

} // namespace Workbook
