#include "ProvinceTable.h"

#include <QStringList>

namespace ProvinceTable {

const std::array<Province, Count> &all()
{
    // 江西快3 has its own code: sharing 江苏快3's "js" would fetch the wrong game's results.
    static const std::array<Province, Count> table{{
        {QStringLiteral("福建快3"), QStringLiteral("fj"), 78},
        {QStringLiteral("广西快3"), QStringLiteral("gx"), 78},
        {QStringLiteral("上海快3"), QStringLiteral("sh"), 82},
        {QStringLiteral("江苏快3"), QStringLiteral("js"), 82},
        {QStringLiteral("安徽快3"), QStringLiteral("ah"), 80},
        {QStringLiteral("江西快3"), QStringLiteral("jx"), 84},
        {QStringLiteral("湖北快3"), QStringLiteral("hb"), 78},
        {QStringLiteral("贵州快3"), QStringLiteral("gz"), 78},
        {QStringLiteral("吉林快3"), QStringLiteral("jl"), 87},
        {QStringLiteral("北京快3"), QStringLiteral("bj"), 78},
        {QStringLiteral("河北快3"), QStringLiteral("heb"), 81},
        {QStringLiteral("河南快3"), QStringLiteral("hen"), 84},
        {QStringLiteral("甘肃快3"), QStringLiteral("gs"), 78},
        {QStringLiteral("青海快3"), QStringLiteral("qh"), 78},
        {QStringLiteral("内蒙快3"), QStringLiteral("nmg"), 73},
    }};
    return table;
}

const Province &at(int index)
{
    return index >= 0 && index < Count ? all()[size_t(index)] : all()[0];
}

std::array<int, Count> drawsPerDayFrom(const QString &saved)
{
    std::array<int, Count> perDay{};
    const QStringList numbers = saved.split(QLatin1Char(','));
    for (int i = 0; i < Count; ++i) {
        bool ok = false;
        const int n = numbers.value(i).trimmed().toInt(&ok);
        perDay[size_t(i)] = ok && n >= 1 && n <= maxDrawsPerDay ? n : all()[size_t(i)].drawsPerDay;
    }
    return perDay;
}

QString drawsPerDayText(const std::array<int, Count> &perDay)
{
    QStringList numbers;
    for (int n : perDay)
        numbers << QString::number(n);
    return numbers.join(QLatin1Char(','));
}

} // namespace ProvinceTable
