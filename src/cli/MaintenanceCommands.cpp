// The trimming commands, compaction, backups and the list of the games' histories.
#include "CliContext.h"
#include "GameFiles.h"

#include "Backups.h"
#include "HistoryMaintenance.h"
#include "HistoryWriter.h"

namespace Cli {

namespace {

// A command whose one option is --json: whether it was given.
bool jsonOnly(Arguments &args, const QString &command)
{
    bool json = false;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option != QLatin1String("--json"))
            throw UsageError{QStringLiteral("%1 不认识的选项：%2").arg(command, option)};
        json = true;
    }
    return json;
}

// The window's trimming commands: the kept draws are rebuilt through the backup file, then the
// database is compacted.
int trim(Context &c, const QString &reason, const HistoryWriter::Selection &keep, QTextStream &out)
{
    c.open(false);
    QString error;
    HistoryWriter::Backup backup{c.folder, reason, {}};
    const auto reading =
        HistoryWriter::rebuild(c.db, QDir(c.folder).filePath(HistoryMaintenance::backupFileName()), keep, 0,
                               c.segmentBase, &error, &backup);
    if (!reading)
        throw UsageError{QStringLiteral("删除没有完成，历史号码没有改变：%1").arg(error)};
    out << QStringLiteral("保留 %1 期\n").arg(reading->draws.size());
    if (backup.written && c.err)
        *c.err << QStringLiteral("删除前的历史号码已备份：%1\n").arg(backup.written->path);
    // The change is made: a compaction that fails is a warning, not a failure (exit 2 would tell
    // a script that nothing changed, and it would delete again).
    if (!c.db.compact() && c.err)
        *c.err << QStringLiteral("警告：已删除并保留 %1 期，但压缩数据库没有成功：%2\n")
                      .arg(reading->draws.size())
                      .arg(c.db.userError());
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
    return trim(c, QStringLiteral("删除最后%1期").arg(count),
                [count](const HistorySnapshot &stored, QString *refusal) {
                    return HistoryMaintenance::allButLastGuarded(stored, count, refusal);
                },
                out);
}

int keepUpTo(Context &c, Arguments &args, QTextStream &out)
{
    const qint32 last = issueNumber(args.valueOf(QStringLiteral("keep-up-to")), QStringLiteral("keep-up-to"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("keep-up-to 只接受一个期号")};
    return trim(c, QStringLiteral("删除到%1期").arg(last),
                [last](const HistorySnapshot &stored, QString *refusal) {
                    return HistoryMaintenance::upToStored(stored, last, refusal);
                },
                out);
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

// The backups of the folder, newest first (N = 1 the newest).
int backups(Context &c, Arguments &args, QTextStream &out)
{
    const bool json = jsonOnly(args, QStringLiteral("backups"));
    const std::vector<Backups::Entry> entries = Backups::list(c.folder, c.backupOwner());
    if (!json) {
        for (size_t i = 0; i < entries.size(); ++i)
            out << QStringLiteral("%1\t%2\t%3\n").arg(i + 1).arg(Backups::describe(entries[i]), entries[i].name);
        return 0;
    }
    out << '[';
    for (size_t i = 0; i < entries.size(); ++i) {
        const Backups::Entry &e = entries[i];
        out << (i ? "," : "")
            << QStringLiteral("{\"name\":\"%1\",\"time\":\"%2\",\"reason\":\"%3\",\"draws\":%4,\"first\":%5,\"last\":%6,\"game\":%7}")
                   .arg(e.name, e.time.toString(Qt::ISODateWithMs), e.reason)
                   .arg(e.draws)
                   .arg(e.first)
                   .arg(e.last)
                   .arg(e.game ? QString::number(*e.game) : QStringLiteral("null"));
    }
    out << "]\n";
    return 0;
}

int restore(Context &c, Arguments &args, QTextStream &out)
{
    const QString which = args.valueOf(QStringLiteral("restore"));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("restore 只接受一个备份名称或序号")};
    const std::optional<Backups::Entry> entry = Backups::find(c.folder, which, c.backupOwner());
    if (!entry)
        throw UsageError{QStringLiteral("没有这个备份：%1（用 backups 列出备份）").arg(which)};
    c.open(false);
    HistoryWriter::Backup backup{c.folder, QStringLiteral("恢复前"), {}};
    QString error;
    // The history takes the backup's game (restore records it); the count is what was stored.
    const std::optional<int> stored = HistoryWriter::restore(c.db, *entry, c.segmentBase, &backup, &error);
    if (!stored)
        throw UsageError{QStringLiteral("恢复没有完成，历史号码没有改变：%1").arg(error)};
    out << QStringLiteral("已恢复 %1 期（%2）\n").arg(*stored).arg(entry->name);
    return 0;
}

int games(Context &c, Arguments &args, QTextStream &out)
{
    const bool json = jsonOnly(args, QStringLiteral("games"));
    const GameFiles::MainFile main = GameFiles::readMain(c.folder);
    QList<QStringList> table{{QStringLiteral("序号"), QStringLiteral("彩种"), QStringLiteral("代码"),
                              QStringLiteral("每天期数"), QStringLiteral("期数"), QStringLiteral("最后一期")}};
    QString text = QStringLiteral("[");
    QStringList problems;
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        // Read only: a game without draws has no file, and listing makes none.
        const QString path = GameFiles::pathFor(c.folder, game, main, unrecordedGame);
        const GameFiles::Facts facts = GameFiles::read(path, true);
        const QString problem = facts.problem(path);
        const bool other = facts.game && *facts.game != game; // a file that holds another game's draws
        const qint64 draws = other ? 0 : facts.draws;
        const QString last = !other && facts.last ? QString::number(facts.last.value_or(0)) : QString();
        const Province &province = ProvinceTable::at(game);
        text += QStringLiteral("%1{\"index\":%2,\"name\":%3,\"code\":%4,\"draws_per_day\":%5,")
                    .arg(game ? QStringLiteral(",") : QString())
                    .arg(game)
                    .arg(jsonText(province.caption), jsonText(province.code))
                    .arg(c.drawsPerDayOf(game));
        // A history that cannot be read is never reported as an empty one.
        if (!problem.isEmpty()) {
            problems << QStringLiteral("%1：%2").arg(province.caption, problem);
            text += QStringLiteral("\"draws\":null,\"last\":null,\"error\":%1}").arg(jsonText(problem));
        } else {
            text += QStringLiteral("\"draws\":%1,\"last\":%2}")
                        .arg(draws)
                        .arg(last.isEmpty() ? QStringLiteral("null") : last);
        }
        table << QStringList{QString::number(game), province.caption, province.code,
                             QString::number(c.drawsPerDayOf(game)),
                             problem.isEmpty() ? QString::number(draws) : QStringLiteral("无法读取"),
                             last.isEmpty() || !problem.isEmpty() ? QStringLiteral("—") : last};
    }
    out << (json ? text + QStringLiteral("]\n") : alignedTable(table));
    if (problems.isEmpty())
        return 0;
    out.flush();
    for (const QString &problem : std::as_const(problems))
        if (c.err)
            *c.err << problem << '\n';
    return 2;
}

