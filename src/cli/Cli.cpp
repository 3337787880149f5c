#include "Cli.h"

#include "AppPaths.h"
#include "Backtest.h"
#include "CombinationSearch.h"
#include "Derivation.h"
#include "FairDice.h"
#include "FollowSearch.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "HistoryMaintenance.h"
#include "HistoryWriter.h"
#include "IssueNumbers.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"
#include "PatternRefresh.h"
#include "ProvinceTable.h"
#include "ResultGrids.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <deque>

namespace {

// Bad usage or bad input: reported on one line, exit status 2.
struct UsageError
{
    QString message;
};

// The window shows this issue before any draw is stored.
constexpr qint32 placeholderIssue = 2007001;

const QStringList kindNames{QStringLiteral("number"), QStringLiteral("size"), QStringLiteral("parity"),
                            QStringLiteral("segment")};

class Arguments
{
public:
    explicit Arguments(const QStringList &list)
        : m_rest(list.begin(), list.end())
    {}
    bool atEnd() const { return m_rest.empty(); }
    QString take()
    {
        QString front = m_rest.front();
        m_rest.pop_front();
        return front;
    }
    QString valueOf(const QString &option)
    {
        if (atEnd())
            throw UsageError{QStringLiteral("%1 后面缺少值").arg(option)};
        return take();
    }

private:
    std::deque<QString> m_rest;
};

qint64 wholeNumber(const QString &text, const QString &what, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        throw UsageError{
            QStringLiteral("%1 必须是 %2 到 %3 之间的整数：%4").arg(what).arg(low).arg(high).arg(text)};
    return value;
}

qint32 issueNumber(const QString &text, const QString &what)
{
    return qint32(wholeNumber(text, what, 1, std::numeric_limits<qint32>::max()));
}

int kindIndex(const QString &text, const QString &option)
{
    const qsizetype index = kindNames.indexOf(text);
    if (index < 0)
        throw UsageError{QStringLiteral("%1 只能是 number、size、parity 或 segment：%2").arg(option, text)};
    return int(index);
}

struct Context
{
    QString folder;
    int game = 0;
    int segmentBase = 1;
    QTextStream *err = nullptr;
    HistoryDb db;
    HistorySnapshot snapshot;

    // Opens the database and, unless `load` is false (writers read what they chain to inside
    // their own transaction), reads the history into memory.
    void open(bool load = true)
    {
        if (!QDir().mkpath(folder))
            throw UsageError{QStringLiteral("无法建立文件夹 %1").arg(folder)};
        const QString path = QDir(folder).filePath(HistoryDb::fileName());
        if (db.open(path) != HistoryDb::OpenStatus::Ok)
            throw UsageError{QStringLiteral("无法打开历史数据库 %1：%2").arg(path, db.userError())};
        if (load)
            reload();
    }
    void reload()
    {
        std::optional<HistorySnapshot> read = db.snapshot();
        if (!read)
            throw UsageError{QStringLiteral("无法读取历史号码：%1").arg(db.userError())};
        snapshot = std::move(*read);
    }

    // The issue the window's next-issue box shows.
    qint32 nextIssue() const
    {
        if (snapshot.isEmpty())
            return placeholderIssue;
        return IssueNumbers::next(snapshot.last().sqqh, ProvinceTable::at(game).drawsPerDay)
            .value_or(placeholderIssue);
    }
    // The issue that lines without their own issue take: the last issue + 1, as the window holds it.
    qint32 currentIssue() const { return snapshot.isEmpty() ? 0 : snapshot.last().qqh; }
};

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
    const auto reading = HistoryWriter::import(c.db, *content, 0, c.segmentBase, &error);
    if (!reading)
        throw UsageError{QStringLiteral("读入没有完成，历史号码没有改变：%1").arg(error)};
    c.db.recordGame(c.game, true);
    out << QStringLiteral("读入 %1 期，跳过 %2 行\n").arg(reading->draws.size()).arg(reading->skipped);
    // The first few reasons, so that a player can find the lines in the file.
    const size_t shown = std::min<size_t>(reading->notes.size(), 5);
    for (size_t i = 0; i < shown && c.err; ++i)
        *c.err << QStringLiteral("第 %1 行：%2\n").arg(reading->notes[i].line).arg(reading->notes[i].reason);
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
    c.open(false);
    const Numbers numbers{qint16(digits[0].digitValue()), qint16(digits[1].digitValue()),
                          qint16(digits[2].digitValue())};
    // The next issue is worked out inside the write, from the history as it is then.
    const auto row = HistoryWriter::addDraw(c.db, given, numbers, c.segmentBase,
                                            ProvinceTable::at(c.game).drawsPerDay, placeholderIssue);
    if (!row)
        throw UsageError{QStringLiteral("开奖号码没有保存，历史号码没有改变：%1").arg(c.db.userError())};
    c.db.recordGame(c.game, false);
    out << row->sqqh << ' ' << digits << '\n';
    return 0;
}

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
        days, c.segmentBase, c.db.storedGame().value_or(c.game) != c.game);
    if (!outcome.error.isEmpty())
        throw UsageError{QStringLiteral("在线更新没有完成，历史号码没有改变：%1").arg(outcome.error)};
    if (outcome.added > 0)
        c.db.recordGame(c.game, outcome.replaced);
    out << QStringLiteral("新增 %1 期\n").arg(outcome.added);
    return 0;
}

