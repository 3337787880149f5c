#include "LishiColumns.h"

namespace LishiColumns {

namespace {
const char *const textStems[KindCount] = {"Hm", "Dx", "Ds", "Duan"};
}

QString perPosition(int position, int kind, const char *suffix)
{
    return QStringLiteral("L%1%2%3")
        .arg(position)
        .arg(QLatin1Char(kindLetters[kind]))
        .arg(QLatin1String(suffix));
}

QString previousText(int kind)
{
    return QStringLiteral("txtHisLst") + QLatin1String(textStems[kind]);
}

QString earlierText(int kind)
{
    return QStringLiteral("txtHisPreLst") + QLatin1String(textStems[kind]);
}

const QList<Column> &all()
{
    static const QList<Column> columns = [] {
        QList<Column> list{{QStringLiteral("SQQH"), "INTEGER"}, {QStringLiteral("QQH"), "INTEGER"}};
        for (const char *suffix : {"", "S", "P"})
            for (int p = 1; p <= PositionCount; ++p)
                for (int k = 0; k < KindCount; ++k)
                    list.append({perPosition(p, k, suffix), "INTEGER"});
        list.append({QStringLiteral("txtHisLst"), "TEXT"});
        for (int k = 0; k < KindCount; ++k)
            list.append({previousText(k), "TEXT"});
        list.append({QStringLiteral("txtHisPreLst"), "TEXT"});
        for (int k = 0; k < KindCount; ++k)
            list.append({earlierText(k), "TEXT"});
        list.append({QStringLiteral("intTh"), "INTEGER"});
        list.append({QStringLiteral("bolOk"), "INTEGER"});
        list.append({QStringLiteral("txtHisP6"), "TEXT"});
        list.append({QStringLiteral("strQQH"), "TEXT"});
        list.append({QStringLiteral("NF"), "INTEGER"});
        list.append({QStringLiteral("YF"), "INTEGER"});
        list.append({QStringLiteral("RQ"), "INTEGER"});
        return list;
    }();
    return columns;
}

} // namespace LishiColumns
