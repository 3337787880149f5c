// The commands that store or read out draws: import, add, update, list, next-issue, export.
#include "CliContext.h"

#include "DrawTimes.h"

#include "DrawText.h"
#include "FairDice.h"
#include "HistoryWriter.h"
#include "IssueNumbers.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"

#include <QFile>
#include <charconv>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

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
    const auto reading = HistoryWriter::import(c.db, *content, 0, c.segmentBase, &error, &backup,
                                               c.game == OnlineUpdate::plainIssueGame ? 0 : c.drawsPerDay());
    if (!reading)
        throw UsageError{QStringLiteral("读入没有完成，历史号码没有改变：%1").arg(error)};
    out << QStringLiteral("读入 %1 期，跳过 %2 行\n").arg(reading->draws.size()).arg(reading->skipped);
    // The first few reasons, so that a player can find the lines in the file.
    const size_t shown = std::min<size_t>(reading->notes.size(), 5);
    for (size_t i = 0; i < shown && c.err; ++i)
        *c.err << QStringLiteral("第 %1 行：%2\n").arg(reading->notes[i].line).arg(reading->notes[i].reason);
    if (backup.written && c.err)
        *c.err << QStringLiteral("原来的历史号码已备份：%1\n").arg(backup.written->path);
    return 0;
}

namespace {

QString drawJson(const TextDraw &draw)
{
    return QStringLiteral("{\"issue\":%1,\"numbers\":[%2,%3,%4]").arg(draw.issue).arg(draw.numbers[0]).arg(draw.numbers[1]).arg(draw.numbers[2]);
}

} // namespace