std::vector<TextDraw> storedDraws(const HistorySnapshot &snapshot)
{
    return HistoryMaintenance::allButLast(snapshot, 0);
}

enum class Mode { Search, Combo, Backtest };

// The options of search, combo and backtest: the window's option controls and pattern tabs.
struct SearchOptions
{
    SearchState state;
    Positions chosen{true, true, true};
    std::optional<std::array<qint16, 3>> typed;
    std::optional<QString> verifyIssue;
    bool beforeOnly = false;
    std::optional<qint32> from, to;
    int size = 0;
    bool sizeGiven = false;
    bool json = false;
    int top = 1;
};

SearchOptions parseSearchOptions(Context &c, Arguments &args, Mode mode)
{
    SearchOptions o;
    SearchState &state = o.state;
    state.DsIni = qint16(c.segmentBase);
    Positions &chosen = o.chosen;
    auto &typed = o.typed;
    auto &verifyIssue = o.verifyIssue;
    bool &beforeOnly = o.beforeOnly;
    auto &from = o.from;
    auto &to = o.to;
    const bool combination = mode == Mode::Combo;
    const bool patternSource = mode != Mode::Backtest;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--kind")) {
            state.intLei = qint16(kindIndex(args.valueOf(option), option));
        } else if (option == QLatin1String("--display")) {
            state.intXianshiLei = qint16(kindIndex(args.valueOf(option), option));
        } else if (option == QLatin1String("--fixed")) {
            state.bolZyw = false;
        } else if (option == QLatin1String("--back")) {
            state.bolSq = false;
            state.intPreQi = qint16(wholeNumber(args.valueOf(option), option, 1, 9));
        } else if (option == QLatin1String("--positions")) {
            const QString digits = args.valueOf(option);
            if (digits.contains(QRegularExpression(QStringLiteral("[^123]"))))
                throw UsageError{QStringLiteral("--positions 只能由数字 1、2、3 组成：%1").arg(digits)};
            for (int p = 0; p < 3; ++p)
                chosen[size_t(p)] = digits.contains(QChar(u'1' + p));
        } else if (patternSource && option == QLatin1String("--pattern")) {
            const QStringList parts = args.valueOf(option).split(QLatin1Char(','));
            if (parts.size() != 3)
                throw UsageError{QStringLiteral("--pattern 需要三个整数 A,B,C")};
            typed.emplace();
            for (int p = 0; p < 3; ++p)
                (*typed)[size_t(p)] = qint16(wholeNumber(parts[p].trimmed(), option, -32768, 32767));
        } else if (patternSource && option == QLatin1String("--verify")) {
            verifyIssue = args.valueOf(option);
            if (!PatternRefresh::predecessorIssue(*verifyIssue, ProvinceTable::at(c.game).drawsPerDay))
                throw UsageError{QStringLiteral("--verify 不是期号：%1").arg(*verifyIssue)};
        } else if (patternSource && option == QLatin1String("--before-only")) {
            beforeOnly = true;
        } else if (option == QLatin1String("--from")) {
            from = issueNumber(args.valueOf(option), option);
        } else if (option == QLatin1String("--to")) {
            to = issueNumber(args.valueOf(option), option);
        } else if (option == QLatin1String("--straight")) {
            state.bolZuxuan = false;
        } else if (option == QLatin1String("--tally-pos")) {
            state.intConsqSort = qint16(wholeNumber(args.valueOf(option), option, 1, 3));
        } else if (option == QLatin1String("--json")) {
            o.json = true;
        } else if (combination && option == QLatin1String("--size")) {
            o.size = int(wholeNumber(args.valueOf(option), option, -32768, 32767));
            o.sizeGiven = true;
        } else if (mode == Mode::Backtest && option == QLatin1String("--top")) {
            o.top = int(wholeNumber(args.valueOf(option), option, 1, 5));
        } else {
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(option)};
        }
    }
    if (combination && !o.sizeGiven)
        throw UsageError{QStringLiteral("combo 需要 --size K")};
    if (beforeOnly && !verifyIssue)
        throw UsageError{QStringLiteral("--before-only 只能和 --verify 一起使用")};
    if (mode == Mode::Backtest && o.top >= Backtest::listedCount(state))
        throw UsageError{
            QStringLiteral("--top 必须小于显示类型的取值个数 %1").arg(Backtest::listedCount(state))};
    return o;
}

