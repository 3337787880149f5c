#include "Workbook.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <xlsxwriter.h>
#include <zlib.h>

namespace Workbook {

namespace {

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const uchar *p)
{
    return quint16(p[0] | p[1] << 8);
}

// The end of a sheet's XML as stored in the workbook (a zip archive), or nothing when it cannot
// be read. libxlsxwriter does not report every failed write of its temporary files, so a workbook
// is only taken as written when its last sheet really ends as it should.
std::optional<QByteArray> sheetTail(const QString &path, const QByteArray &sheetFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray zip = file.readAll();
    const auto *bytes = reinterpret_cast<const uchar *>(zip.constData());
    // The end-of-central-directory record, then the directory entry of the sheet.
    qsizetype end = zip.size() - 22;
    while (end >= 0 && le32(bytes + end) != 0x06054b50)
        --end;
    if (end < 0)
        return std::nullopt;
    qsizetype entry = le32(bytes + end + 16);
    const int entries = le16(bytes + end + 10);
    for (int i = 0; i < entries && entry + 46 <= zip.size() && le32(bytes + entry) == 0x02014b50; ++i) {
        const int nameLength = le16(bytes + entry + 28);
        const QByteArray name = zip.mid(entry + 46, nameLength);
        if (name == sheetFile) {
            const quint32 compressed = le32(bytes + entry + 20);
            const qsizetype local = le32(bytes + entry + 42);
            if (local + 30 > zip.size() || le16(bytes + entry + 10) != 8)
                return std::nullopt;
            const qsizetype data = local + 30 + le16(bytes + local + 26) + le16(bytes + local + 28);
            if (data + compressed > zip.size())
                return std::nullopt;
            z_stream stream{};
            if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
                return std::nullopt;
            stream.next_in = const_cast<Bytef *>(bytes + data);
            stream.avail_in = compressed;
            QByteArray tail;
            char chunk[65536];
            int status = Z_OK;
            while (status == Z_OK) {
                stream.next_out = reinterpret_cast<Bytef *>(chunk);
                stream.avail_out = sizeof chunk;
                status = inflate(&stream, Z_NO_FLUSH);
                tail.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
                if (tail.size() > 2 * qsizetype(sizeof chunk))
                    tail.remove(0, tail.size() - qsizetype(sizeof chunk));
            }
            inflateEnd(&stream);
            if (status != Z_STREAM_END)
                return std::nullopt;
            return tail;
        }
        entry += 46 + nameLength + le16(bytes + entry + 30) + le16(bytes + entry + 32);
    }
    return std::nullopt;
}

} // namespace

Cell fromText(const QString &text)
{
    // No leading zeros and at most 15 digits: the number reads back exactly as the text.
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]{0,14})(\\.[0-9]{1,6})?$"));
    const bool percent = text.endsWith(QLatin1Char('%'));
    const QString digits = percent ? text.chopped(1) : text;
    if (!number.match(digits).hasMatch())
        return text;
    const double value = digits.toDouble();
    return percent ? Cell(Percent{value / 100}) : Cell(value);
}

bool writeTextSheet(const QString &path, int rows, int cols, const std::function<QString(int, int)> &text,
                    QString *error)
{
    return write(path, {Sheet{QStringLiteral("Sheet1"), rows, cols, [&text](int r, int c) { return Cell(text(r, c)); }}},
                 error);
}

bool write(const QString &path, const QList<Sheet> &sheets, QString *error, const QString &title)
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
    lxw_workbook *workbook = workbook_new_opt(partialPath.constData(), &options);
    if (!workbook)
        return fail(QStringLiteral("无法建立电子表格文件"));
    const QByteArray titleText = title.toUtf8();
    if (!title.isEmpty()) {
        lxw_doc_properties properties{};
        properties.title = const_cast<char *>(titleText.constData());
        workbook_set_properties(workbook, &properties);
    }
    lxw_format *percent = workbook_add_format(workbook);
    format_set_num_format(percent, "0.000%");
    lxw_format *twoPlaces = workbook_add_format(workbook);
    format_set_num_format(twoPlaces, "0.00");
    lxw_format *marked = workbook_add_format(workbook);
    format_set_bg_color(marked, 0xC82A32);
    format_set_font_color(marked, LXW_COLOR_WHITE);
    format_set_bold(marked);
    format_set_align(marked, LXW_ALIGN_CENTER);
    lxw_error written = LXW_NO_ERROR;
    int lastRow = -1;
    for (const Sheet &content : sheets) {
        if (written != LXW_NO_ERROR)
            break;
        lxw_worksheet *sheet = workbook_add_worksheet(workbook, content.name.toUtf8().constData());
        written = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
        lastRow = -1;
        for (int r = 0; r < content.rows && written == LXW_NO_ERROR; ++r) {
            for (int c = 0; c < content.cols && written == LXW_NO_ERROR; ++c) {
                const Cell cell = content.cell(r, c);
                if (const double *number = std::get_if<double>(&cell)) {
                    written = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *number, nullptr);
                } else if (const Percent *share = std::get_if<Percent>(&cell)) {
                    written = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), share->fraction, percent);
                } else if (const TwoPlaces *rounded = std::get_if<TwoPlaces>(&cell)) {
                    written = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c),
                                                     std::round(rounded->value * 100) / 100, twoPlaces);
                } else if (const Marked *mark = std::get_if<Marked>(&cell)) {
                    const QByteArray text = mark->text.toUtf8();
                    written = text.isEmpty() ? worksheet_write_blank(sheet, lxw_row_t(r), lxw_col_t(c), marked)
                                             : worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), text.constData(), marked);
                } else {
                    const QByteArray text = std::get<QString>(cell).toUtf8();
                    if (text.isEmpty())
                        continue;
                    written = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), text.constData(), nullptr);
                }
                lastRow = r;
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (written != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        std::remove(partialPath.constData());
        return fail(QString::fromUtf8(lxw_strerror(written != LXW_NO_ERROR ? written : closed)));
    }
    const QByteArray lastSheet = "xl/worksheets/sheet" + QByteArray::number(std::max<qsizetype>(1, sheets.size())) + ".xml";
    const std::optional<QByteArray> tail = sheetTail(QFile::decodeName(partialPath), lastSheet);
    const QByteArray lastRowTag = "<row r=\"" + QByteArray::number(lastRow + 1) + '"';
    if (!tail || !tail->trimmed().endsWith("</worksheet>") || (lastRow >= 0 && !tail->contains(lastRowTag))) {
        std::remove(partialPath.constData());
        return fail(QStringLiteral("电子表格文件没有完整写入（磁盘可能已满）"));
    }
    // The work file was made private; the workbook gets the usual permissions for a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(partialPath.constData(), 0666 & ~mask);
    if (std::rename(partialPath.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        std::remove(partialPath.constData());
        return fail(why);
    }
    return true;
}

} // namespace Workbook
