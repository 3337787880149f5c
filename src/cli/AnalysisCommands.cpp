// The analysis commands: search, combo and backtest, with the window's options.
#include "CliContext.h"

#include "Backtest.h"
#include "CombinationSearch.h"
#include "FairDice.h"
#include "FollowSearch.h"
#include "GridModel.h"
#include "PatternRefresh.h"
#include "ResultGrids.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <charconv>
#include <unordered_map>

namespace Cli {

namespace {

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
            if (!PatternRefresh::predecessorIssue(*verifyIssue, c.drawsPerDay()))
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
    if (o.from && o.to && *o.from > *o.to)
        throw UsageError{QStringLiteral("--from %1 在 --to %2 之后：起始期号不能大于结束期号").arg(*o.from).arg(*o.to)};
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
                                                         c.drawsPerDay());
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

void writeGrid(const GridModel &grid, QTextStream &out)
{
    for (int r = 0; r < grid.rows(); ++r) {
        QStringList cells;
        for (int col = 0; col < grid.cols(); ++col)
            cells << grid.cellText(r, col);
        out << cells.join(QLatin1Char('\t')) << '\n';
    }
}

QString fairnessJson(const FairDice::Fairness &f)
{
    QStringList expected;
    for (double e : f.expected)
        expected << jsonNumber(e);
    return QStringLiteral("{\"sorted\":%1,\"out_of_order\":%7,\"expected\":[%2],\"chi2\":%3,\"df\":%4,\"p\":%5,"
                          "\"method\":%6}")
        .arg(f.sorted ? QStringLiteral("true") : QStringLiteral("false"), expected.join(QLatin1Char(',')),
             jsonNumber(f.chi2))
        .arg(f.df)
        .arg(jsonNumber(f.p), jsonText(f.method))
        .arg(f.outOfOrder);
}

int runSearch(Context &c, Arguments &args, bool combination, QTextStream &out)
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
                    fairnessJson(FairDice::of(result, options.state, FairDice::orderOf(c.snapshot))));
    return 0;
}

} // namespace

int search(Context &c, Arguments &args, QTextStream &out)
{
    return runSearch(c, args, false, out);
}

int combo(Context &c, Arguments &args, QTextStream &out)
{
    return runSearch(c, args, true, out);
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
    // Hundreds of thousands of lines: written as bytes, each integer as digits, each label and
    // each distinct probability formatted once.
    QByteArray text;
    text.reserve(qsizetype(s.issues.size()) * (o.json ? 112 : 40) + 1024);
    const auto integer = [&text](qint64 value) {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    };
    std::unordered_map<qint16, QByteArray> labels;
    const auto label = [&](qint16 v) -> const QByteArray & {
        auto at = labels.find(v);
        if (at == labels.end())
            at = labels.emplace(v, o.json ? jsonText(ResultGrids::valueLabel(kind, v)).toUtf8()
                                           : ResultGrids::valueLabel(kind, v).toUtf8()).first;
        return at->second;
    };
    std::unordered_map<double, QByteArray> chances;
    const auto chance = [&](double p) -> const QByteArray & {
        auto at = chances.find(p);
        if (at == chances.end())
            at = chances.emplace(p, (o.json ? jsonNumber(p) : QString::number(p, 'f', 4)).toUtf8()).first;
        return at->second;
    };
    if (!o.json) {
        text += (Backtest::summaryText(s) + '\n' + Backtest::issueHeader().join(QLatin1Char('\t')) + '\n').toUtf8();
        const QByteArray hit = QStringLiteral("中").toUtf8(), miss = QStringLiteral("不中").toUtf8();
        for (const Backtest::Issue &i : s.issues) {
            integer(i.issue);
            text += '\t';
            for (int p = 0; p < 3; ++p) {
                integer(i.pattern[size_t(p)]);
                text += p < 2 ? ' ' : '\t';
            }
            for (size_t k = 0; k < i.picks.size(); ++k) {
                text += k ? " " : "";
                text += label(i.picks[k]);
            }
            text += '\t';
            for (qint16 n : i.drawn)
                integer(n);
            text += '\t';
            text += i.hit ? hit : miss;
            text += '\t';
            text += chance(i.pHit);
            text += '\n';
        }
    } else {
        text += QStringLiteral("{\"from\":%1,\"to\":%2,\"top\":%3,\"sorted\":%4,\"out_of_order\":%5,")
                    .arg(from)
                    .arg(to)
                    .arg(s.top)
                    .arg(s.sorted ? QStringLiteral("true") : QStringLiteral("false"))
                    .arg(s.order.outOfOrder)
                    .toUtf8();
        text += QStringLiteral("\"played\":%1,\"skipped\":%2,\"hits\":%3,\"expected_hits\":%4,\"z\":%5,")
                    .arg(s.played)
                    .arg(s.skipped)
                    .arg(s.hits)
                    .arg(jsonNumber(s.expectedHits), jsonNumber(s.z))
                    .toUtf8();
        text += QStringLiteral("\"p\":%1,\"longest_miss_streak\":%2,\"issues\":[")
                    .arg(jsonNumber(s.p))
                    .arg(s.longestMissStreak)
                    .toUtf8();
        for (size_t n = 0; n < s.issues.size(); ++n) {
            const Backtest::Issue &i = s.issues[n];
            text += n ? ",{\"issue\":" : "{\"issue\":";
            integer(i.issue);
            text += ",\"pattern\":[";
            for (int p = 0; p < 3; ++p) {
                integer(i.pattern[size_t(p)]);
                text += p < 2 ? "," : "],\"picks\":[";
            }
            for (size_t k = 0; k < i.picks.size(); ++k) {
                text += k ? "," : "";
                text += label(i.picks[k]);
            }
            text += "],\"drawn\":[";
            for (int p = 0; p < 3; ++p) {
                integer(i.drawn[size_t(p)]);
                text += p < 2 ? "," : "],\"hit\":";
            }
            text += i.hit ? "true,\"p_hit\":" : "false,\"p_hit\":";
            text += chance(i.pHit);
            text += '}';
        }
        text += "]}\n";
    }
    out.flush();
    if (out.device())
        out.device()->write(text);
    else
        out << QString::fromUtf8(text);
    return 0;
}

} // namespace Cli
