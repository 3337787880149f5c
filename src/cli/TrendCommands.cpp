// The trend and omission commands: what results sites show, with what fair dice say of it.
#include "CliContext.h"

#include "TrendOmission.h"

#include <cmath>

namespace Cli {

namespace {

// Columns on a terminal: Chinese characters take two cells.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 && c.unicode() != 0x2022 && c.unicode() != 0x25CF ? 2 : 1;
    return width;
}

} // namespace

QString alignedTable(const QList<QStringList> &rows)
{
    std::vector<int> widths;
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (size_t(c) >= widths.size())
                widths.push_back(0);
            widths[size_t(c)] = std::max(widths[size_t(c)], displayWidth(row[c]));
        }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += QString(widths[size_t(c)] - displayWidth(row[c]) + 2, QLatin1Char(' '));
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

namespace {

struct RangeOptions
{
    std::optional<int> last;
    std::optional<qint32> from, to;
    bool json = false;
};

RangeOptions parseRange(Context &c, Arguments &args, bool issues)
{
    RangeOptions o;
    while (!args.atEnd()) {
        const QString option = args.take();
        if (option == QLatin1String("--last"))
            o.last = int(wholeNumber(args.valueOf(option), option, 1, std::numeric_limits<int>::max()));
        else if (issues && option == QLatin1String("--from"))
            o.from = issueNumber(args.valueOf(option), option);
        else if (issues && option == QLatin1String("--to"))
            o.to = issueNumber(args.valueOf(option), option);
        else if (option == QLatin1String("--json"))
            o.json = true;
        else if (issues && option == QLatin1String("--prizes"))
            c.prizesFile = args.valueOf(option);
        else
            throw UsageError{QStringLiteral("不认识的选项：%1").arg(option)};
    }
    if (o.last && (o.from || o.to))
        throw UsageError{QStringLiteral("--last 不能和 --from、--to 一起使用")};
    if (o.from && o.to && *o.from > *o.to)
        throw UsageError{QStringLiteral("--from %1 在 --to %2 之后：起始期号不能大于结束期号").arg(*o.from).arg(*o.to)};
    return o;
}

} // namespace

int omission(Context &c, Arguments &args, QTextStream &out)
{
    const RangeOptions o = parseRange(c, args, true);
    c.open();
    const HistorySnapshot &h = c.snapshot;
    if (h.isEmpty())
        throw UsageError{QStringLiteral("历史号码是空的，没有可以统计的开奖号码")};
    int begin = 0, end = h.count();
    if (o.last) {
        begin = std::max(0, end - *o.last);
    } else {
        begin = o.from ? h.lowerBound(*o.from) : 0;
        end = o.to ? h.upperBound(*o.to) : end;
    }
    if (begin >= end)
        throw UsageError{QStringLiteral("第 %1 期到第 %2 期之间没有历史号码")
                             .arg(o.from ? QString::number(*o.from) : QStringLiteral("…"),
                                  o.to ? QString::number(*o.to) : QStringLiteral("…"))};
    TrendOmission::Omission result = TrendOmission::omission(h, begin, end);
    const Plays::PrizeTable prizes = c.prizes();
    TrendOmission::addPrizes(result, prizes);
    if (!o.json) {
        QList<QStringList> rows{TrendOmission::omissionHeader()};
        for (const TrendOmission::Group &g : result.groups)
            for (const TrendOmission::ValueStats &v : g.values)
                rows << (QStringList{g.name} + TrendOmission::omissionCells(v));
        QString text = TrendOmission::rangeText(result) + QStringLiteral("\n\n") + alignedTable(rows);
        text += QLatin1Char('\n') + TrendOmission::fairDiceNote() + QLatin1Char('\n') +
                TrendOmission::prizeNote(prizes) + QLatin1Char('\n');
        for (const TrendOmission::Independence &i : result.independence)
            text += TrendOmission::independenceSentence(i) + QLatin1Char('\n');
        out << text;
        return 0;
    }
    QString json = QStringLiteral("{\"from\":%1,\"to\":%2,\"draws\":%3,\"sorted\":%4,\"out_of_order\":%5,\"groups\":[")
                       .arg(result.from)
                       .arg(result.to)
                       .arg(result.draws)
                       .arg(result.sorted ? QStringLiteral("true") : QStringLiteral("false"))
                       .arg(result.order.outOfOrder);
    for (size_t g = 0; g < result.groups.size(); ++g) {
        const TrendOmission::Group &group = result.groups[g];
        json += QStringLiteral("%1{\"group\":%2,\"values\":[").arg(g ? QStringLiteral(",") : QString(), jsonText(group.name));
        for (size_t n = 0; n < group.values.size(); ++n) {
            const TrendOmission::ValueStats &v = group.values[n];
            json += QStringLiteral("%1{\"value\":%2,\"count\":%3,\"expected\":%4,\"current\":%5,\"longest\":%6,"
                                   "\"mean_gap\":%7,\"longest_run\":%8,\"p_current\":%9}")
                        .arg(n ? QStringLiteral(",") : QString(), jsonText(v.value))
                        .arg(v.count)
                        .arg(jsonNumber(v.expected))
                        .arg(v.current)
                        .arg(v.longest)
                        .arg(jsonNumber(v.meanGap))
                        .arg(v.longestRun)
                        .arg(jsonNumber(v.pCurrent));
            // The values that are plays: what one bet wins and returns for fair dice.
            if (v.prize)
                json.insert(json.size() - 1, QStringLiteral(",\"prize\":%1,\"return\":%2")
                                                 .arg(*v.prize)
                                                 .arg(jsonNumber(std::round(v.fairReturn * 10000) / 10000)));
        }
        json += QStringLiteral("]}");
    }
    json += QStringLiteral("],\"independence\":[");
    for (size_t t = 0; t < result.independence.size(); ++t) {
        const TrendOmission::Independence &i = result.independence[t];
        QStringList classes, table;
        for (const QString &name : i.classes)
            classes << jsonText(name);
        for (const auto &row : i.table)
            table << QStringLiteral("[%1,%2,%3,%4]").arg(row[0]).arg(row[1]).arg(row[2]).arg(row[3]);
        json += QStringLiteral("%1{\"of\":%2,\"classes\":[%3],\"table\":[%4],\"chi2\":%5,\"df\":%6,\"p\":%7,\"method\":%8}")
                    .arg(t ? QStringLiteral(",") : QString(), jsonText(i.of), classes.join(QLatin1Char(',')),
                         table.join(QLatin1Char(',')), jsonNumber(i.chi2))
                    .arg(i.df)
                    .arg(jsonNumber(i.p), jsonText(i.method));
    }
    json += QStringLiteral("]}\n");
    out << json;
    return 0;
}

