// The commands that store or read out draws: import, add, update, list, next-issue, export.
#include "CliContext.h"

#include "HistoryWriter.h"
#include "IssueNumbers.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace Cli {

int importFile(Context &c, Arguments &args, QTextStream &out)
{
    const QString file = args.valueOf(QStringLiteral("import"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("import 只接受一个文件")};
    if (!QFileInfo(file).isReadable())
        throw UsageError{QStringLiteral("无法读取文件 %1，历史号码没有改变").arg(file)};
    QString error;
    const std::optional<QByteArray> content = HistoryText::loadFile(file, &error);
    if (!content)
        throw UsageError{QStringLiteral("无法读取文件 %1（%2），历史号码没有改变").arg(file, error)};
    c.open(false);
    HistoryWriter::Backup backup{c.folder, QStringLiteral("读入"), {}};
    const auto reading = HistoryWriter::import(c.db, *content, 0, c.segmentBase, &error, &backup);
    if (!reading)
        throw UsageError{QStringLiteral("读入没有完成，历史号码没有改变：%1").arg(error)};
    c.db.recordGame(c.game, true);
    out << QStringLiteral("读入 %1 期，跳过 %2 行\n").arg(reading->draws.size()).arg(reading->skipped);
    // The first few reasons, so that a player can find the lines in the file.
    const size_t shown = std::min<size_t>(reading->notes.size(), 5);
    for (size_t i = 0; i < shown && c.err; ++i)
        *c.err << QStringLiteral("第 %1 行：%2\n").arg(reading->notes[i].line).arg(reading->notes[i].reason);
    if (backup.written && c.err)
        *c.err << QStringLiteral("原来的历史号码已备份：%1\n").arg(backup.written->path);
    return 0;
}

int addDraw(Context &c, Arguments &args, QTextStream &out)
{
    const QString digits = args.valueOf(QStringLiteral("add"));
    if (digits.size() != 3 || digits.contains(QRegularExpression(QStringLiteral("[^1-6]"))))
        throw UsageError{QStringLiteral("开奖号码应为三个 1 到 6 的数字：%1").arg(digits)};
    std::optional<qint32> given;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option != QLatin1String("--issue"))
            throw UsageError{QStringLiteral("add 不认识的选项：%1").arg(option)};
        given = issueNumber(args.valueOf(option), option);
    }
    const int drawsPerDay = ProvinceTable::at(c.game).drawsPerDay;
    if (given && c.game != OnlineUpdate::plainIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(*given, drawsPerDay); !why.isEmpty())
            throw UsageError{why};
    }
    c.open(false);
    if (const std::optional<int> stored = c.db.storedGame(); stored && *stored != c.game && *stored >= 0 &&
                                                             *stored < ProvinceTable::Count)
        throw UsageError{QStringLiteral("历史号码属于%1，不能录入%2的开奖号码：请用 --game %3，"
                                        "或先用 update 换成%2的历史号码")
                             .arg(ProvinceTable::at(*stored).caption, ProvinceTable::at(c.game).caption)
                             .arg(*stored)};
    const Numbers numbers{qint16(digits[0].digitValue()), qint16(digits[1].digitValue()),
                          qint16(digits[2].digitValue())};
    // The next issue is worked out inside the write, from the history as it is then; an empty
    // history needs the issue given.
    const auto row = HistoryWriter::addDraw(c.db, given, numbers, c.segmentBase, drawsPerDay, 0);
    if (!row)
        throw UsageError{QStringLiteral("开奖号码没有保存，历史号码没有改变：%1").arg(c.db.userError())};
    c.db.recordGame(c.game, false);
    out << row->sqqh << ' ' << digits << '\n';
    return 0;
}

int update(Context &c, Arguments &args, QTextStream &out)
{
    QString host = OnlineUpdate::defaultHost();
    int days = 3;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--host")) {
            host = args.valueOf(option);
            if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9.:-]{1,200}$")).match(host).hasMatch())
                throw UsageError{QStringLiteral("--host 不是主机名：%1").arg(host)};
        } else if (option == QLatin1String("--days")) {
            days = int(wholeNumber(args.valueOf(option), option, 2, 16));
        } else {
            throw UsageError{QStringLiteral("update 不认识的选项：%1").arg(option)};
        }
    }
    c.open();
    HttpPageLoader loader;
    const Province &province = ProvinceTable::at(c.game);
    const OnlineUpdate::Outcome outcome = OnlineUpdate::run(
        c.db, c.snapshot, loader, {c.game, province.code, province.drawsPerDay}, host, QDate::currentDate(),
        days, c.segmentBase, c.db.storedGame().value_or(c.game) != c.game, c.folder);
    if (!outcome.error.isEmpty())
        throw UsageError{QStringLiteral("在线更新没有完成，历史号码没有改变：%1").arg(outcome.error)};
    if (outcome.added > 0)
        c.db.recordGame(c.game, outcome.replaced);
    out << QStringLiteral("新增 %1 期\n").arg(outcome.added);
    if (outcome.backup && c.err)
        *c.err << QStringLiteral("被替换的历史号码已备份：%1\n").arg(outcome.backup->path);
    return 0;
}

int list(Context &c, Arguments &args, QTextStream &out)
{
    if (!args.atEnd())
        throw UsageError{QStringLiteral("list 不接受选项：%1").arg(args.take())};
    c.open();
    out << QString::fromLatin1(HistoryText::format(storedDraws(c.snapshot)).replace("\r\n", "\n"));
    return 0;
}

int nextIssue(Context &c, Arguments &args, QTextStream &out)
{
    if (!args.atEnd())
        throw UsageError{QStringLiteral("next-issue 不接受选项：%1").arg(args.take())};
    c.open();
    out << c.nextIssue() << '\n';
    return 0;
}

int exportText(Context &c, Arguments &args, QTextStream &)
{
    const QString file = args.valueOf(QStringLiteral("export"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("export 只接受一个文件")};
    c.open();
    QString error;
    if (!HistoryText::writeFile(file, HistoryText::format(storedDraws(c.snapshot)), &error))
        throw UsageError{QStringLiteral("无法写入文件 %1：%2").arg(file, error)};
    return 0;
}

} // namespace Cli
