#include "Cli.h"

#include "AppPaths.h"
#include "CliContext.h"
#include "ProvinceTable.h"

#include <QTextStream>

using namespace Cli;

namespace {

// One entry a command: its name, its lines of the usage text, and its handler.
struct Command
{
    const char *name;
    const char *usage;
    Handler run;
    bool anyGame = false; // about every game: runs without knowing the folder's game
};

const Command commands[] = {
    {"import", "import FILE               用历史号码文本文件替换历史号码", importFile},
    {"add", "add DDD [--issue ISSUE]   录入一期开奖号码（三个 1~6 的数字）", addDraw},
    {"merge", "merge FILE|- [--dry-run] [--json]\n                            把文本、网页或 CSV 里还没有的开奖号码合并进历史号码（- 为标准输入）",
     mergeDraws},
    {"list", "list                      列出历史号码", list},
    {"next-issue", "next-issue [--json]       显示下一期期号（--json：与预计开奖时间，北京时间）", nextIssue},
    {"export", "export FILE               把历史号码写成文本文件", exportText},
    {"delete-last", "delete-last [N]           删除最后 N 期（默认 1）", deleteLast},
    {"keep-up-to", "keep-up-to ISSUE          删除 ISSUE 之后的各期", keepUpTo},
    {"compact", "compact                   检查并压缩历史数据库", compact},
    {"backups", "backups [--json]          列出删除或替换前的历史号码备份（最新的在前）", backups},
    {"restore", "restore NAME|N            用备份替换历史号码（N = 1 为最新的备份）", restore},
    {"update", "update [--host HOST] [--days N]\n                            从开奖网页在线更新", update},
    {"search",
     "search [检索选项] [--pattern A,B,C] [--verify ISSUE [--before-only]]\n                            跟号检索",
     search},
    {"combo", "combo --size K [检索选项]  组合检索", combo},
    {"backtest", "backtest [--from ISSUE] [--to ISSUE] [--top K] [检索选项]\n                            跟号回测",
     backtest},
    {"omission", "omission [--last N | --from ISSUE --to ISSUE] [--prizes FILE] [--json]\n                            遗漏统计：号码、位置、和值、形态的次数与遗漏，及上下期是否相关",
     omission},
    {"trend", "trend [--last N] [--json]  走势图：最近 N 期（默认 30）的和值、形态、跨度与各号码遗漏", trend},
    {"games", "games [--json]            各彩种的历史号码：每天期数、期数和最后一期", games, true},
    {"set-game", "set-game INDEX            记下 vendrixK3.db（或本彩种文件）是哪个彩种的历史号码（彩种记录损坏时）",
     setGame, true},
    {"bet", "bet add ISSUE PLAY [NUMBERS] [--multiple M]\n                            记下一注投注，输出它的编号（玩法：和值、三同号通选、三同号单选、二同号复选、\n                            二同号单选、三不同号、二不同号、三连号通选；号码如 10、333、11、112、124、25）\n  bet list [--from ISSUE --to ISSUE] [--prizes FILE] [--all-games] [--json]\n                            投注记录：按开奖号码结算，合计与公平开奖时的期望（--all-games：全部彩种）\n  bet remove ID             删除一注投注", bet},
    {"plan", "plan PLAY [NUMBERS] --issues N [--from ISSUE] [--multiple M] [--double | --profit R]\n"
             "     [--max-multiple X] [--budget Y] [--keep-after-win] [--prizes FILE] [--place] [--json]\n"
             "                            追号计划：同倍（默认）、翻倍或利润率 R%，最坏情况、全不中的概率和公平开奖的平均净收益；\n"
             "                            --place 把它记入投注记录\n"
             "  plan list [--json]        列出追号计划\n"
             "  plan cancel ID [--from ISSUE]\n"
             "                            撤销追号计划从 ISSUE 起的投注（默认：还没有开奖的各期）", plan},
};

const Command *commandNamed(const QString &word)
{
    for (const Command &command : commands)
        if (word == QLatin1String(command.name))
            return &command;
    return nullptr;
}

const char usageHead[] = R"(用法：vendrix-k3-cli [--dir DIR] [--game INDEX] [--segment-base 0|1] COMMAND [OPTIONS]
快3跟号分析的命令行工具：与窗口共用同一个历史号码文件夹和同样的分析。

命令：
)";

const char usageTail[] = R"(
检索选项：
  --kind K        检索类型：number、size、parity、segment
  --display K     显示类型
  --fixed         固定位（默认自由位）
  --back N        前 N 期（默认上期）
  --positions D   参与比较的位置，例如 13
  --from ISSUE, --to ISSUE
                  检索起止期号
  --straight      直选（默认组选）
  --tally-pos P   统计位置 1~3
  --json          输出 JSON