SearchResult searchCommand(Context &c, SearchOptions &o, bool combination, QJsonObject &summary)
{
    SearchState &state = o.state;
    const Positions &chosen = o.chosen;
    const auto &typed = o.typed;
    const auto &verifyIssue = o.verifyIssue;
    const auto &from = o.from;
    const auto &to = o.to;
    const int size = o.size;
    const bool beforeOnly = o.beforeOnly;
    c.open();

    // The range and the pattern as the window's pattern tabs set them.
    const HistorySnapshot &snapshot = c.snapshot;
    std::optional<qint32> rangeEnd =
        snapshot.isEmpty() ? std::nullopt : std::optional<qint32>(snapshot.last().sqqh);
    if (verifyIssue) {
        const auto verification = PatternRefresh::verify(snapshot, state, *verifyIssue, beforeOnly,
                                                         ProvinceTable::at(c.game).drawsPerDay);
        if (!verification.pattern)
            throw UsageError{
                QStringLiteral("--verify：历史号码中没有 %1 期之前的开奖号码").arg(*verifyIssue)};
        state.intPattern = *verification.pattern;
        rangeEnd = verification.rangeEnd;
    } else if (typed) {
        state.bolManual = true;
        state.intPattern = *typed;
    } else if (const auto latest = PatternRefresh::latestPattern(snapshot, state)) {
        state.intPattern = *latest;
    }
    const IssueRange range{from ? from : PatternRefresh::rangeStart(snapshot, state.bolSq, state.intPreQi),
                           to ? to : rangeEnd};

    summary[QStringLiteral("pattern")] =
        QJsonArray{state.intPattern[0], state.intPattern[1], state.intPattern[2]};
    QJsonArray positions;
    for (int p = 1; p <= 3; ++p)
        if (combination || chosen[size_t(p - 1)])
            positions.append(p);
    summary[QStringLiteral("positions")] = positions;
    summary[QStringLiteral("from")] = range.from ? QJsonValue(*range.from) : QJsonValue();
    summary[QStringLiteral("to")] = range.to ? QJsonValue(*range.to) : QJsonValue();
    return combination ? CombinationSearch::run(c.snapshot, state, size, range)
                       : FollowSearch::run(c.snapshot, state, chosen, range);
}

