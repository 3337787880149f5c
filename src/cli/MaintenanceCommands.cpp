// The trimming commands and compaction, as the window has them.
#include "CliContext.h"

#include "HistoryMaintenance.h"
#include "HistoryWriter.h"

namespace Cli {

namespace {

// The window's trimming commands: the kept draws are rebuilt through the backup file, then the
// database is compacted.
int trim(Context &c, const HistoryWriter::Selection &keep, QTextStream &out)
{
    c.open(false);
    QString error;
    const auto reading = HistoryWriter::rebuild(
        c.db, QDir(c.folder).filePath(HistoryMaintenance::backupFileName()), keep, 0, c.segmentBase, &error);
    if (!reading)
        throw UsageError{QStringLiteral("删除没有完成，历史号码没有改变：%1").arg(error)};
    if (!c.db.compact())
        throw UsageError{QStringLiteral("已保留 %1 期，但压缩数据库没有成功：%2")
                             .arg(reading->draws.size())
                             .arg(c.db.userError())};
    out << QStringLiteral("保留 %1 期\n").arg(reading->draws.size());
    return 0;
}

} // namespace

int deleteLast(Context &c, Arguments &args, QTextStream &out)
{
    const qint64 count = args.atEnd() ? 1
                                      : wholeNumber(args.take(), QStringLiteral("delete-last"), 1,
                                                    std::numeric_limits<qint32>::max());
    if (!args.atEnd())
        throw UsageError{QStringLiteral("delete-last 只接受一个数目")};
    return trim(
        c, [count](const HistorySnapshot &stored) { return HistoryMaintenance::allButLast(stored, count); },
        out);
}

int keepUpTo(Context &c, Arguments &args, QTextStream &out)
{
    const qint32 last = issueNumber(args.valueOf(QStringLiteral("keep-up-to")), QStringLiteral("keep-up-to"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("keep-up-to 只接受一个期号")};
    return trim(
        c, [last](const HistorySnapshot &stored) { return HistoryMaintenance::upTo(stored, last); }, out);
}

int compact(Context &c, Arguments &args, QTextStream &)
{
    if (!args.atEnd())
        throw UsageError{QStringLiteral("compact 不接受选项：%1").arg(args.take())};
    c.open();
    if (!c.db.compact())
        throw UsageError{QStringLiteral("压缩数据库没有成功，历史号码没有改变：%1").arg(c.db.userError())};
    return 0;
}

} // namespace Cli