int mergeDraws(Context &c, Arguments &args, QTextStream &out)
{
    // The options may come before or after the file.
    QString file;
    bool dryRun = false, json = false;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word == QLatin1String("--dry-run"))
            dryRun = true;
        else if (word == QLatin1String("--json"))
            json = true;
        else if (file.isNull() && (word == QLatin1String("-") || !word.startsWith(QLatin1Char('-'))))
            file = word;
        else
            throw UsageError{QStringLiteral("merge 不认识的选项：%1").arg(word)};
    }
    if (file.isNull())
        throw UsageError{QStringLiteral("merge 后面缺少文件（或 - 表示标准输入）")};
    QByteArray content;
    if (file == QLatin1String("-")) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            throw UsageError{QStringLiteral("无法读取标准输入")};
        // A pipe gives what it holds at the moment: read to its end (or past the cap).
        for (;;) {
            const QByteArray part = input.read(std::min<qint64>(1 << 20, HistoryText::maxFileBytes + 1 - content.size()));
            if (part.isEmpty())
                break;
            content += part;
            if (content.size() > HistoryText::maxFileBytes)
                break;
        }
        if (content.size() > HistoryText::maxFileBytes)
            throw UsageError{QStringLiteral("标准输入太大，历史号码没有改变")};
    } else {
        QString error;
        const std::optional<QByteArray> loaded = HistoryText::loadFile(file, &error);
        if (!loaded)
            throw UsageError{QStringLiteral("无法读取文件 %1（%2），历史号码没有改变").arg(file, error)};
        content = *loaded;
    }
    DrawText::Reading reading = DrawText::readBytes(
        content, c.game == OnlineUpdate::plainIssueGame ? DrawText::IssueStyle::Running : DrawText::IssueStyle::Dated);
    content = QByteArray();
    // Bounded as `import` is.
    if (reading.draws.size() > HistoryText::maxDraws)
        throw UsageError{QStringLiteral("文件中的开奖号码超过 %1 期，没有合并，历史号码没有改变").arg(HistoryText::maxDraws)};
    // Issues no draw of this game can have are skipped, as the window and `add` refuse them.
    if (c.game != OnlineUpdate::plainIssueGame)
        DrawText::dropUnsound(reading, c.drawsPerDay());
    std::vector<TextDraw> draws;
    for (const DrawText::Found &found : reading.draws)
        draws.push_back(found.draw);
    c.open(false);
    const std::optional<HistoryWriter::Merge> merged = HistoryWriter::merge(c.db, draws, c.segmentBase, dryRun);
    if (!merged)
        throw UsageError{QStringLiteral("合并没有完成，历史号码没有改变：%1").arg(c.db.userError())};
    // The times printed beside the draws now in the history, as read.
    if (!dryRun) {
        std::vector<TextDraw> kept = merged->fresh;
        kept.insert(kept.end(), merged->same.begin(), merged->same.end());
        if (!DrawTimes::store(c.db, DrawText::timesOf(reading, kept)) && c.err)
            *c.err << QStringLiteral("开奖时间没有保存：%1\n").arg(c.db.userError());
    }
    if (json) {
        QStringList fresh, same, conflicting, skipped;
        for (const TextDraw &d : merged->fresh)
            fresh << drawJson(d) + '}';
        for (const TextDraw &d : merged->same)
            same << drawJson(d) + '}';
        for (const auto &[draw, stored] : merged->conflicting)
            conflicting << drawJson(draw) +
                               QStringLiteral(",\"stored\":[%1,%2,%3]}").arg(stored[0]).arg(stored[1]).arg(stored[2]);
        for (const DrawText::Skipped &s : reading.skipped)
            skipped << QStringLiteral("{\"line\":%1,\"reason\":%2,\"text\":%3}").arg(s.line).arg(jsonText(s.reason), jsonText(s.text));
        out << QStringLiteral("{\"new\":[%1],\"same\":[%2],\"conflicting\":[%3],\"skipped\":[%4],\"gap_fills\":%5,\"merged\":%6,\"dry_run\":%7}\n")
                   .arg(fresh.join(','), same.join(','), conflicting.join(','), skipped.join(','))
                   .arg(merged->gapFills)
                   .arg(merged->added)
                   .arg(dryRun ? "true" : "false");
    } else {
        out << QStringLiteral("新 %1 期（其中 %2 期补在已有的期号之间），已有 %3 期，冲突 %4 期，跳过 %5 行\n")
                   .arg(merged->fresh.size())
                   .arg(merged->gapFills)
                   .arg(merged->same.size())
                   .arg(merged->conflicting.size())
                   .arg(reading.skippedCount);
        for (size_t i = 0; i < std::min<size_t>(reading.skipped.size(), 5) && c.err; ++i)
            *c.err << QStringLiteral("第 %1 行：%2\n").arg(reading.skipped[i].line).arg(reading.skipped[i].reason);
    }
    if (!merged->conflicting.empty()) {
        const auto &first = merged->conflicting.front();
        const auto digits = [](const Numbers &n) { return QStringLiteral("%1%2%3").arg(n[0]).arg(n[1]).arg(n[2]); };
        throw UsageError{QStringLiteral("第 %1 期已存的号码是 %2，这里是 %3（共 %4 期不同）：没有合并任何号码")
                             .arg(first.draw.issue)
                             .arg(digits(first.stored), digits(first.draw.numbers))
                             .arg(merged->conflicting.size())};
    }
    if (!json)
        out << (dryRun ? QStringLiteral("试运行：历史号码没有改变\n") : QStringLiteral("已合并 %1 期\n").arg(merged->added));
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
    const int drawsPerDay = c.drawsPerDay();
    if (given && c.game != OnlineUpdate::plainIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(*given, drawsPerDay); !why.isEmpty())
            throw UsageError{why};
    }
    c.open(false);
    const Numbers numbers{qint16(digits[0].digitValue()), qint16(digits[1].digitValue()),
                          qint16(digits[2].digitValue())};
    // The next issue is worked out inside the write, from the history as it is then; an empty
    // history needs the issue given.
    const auto row = HistoryWriter::addDraw(c.db, given, numbers, c.segmentBase, drawsPerDay, 0);
    if (!row)
        throw UsageError{QStringLiteral("开奖号码没有保存，历史号码没有改变：%1").arg(c.db.userError())};
    out << row->sqqh << ' ' << digits << '\n';
    // Stored as given; a player who typed the dice as they fell into an ascending history hears so.
    if (!std::is_sorted(numbers.begin(), numbers.end()) && c.err) {
        c.reload();
        if (FairDice::orderOf(c.snapshot).ascending) {
            Numbers ascending = numbers;
            std::sort(ascending.begin(), ascending.end());
            *c.err << QStringLiteral("注意：历史号码都是从小到大存放的，第 %1 期按输入存放为 %2（从小到大为 %3 %4 %5）\n")
                          .arg(row->sqqh)
                          .arg(digits)
                          .arg(ascending[0])
                          .arg(ascending[1])
                          .arg(ascending[2]);
        }
    }
    return 0;
}