QString jsonValue(const QJsonValue &value)
{
    // A one-element array serializes any value with JSON's own escaping; its brackets go.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString jsonText(const QString &text)
{
    return jsonValue(QJsonValue(text));
}

void writeGrid(const GridModel &grid, QTextStream &out)
{
    for (int r = 0; r < grid.rows(); ++r) {
        QStringList cells;
        for (int col = 0; col < grid.cols(); ++col)
            cells << grid.cellText(r, col);
        out << cells.join(QLatin1Char('\t')) << '\n';
    }
}

QString number(double value)
{
    return jsonValue(QJsonValue(value));
}

QString fairnessJson(const FairDice::Fairness &f)
{
    QStringList expected;
    for (double e : f.expected)
        expected << number(e);
    return QStringLiteral("{\"sorted\":%1,\"expected\":[%2],\"chi2\":%3,\"df\":%4,\"p\":%5,\"method\":%6}")
        .arg(f.sorted ? QStringLiteral("true") : QStringLiteral("false"), expected.join(QLatin1Char(',')),
             number(f.chi2))
        .arg(f.df)
        .arg(number(f.p), jsonText(f.method));
}

int search(Context &c, Arguments &args, bool combination, QTextStream &out)
{
    QJsonObject summary;
    SearchOptions options = parseSearchOptions(c, args, combination ? Mode::Combo : Mode::Search);
    const SearchResult result = searchCommand(c, options, combination, summary);
    // Both outputs are read off the grids the window would show.
    GridModel list, statistics;
    ResultGrids::fill(list, statistics, result);
    if (!options.json) {
        writeGrid(list, out);
        out << '\n';
        writeGrid(statistics, out);
        return 0;
    }
    // Written by hand to keep the documented key order.
    QStringList results;
    for (int r = 1; r < list.rows(); ++r)
        results << QStringLiteral("{\"issue\":%1,\"values\":[%2,%3,%4],\"before\":%5}")
                       .arg(list.cellText(r, 0), list.cellText(r, 1), list.cellText(r, 2),
                            list.cellText(r, 3), jsonText(list.cellText(r, 4)));
    QStringList tally;
    for (int r = 1; r < statistics.rows(); ++r)
        tally << QStringLiteral("{\"rank\":%1,\"value\":%2,\"count\":%3,\"percent\":%4}")
                     .arg(statistics.cellText(r, 0), jsonText(statistics.cellText(r, 1)),
                          statistics.cellText(r, 2), jsonText(statistics.cellText(r, 3)));
    out << QStringLiteral(
               "{\"pattern\":%1,\"positions\":%2,\"from\":%3,\"to\":%4,\"results\":[%5],\"tally\":[%6],"
               "\"fairness\":%7}\n")
               .arg(jsonValue(summary.value(QStringLiteral("pattern"))),
                    jsonValue(summary.value(QStringLiteral("positions"))),
                    jsonValue(summary.value(QStringLiteral("from"))),
                    jsonValue(summary.value(QStringLiteral("to"))), results.join(QLatin1Char(',')),
                    tally.join(QLatin1Char(',')),
                    fairnessJson(FairDice::of(result, options.state, FairDice::isSorted(c.snapshot))));
    return 0;
}

// The walk-forward backtest over the range (the whole history unless given).
int backtest(Context &c, Arguments &args, QTextStream &out)
{
    const SearchOptions o = parseSearchOptions(c, args, Mode::Backtest);
    c.open();
    if (c.snapshot.isEmpty())
        throw UsageError{QStringLiteral("历史号码是空的，无法回测")};
    const qint32 from = o.from.value_or(c.snapshot.first().sqqh), to = o.to.value_or(c.snapshot.last().sqqh);
    const Backtest::Summary s = *Backtest::run(c.snapshot, o.state, o.chosen, from, to, o.top);
    const int kind = o.state.intXianshiLei;
    auto picksText = [kind](const Backtest::Issue &issue, const QString &separator, bool quoted) {
        QStringList picks;
        for (qint16 v : issue.picks)
            picks << (quoted ? jsonText(ResultGrids::valueLabel(kind, v)) : ResultGrids::valueLabel(kind, v));
        return picks.join(separator);
    };
    if (!o.json) {
        out << Backtest::summaryText(s) << '\n' << Backtest::issueHeader().join(QLatin1Char('\t')) << '\n';
        for (const Backtest::Issue &i : s.issues)
            out << Backtest::issueCells(i, kind).join(QLatin1Char('\t')) << '\n';
        return 0;
    }
    out << QStringLiteral("{\"from\":%1,\"to\":%2,\"top\":%3,\"sorted\":%4,\"played\":%5,\"skipped\":%6,"
                          "\"hits\":%7,\"expected_hits\":%8,\"z\":%9,")
               .arg(from)
               .arg(to)
               .arg(s.top)
               .arg(s.sorted ? QStringLiteral("true") : QStringLiteral("false"))
               .arg(s.played)
               .arg(s.skipped)
               .arg(s.hits)
               .arg(number(s.expectedHits), number(s.z))
        << QStringLiteral("\"p\":%1,\"longest_miss_streak\":%2,\"issues\":[")
               .arg(number(s.p))
               .arg(s.longestMissStreak);
    for (size_t n = 0; n < s.issues.size(); ++n) {
        const Backtest::Issue &i = s.issues[n];
        out << (n ? "," : "")
            << QStringLiteral("{\"issue\":%1,\"pattern\":[%2,%3,%4],\"picks\":[%5],\"drawn\":[%6,%7,%8],"
                              "\"hit\":%9,")
                   .arg(i.issue)
                   .arg(i.pattern[0])
                   .arg(i.pattern[1])
                   .arg(i.pattern[2])
                   .arg(picksText(i, QStringLiteral(","), true))
                   .arg(i.drawn[0])
                   .arg(i.drawn[1])
                   .arg(i.drawn[2])
                   .arg(i.hit ? QStringLiteral("true") : QStringLiteral("false"))
            << QStringLiteral("\"p_hit\":%1}").arg(number(i.pHit));
    }
    out << "]}\n";
    return 0;
}

int runCommand(Context &c, const QString &command, Arguments &args, QTextStream &out)
{
    if (command == QLatin1String("import"))
        return importFile(c, args, out);
    if (command == QLatin1String("add"))
        return addDraw(c, args, out);
    if (command == QLatin1String("update"))
        return update(c, args, out);
    if (command == QLatin1String("search") || command == QLatin1String("combo"))
        return search(c, args, command == QLatin1String("combo"), out);
    if (command == QLatin1String("backtest"))
        return backtest(c, args, out);
    if (command == QLatin1String("delete-last"))
        return deleteLast(c, args, out);
    if (command == QLatin1String("keep-up-to"))
        return keepUpTo(c, args, out);
    if (!args.atEnd() && command != QLatin1String("export"))
        throw UsageError{QStringLiteral("%1 不接受选项：%2").arg(command, args.take())};
    if (command != QLatin1String("export"))
        c.open();
    if (command == QLatin1String("list")) {
        out << QString::fromLatin1(HistoryText::format(storedDraws(c.snapshot)).replace("\r\n", "\n"));
        return 0;
    }
    if (command == QLatin1String("next-issue")) {
        out << c.nextIssue() << '\n';
        return 0;
    }
    if (command == QLatin1String("compact")) {
        if (!c.db.compact())
            throw UsageError{
                QStringLiteral("压缩数据库没有成功，历史号码没有改变：%1").arg(c.db.userError())};
        return 0;
    }
    // export
    const QString file = args.valueOf(command);
    if (!args.atEnd())
        throw UsageError{QStringLiteral("export 只接受一个文件")};
    c.open();
    QString error;
    if (!HistoryText::writeFile(file, HistoryText::format(storedDraws(c.snapshot)), &error))
        throw UsageError{QStringLiteral("无法写入文件 %1：%2").arg(file, error)};
    return 0;
}

const char usage[] = R"(用法：vendrix-k3-cli [--dir DIR] [--game INDEX] [--segment-base 0|1] COMMAND [OPTIONS]
快3跟号分析的命令行工具：与窗口共用同一个历史号码文件夹和同样的分析。

命令：
  import FILE               用历史号码文本文件替换历史号码
  add DDD [--issue ISSUE]   录入一期开奖号码（三个 1~6 的数字）
  list                      列出历史号码
  next-issue                显示下一期期号
  export FILE               把历史号码写成文本文件
  delete-last [N]           删除最后 N 期（默认 1）
  keep-up-to ISSUE          删除 ISSUE 之后的各期
  compact                   检查并压缩历史数据库
  update [--host HOST] [--days N]
                            从开奖网页在线更新
  search [检索选项] [--pattern A,B,C] [--verify ISSUE [--before-only]]
                            跟号检索
  combo --size K [检索选项]  组合检索
  backtest [--from ISSUE] [--to ISSUE] [--top K] [检索选项]
                            跟号回测

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
  --game INDEX    彩种 0~14（默认 0，福建快3）
  --help          显示本说明
  --version       显示版本

参数有误时退出状态为 2，并说明原因；此时历史号码没有任何改变。
)";

} // namespace