int setGame(Context &c, Arguments &args, QTextStream &out)
{
    const int game = int(wholeNumber(args.valueOf(QStringLiteral("set-game")), QStringLiteral("彩种"), 0,
                                     ProvinceTable::Count - 1));
    if (!args.atEnd())
        throw UsageError{QStringLiteral("set-game 只接受一个彩种序号")};
    const QString caption = ProvinceTable::at(game).caption;
    const QString own = QDir(c.folder).filePath(GameFiles::ownFileName(game));
    const QString mainPath = QDir(c.folder).filePath(GameFiles::mainFileName());
    const GameFiles::Facts ownFacts = GameFiles::read(own);
    // The game's own file when its record is damaged or missing; else the main file.
    QString target = own;
    if (!ownFacts.exists || !ownFacts.readable || ownFacts.record.state == GameFiles::Record::State::Game) {
        const GameFiles::Facts main = GameFiles::read(mainPath);
        if (!main.exists)
            throw UsageError{QStringLiteral("没有 %1，不需要记下彩种").arg(GameFiles::mainFileName())};
        if (!main.readable)
            throw UsageError{main.error};
        if (main.game)
            throw UsageError{QStringLiteral("%1 已记为%2的历史号码，没有改变")
                                 .arg(GameFiles::mainFileName(), ProvinceTable::at(*main.game).caption)};
        if (ownFacts.exists)
            throw UsageError{QStringLiteral("%1已有自己的历史号码（%2），%3 不能再记为%1")
                                 .arg(caption, GameFiles::ownFileName(game), GameFiles::mainFileName())};
        target = mainPath;
    }
    HistoryDb db;
    if (db.open(target) != HistoryDb::OpenStatus::Ok)
        throw UsageError{GameFiles::openError(target, db.lastError())};
    HistoryWriter::Backup backup{c.folder, QStringLiteral("记彩种前"), {}};
    if (!HistoryWriter::recordGame(db, game, &backup))
        throw UsageError{QStringLiteral("没有记下彩种：%1").arg(db.userError())};
    out << QStringLiteral("%1 已记为%2的历史号码\n").arg(QFileInfo(target).fileName(), caption);
    if (backup.written && c.err)
        *c.err << QStringLiteral("原来的历史号码已备份：%1\n").arg(backup.written->path);
    return 0;
}

} // namespace Cli