int update(Context &c, Arguments &args, QTextStream &out)
{
    QStringList hosts{OnlineUpdate::defaultHost()};
    int days = 3;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--host")) {
            // Several hosts, comma-separated, tried in order.
            hosts = args.valueOf(option).split(QLatin1Char(','));
            for (const QString &host : std::as_const(hosts))
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
    const OnlineUpdate::Outcome outcome = OnlineUpdate::runHosts(
        c.db, c.snapshot, loader, {c.game, province.code, c.drawsPerDay()}, hosts, QDate::currentDate(),
        days, c.segmentBase, c.db.storedGame().value_or(c.game) != c.game, c.folder);
    if (c.err)
        for (const QString &stale : outcome.stale)
            *c.err << stale << '\n';
    if (!outcome.error.isEmpty())
        throw UsageError{QStringLiteral("在线更新没有完成，历史号码没有改变：%1").arg(outcome.error)};
    out << QStringLiteral("新增 %1 期%2\n").arg(outcome.added).arg(outcome.answeredBy.isEmpty() || hosts.size() < 2 ? QString() : QStringLiteral("（来自 %1%2）").arg(province.code, outcome.answeredBy));
    if (outcome.backup && c.err)
        *c.err << QStringLiteral("被替换的历史号码已备份：%1\n").arg(outcome.backup->path);
    return 0;
}

int list(Context &c, Arguments &args, QTextStream &out)
{
    if (!args.atEnd())
        throw UsageError{QStringLiteral("list 不接受选项：%1").arg(args.take())};
    c.open();
    // Straight from the rows to bytes: "issue ddd" a line, as the history text format has it.
    QByteArray text(qsizetype(c.snapshot.count()) * 40, Qt::Uninitialized);
    char *at = text.data();
    for (int i = 0; i < c.snapshot.count(); ++i) {
        at = std::to_chars(at, at + 12, c.snapshot.issue(i)).ptr;
        *at++ = ' ';
        for (qint16 n : c.snapshot.numbers(i))
            at = std::to_chars(at, at + 7, n).ptr;
        *at++ = '\n';
    }
    text.truncate(at - text.data());
    out.flush();
    if (out.device())
        out.device()->write(text);
    else
        out << QString::fromLatin1(text);
    return 0;
}

int nextIssue(Context &c, Arguments &args, QTextStream &out)
{
    bool json = false;
    while (!args.atEnd()) {
        const QString word = args.take();
        if (word != QLatin1String("--json"))
            throw UsageError{QStringLiteral("next-issue 只接受 --json：%1").arg(word)};
        json = true;
    }
    c.open();
    const qint32 issue = c.nextIssue();
    if (!json) {
        out << issue << '\n'; // scripts read the issue alone
        return 0;
    }
    // When it is due, by the schedule given, saved or (for 北京快3) counted from the last draw.
    const std::optional<DrawClock::Schedule> schedule = c.schedule();
    const bool running = c.game == ProvinceTable::runningIssueGame;
    const std::optional<QDateTime> due =
        schedule && !c.snapshot.isEmpty()
            ? DrawTimes::expected(c.db, issue, c.snapshot.last().sqqh, *schedule, c.drawsPerDay(), running)
            : std::nullopt;
    out << QStringLiteral("{\"issue\":%1,\"expected\":%2}\n")
               .arg(issue)
               .arg(due ? jsonText(DrawClock::inBeijing(*due).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
                               QStringLiteral("+08:00"))
                        : QStringLiteral("null"));
    return 0;
}

int exportText(Context &c, Arguments &args, QTextStream &)
{
    const QString file = args.valueOf(QStringLiteral("export"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("export 只接受一个文件")};
    c.open();
    QString error;
    if (!HistoryText::writeFile(file, HistoryText::format(storedDraws(c.snapshot), DrawTimes::all(c.db)), &error))
        throw UsageError{QStringLiteral("无法写入文件 %1：%2").arg(file, error)};
    return 0;
}

} // namespace Cli