int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    static const QStringList commands{
        QStringLiteral("import"),     QStringLiteral("add"),     QStringLiteral("list"),
        QStringLiteral("next-issue"), QStringLiteral("export"),  QStringLiteral("search"),
        QStringLiteral("combo"),      QStringLiteral("update"),  QStringLiteral("delete-last"),
        QStringLiteral("keep-up-to"), QStringLiteral("compact"), QStringLiteral("backtest")};
    if (arguments.contains(QStringLiteral("--help"))) {
        out << QString::fromUtf8(usage);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        out << QStringLiteral("vendrix-k3-cli %1\n").arg(QStringLiteral(VK3_VERSION));
        return 0;
    }
    try {
        Arguments args(arguments);
        Context c;
        c.err = &err;
        c.folder = AppPaths::programFolder();
        while (!args.atEnd()) {
            const QString word = args.take();
            if (word == QLatin1String("--dir"))
                c.folder = args.valueOf(word);
            else if (word == QLatin1String("--game"))
                c.game = int(wholeNumber(args.valueOf(word), word, 0, ProvinceTable::Count - 1));
            else if (word == QLatin1String("--segment-base"))
                c.segmentBase = int(wholeNumber(args.valueOf(word), word, 0, 1));
            else if (commands.contains(word))
                return runCommand(c, word, args, out);
            else
                throw UsageError{QStringLiteral("不认识的命令或选项：%1").arg(word)};
        }
        throw UsageError{
            QStringLiteral("用法：vendrix-k3-cli [--dir DIR] [--game INDEX] [--segment-base 0|1] "
                           "import|add|list|next-issue|export|update|search|combo|backtest|delete-last|keep-"
                           "up-to|compact …")};
    } catch (const UsageError &e) {
        err << "vendrix-k3-cli: " << e.message << '\n';
        return 2;
    }
}