int trend(Context &c, Arguments &args, QTextStream &out)
{
    const RangeOptions o = parseRange(c, args, false);
    c.open();
    if (c.snapshot.isEmpty())
        throw UsageError{QStringLiteral("历史号码是空的，没有可以显示的走势")};
    const std::vector<TrendOmission::TrendRow> rows = TrendOmission::trend(c.snapshot, o.last.value_or(30));
    if (!o.json) {
        QList<QStringList> table{TrendOmission::trendHeader()};
        for (const TrendOmission::TrendRow &row : rows) {
            QStringList cells = TrendOmission::trendCells(row);
            // Without colours a drawn number is a dot, with its count when it came more than once.
            for (size_t k = 0; k < 6; ++k)
                cells << (row.hits[k] == 0  ? QString::number(row.omission[k])
                          : row.hits[k] == 1 ? QStringLiteral("●")
                                             : QStringLiteral("●%1").arg(row.hits[k]));
            table << cells;
        }
        const auto summary = TrendOmission::summarize(rows);
        const QStringList labels = TrendOmission::summaryLabels();
        for (qsizetype l = 0; l < labels.size(); ++l) {
            QStringList cells{labels[l], QString(), QString(), QString(), QString()};
            for (const TrendOmission::ColumnSummary &column : summary)
                cells << TrendOmission::summaryCells(column)[l];
            table << cells;
        }
        out << alignedTable(table);
        return 0;
    }
    QStringList items;
    for (const TrendOmission::TrendRow &row : rows) {
        QStringList omission;
        for (size_t k = 0; k < 6; ++k)
            omission << QStringLiteral("\"%1\":%2").arg(k + 1).arg(row.omission[k]);
        items << QStringLiteral("{\"issue\":%1,\"numbers\":[%2,%3,%4],\"sum\":%5,\"form\":%6,\"span\":%7,\"omission\":{%8}}")
                     .arg(row.issue)
                     .arg(row.numbers[0])
                     .arg(row.numbers[1])
                     .arg(row.numbers[2])
                     .arg(row.sum)
                     .arg(jsonText(row.form))
                     .arg(row.span)
                     .arg(omission.join(QLatin1Char(',')));
    }
    out << QLatin1Char('[') + items.join(QLatin1Char(',')) + QStringLiteral("]\n");
    return 0;
}

} // namespace Cli