其他选项：
  --dir DIR       历史号码文件夹（默认为程序所在或用户数据文件夹）
  --game INDEX    彩种 0~14，每个彩种有自己的历史号码（默认为 vendrixK3.db 记录的彩种，
                  没有记录时为 0，福建快3）
  --draws-per-day N
                  本彩种现在每天开奖的期数 1~120（默认为窗口“设置 → 每天期数”保存的，
                  没有保存时为原来的期数）
  --first-draw HH:MM[:SS], --interval MINUTES
                  本彩种每天第一期的开奖时间（北京时间）和每期间隔的分钟数（默认为窗口“设置 → 开奖时间”保存的）
  --daily-limit Y 每日投注限额 Y 元（0 为不限；默认为窗口“设置 → 每日投注限额”保存的）：
                  今天（本机日期）各彩种已下单的投注加上新的一注或一个追号计划超过它时，不记下
  --help          显示本说明
  --version       显示版本

退出状态：
  0  命令完成；改变历史号码的命令已经保存了改变（之后的步骤，例如压缩数据库，
     没有成功时只在标准错误输出上警告，并说明改变已经保存）
  2  参数有误、输入读不出或命令没有完成，并说明原因；此时历史号码没有任何改变
)";

QString usageText()
{
    QString text = QString::fromUtf8(usageHead);
    for (const Command &command : commands)
        text += QStringLiteral("  ") + QString::fromUtf8(command.usage) + QLatin1Char('\n');
    return text + QString::fromUtf8(usageTail);
}

} // namespace

int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.contains(QStringLiteral("--help"))) {
        out << usageText();
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        out << QStringLiteral("vendrix-k3-cli %1\n").arg(QStringLiteral(VK3_VERSION));
        return 0;
    }
    try {
        // An option given twice is a mistake, whichever of the two was meant.
        for (qsizetype i = 0; i < arguments.size(); ++i)
            if (arguments[i].startsWith(QLatin1String("--")) && arguments.indexOf(arguments[i], i + 1) > i)
                throw UsageError{QStringLiteral("选项 %1 重复了").arg(arguments[i])};
        Arguments args(arguments);
        Context c;
        c.err = &err;
        c.folder = AppPaths::programFolder();
        while (!args.atEnd()) {
            const QString word = args.take();
            if (word == QLatin1String("--dir"))
                c.folder = args.valueOf(word);
            else if (word == QLatin1String("--game")) {
                c.game = int(wholeNumber(args.valueOf(word), word, 0, ProvinceTable::Count - 1));
                c.gameGiven = true;
            } else if (word == QLatin1String("--draws-per-day"))
                c.drawsPerDayGiven = int(wholeNumber(args.valueOf(word), word, 1, ProvinceTable::maxDrawsPerDay));
            else if (word == QLatin1String("--first-draw")) {
                const QString text = args.valueOf(word);
                QTime first = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
                if (!first.isValid())
                    first = QTime::fromString(text, QStringLiteral("HH:mm"));
                if (!first.isValid())
                    throw UsageError{QStringLiteral("--first-draw 应为 HH:MM 或 HH:MM:SS：%1").arg(text)};
                c.firstDrawGiven = QTime(first.hour(), first.minute()); // seconds dropped
            } else if (word == QLatin1String("--interval"))
                c.intervalGiven = int(wholeNumber(args.valueOf(word), word, 1, 120));
            else if (word == QLatin1String("--daily-limit"))
                c.dailyLimitGiven = wholeNumber(args.valueOf(word), word, 0, 1'000'000'000'000);
            else if (word == QLatin1String("--segment-base"))
                c.segmentBase = int(wholeNumber(args.valueOf(word), word, 0, 1));
            else if (const Command *command = commandNamed(word)) {
                c.chooseGame(command->anyGame);
                return command->run(c, args, out);
            } else
                throw UsageError{QStringLiteral("不认识的命令或选项：%1").arg(word)};
        }
        QStringList names;
        for (const Command &command : commands)
            names << QString::fromUtf8(command.name);
        throw UsageError{QStringLiteral("用法：vendrix-k3-cli [--dir DIR] [--game INDEX] [--segment-base 0|1] %1 …")
                             .arg(names.join(QLatin1Char('|')))};
    } catch (const UsageError &e) {
        err << "vendrix-k3-cli: " << e.message << '\n';
        return 2;
    }
}
