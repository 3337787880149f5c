#include "ResultGrids.h"

#include "DrawRecord.h"
#include "GridModel.h"
#include "PatternRefresh.h"

#include <QStringList>

namespace ResultGrids {

QString percentText(qint64 count, qint64 total)
{
    if (total <= 0 || count < 0)
        return {};
    // In thousandths of a percent, from the integers: no binary fraction to round wrongly.
    const qint64 thousandths = (count * 200000 + total) / (2 * total);
    return QStringLiteral("%1.%2%").arg(thousandths / 1000).arg(thousandths % 1000, 3, 10, QLatin1Char('0'));
}

QString valueLabel(int kind, qint16 value)
{
    if (kind == KindB && (value == 0 || value == 1))
        return value ? QStringLiteral("大") : QStringLiteral("小");
    if (kind == KindE && (value == 0 || value == 1))
        return value ? QStringLiteral("单") : QStringLiteral("双");
    return QString::number(value);
}

QString optionsText(const SearchState &state, const Positions &chosen)
{
    QStringList positions;
    for (int p = 1; p <= 3; ++p)
        if (chosen[size_t(p - 1)])
            positions << QString::number(p);
    const QString tally = state.bolZuxuan ? QStringLiteral("组选第1~%1位").arg(state.intConsqSort)
                                          : QStringLiteral("直选第%1位").arg(state.intConsqSort);
    return QStringLiteral("检索%1，显示%2，%3，%4，%5，%6")
        .arg(PatternRefresh::kindName(state.intLei), PatternRefresh::kindName(state.intXianshiLei),
             state.bolZyw ? QStringLiteral("自由位") : QStringLiteral("固定位"),
             state.bolSq ? QStringLiteral("上期") : QStringLiteral("前%1期").arg(state.intPreQi),
             positions.isEmpty() ? QStringLiteral("不限位置")
                                 : QStringLiteral("第%1位").arg(positions.join(QStringLiteral("、"))),
             tally);
}

QList<QPair<QString, QString>> conditions(const SearchState &state, const Positions &chosen, const IssueRange &range,
                                          int combinationSize, const SearchResult &result)
{
    QStringList pattern;
    for (qint16 value : state.intPattern)
        pattern << PatternRefresh::valueText(state.intLei, value);
    const auto bound = [](std::optional<qint32> issue) { return issue ? QString::number(*issue) : QString(); };
    return {
        {QStringLiteral("检索方式"), combinationSize > 0 ? QStringLiteral("组合检索（%1位）").arg(combinationSize)
                                                       : QStringLiteral("检索")},
        {QStringLiteral("检索条件"), optionsText(state, chosen)},
        {QStringLiteral("模式"), pattern.join(QLatin1Char(' '))},
        {QStringLiteral("模式来源"), state.bolManual ? QStringLiteral("手动输入") : QStringLiteral("历史号码")},
        {QStringLiteral("起始期号"), bound(range.from)},
        {QStringLiteral("结束期号"), bound(range.to)},
        {QStringLiteral("找到期数"), QString::number(result.rows.size())},
        {QStringLiteral("统计号码数"), QString::number(result.total)},
    };
}

namespace {

// The result list's rows, formatted when they come into view.
class ResultRows : public GridRows
{
public:
    explicit ResultRows(std::shared_ptr<const SearchResult> result)
        : m_result(std::move(result))
    {}
    int count() const override { return int(m_result->rows.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        const ResultRow &r = m_result->rows[size_t(row)];
        if (col == 0)
            return QString::number(r.sqqh);
        if (col >= 1 && col <= 3)
            return QString::number(r.values[size_t(col - 1)]);
        return col == 4 ? QString::fromLatin1(r.followedText()) : QString();
    }

private:
    std::shared_ptr<const SearchResult> m_result;
};

} // namespace

void fillList(GridModel &list, std::shared_ptr<const SearchResult> result)
{
    list.setVisible(false);
    list.setCols(5);
    list.setRows(1);
    list.setCellText(0, 0, QStringLiteral("期号"));
    list.setColWidth(0, 1200);
    for (int p = 1; p <= 3; ++p) {
        list.setCellText(0, p, QStringLiteral("第%1位").arg(p));
        list.setColWidth(p, 680);
    }
    list.setCellText(0, 4, result->bolSq ? QStringLiteral("上期开奖") : QStringLiteral("前期开奖"));
    list.setColWidth(4, 1800);
    list.setRowSource(std::make_shared<ResultRows>(std::move(result)));
    list.setRow(list.rows() - 1);
    list.setVisible(true);
}

void fillStatistics(GridModel &statistics, const SearchResult &result, const FairDice::Fairness *fairness)
{
    statistics.setVisible(false);
    statistics.setRows(int(result.tally.size()) + 1);
    const int cols = fairness ? 5 : 4;
    statistics.setCols(cols);
    const QString header[] = {QStringLiteral("序号"), QStringLiteral("结果"), QStringLiteral("出现次数"),
                              QStringLiteral("百分比"), QStringLiteral("期望次数")};
    for (int c = 0; c < cols; ++c)
        statistics.setCellText(0, c, header[c]);
    if (fairness) {
        statistics.setColWidth(4, 880);
        for (int i = 0; i < int(fairness->expected.size()) && i < int(result.tally.size()); ++i)
            statistics.setCellText(i + 1, 4, QString::number(fairness->expected[size_t(i)], 'f', 1));
    }
    for (int i = 0; i < int(result.tally.size()); ++i) {
        const TallyLine &line = result.tally[size_t(i)];
        statistics.setCellNumber(i + 1, 0, i + 1);
        statistics.setCellText(i + 1, 1, valueLabel(result.displayKind, line.value));
        statistics.setCellNumber(i + 1, 2, line.count);
        statistics.setCellText(i + 1, 3, percentText(line.count, result.total));
    }
    statistics.setRow(int(result.tally.size()));
    statistics.setVisible(true);
}

void fill(GridModel &list, GridModel &statistics, const SearchResult &result,
          const FairDice::Fairness *fairness)
{
    fill(list, statistics, std::make_shared<const SearchResult>(result), fairness);
}

void fill(GridModel &list, GridModel &statistics, std::shared_ptr<const SearchResult> result,
          const FairDice::Fairness *fairness)
{
    fillStatistics(statistics, *result, fairness);
    fillList(list, std::move(result));
}

QString verifiedLine(const SearchResult &result, const SearchState &state, qint32 issue, const Numbers &drawn,
                     std::vector<int> *rows)
{
    const auto [start, end] = FairDice::tallyPositions(state);
    QStringList places;
    std::vector<qint16> seen;
    for (int q = start; q <= end; ++q) {
        const qint16 value = FairDice::valueOf(state.intXianshiLei, drawn[size_t(q - 1)], state.DsIni);
        if (std::find(seen.begin(), seen.end(), value) != seen.end())
            continue;
        seen.push_back(value);
        const auto line = std::find_if(result.tally.begin(), result.tally.end(),
                                       [value](const TallyLine &l) { return l.value == value; });
        const QString label = valueLabel(result.displayKind, value);
        const QString what = start == end ? QStringLiteral("第%1位 %2").arg(q).arg(label) : label;
        if (line == result.tally.end()) {
            places << QStringLiteral("%1 不在统计中").arg(what);
            continue;
        }
        const int rank = int(line - result.tally.begin()) + 1;
        if (rows)
            rows->push_back(rank);
        places << QStringLiteral("%1 在统计中排第 %2").arg(what).arg(rank);
    }
    return QStringLiteral("%1 期开出 %2 %3 %4：%5")
        .arg(issue)
        .arg(drawn[0])
        .arg(drawn[1])
        .arg(drawn[2])
        .arg(places.join(QStringLiteral("，")));
}

} // namespace ResultGrids
