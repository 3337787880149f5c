#include "TrendOmission.h"

#include "FairDice.h"

// What the window and the command-line tool show of the trend and omission: the same words and
// cells in both.
namespace TrendOmission {

QString rangeText(const Omission &o)
{
    const QString note = FairDice::orderNote(o.order);
    return QStringLiteral("第 %1 期至第 %2 期，共 %3 期%4%5")
        .arg(o.from)
        .arg(o.to)
        .arg(o.draws)
        .arg(o.sorted ? QStringLiteral("（号码按从小到大存放：第1位是最小的骰子）") : QString(),
             note.isEmpty() ? QString() : QStringLiteral("；") + note);
}

QString fairDiceNote()
{
    return QStringLiteral("遗漏再久，下一期出现的机会也不会变大：公平的骰子每一期都与之前无关。");
}

QString independenceSentence(const Independence &i)
{
    return QStringLiteral("上一期的%1对下一期的%1：%2").arg(i.of, independenceLine(i));
}

QString independenceLine(const Independence &i)
{
    QString line = QStringLiteral("χ² = %1，自由度 %2，%3 —— %4")
                       .arg(i.chi2, 0, 'f', 2)
                       .arg(i.df)
                       .arg(FairDice::pText(i.p))
                       .arg(i.p < 0.05 ? QStringLiteral("有显著差异") : QStringLiteral("没有显著差异"));
    if (i.method == QLatin1String("simulation"))
        line += QStringLiteral("（部分格子的期望次数小于 5，p 由 %1 次模拟公平开奖得到）").arg(FairDice::simulationRuns);
    return line;
}

QStringList omissionHeader()
{
    return {QStringLiteral("分组"),     QStringLiteral("值"),       QStringLiteral("次数"),
            QStringLiteral("期望次数"), QStringLiteral("当前遗漏"), QStringLiteral("最大遗漏"),
            QStringLiteral("平均遗漏"), QStringLiteral("最大连出"), QStringLiteral("遗漏至今的机会"),
            QStringLiteral("奖金"),     QStringLiteral("每注回报")};
}

QStringList omissionCells(const ValueStats &v)
{
    return {v.value,
            QString::number(v.count),
            QString::number(v.expected, 'f', 2),
            QString::number(v.current),
            QString::number(v.longest),
            QString::number(v.meanGap, 'f', 2),
            QString::number(v.longestRun),
            QString::number(v.pCurrent * 100, 'f', 3) + QLatin1Char('%'),
            v.prize ? QString::number(*v.prize) : QString(),
            v.prize ? QString::number(v.fairReturn * 100, 'f', 1) + QLatin1Char('%') : QString()};
}

QStringList trendHeader()
{
    QStringList header{QStringLiteral("期号"), QStringLiteral("开奖号码"), QStringLiteral("和值"), QStringLiteral("形态"),
                       QStringLiteral("跨度")};
    for (int n = 1; n <= 6; ++n)
        header << QString::number(n);
    return header;
}

QStringList trendCells(const TrendRow &row)
{
    return {QString::number(row.issue),
            QStringLiteral("%1 %2 %3").arg(row.numbers[0]).arg(row.numbers[1]).arg(row.numbers[2]),
            QString::number(row.sum), row.form, QString::number(row.span)};
}

QStringList summaryLabels()
{
    return {QStringLiteral("出现次数"), QStringLiteral("平均遗漏"), QStringLiteral("最大遗漏"), QStringLiteral("最大连出")};
}

QStringList summaryCells(const ColumnSummary &c)
{
    return {QString::number(c.count), QString::number(c.meanGap, 'f', 2), QString::number(c.longestOmission),
            QString::number(c.longestRun)};
}

} // namespace TrendOmission
