#pragma once

#include "DrawRecord.h"

#include <QString>
#include <QStringList>

// Column names of the history table Lishi.
namespace LishiColumns {

inline const char kindLetters[KindCount] = {'A', 'B', 'E', 'F'};

// "L" + position (1..3) + kind letter + suffix ("", "S" or "P"): L1A, L2BS, L3FP.
QString perPosition(int position, int kind, const char *suffix = "");

// The previous-draw occurrence text column of a kind (txtHisLstHm …) and its N-back twin.
QString previousText(int kind);
QString earlierText(int kind);

// Every column of Lishi with its SQL type, in table order.
struct Column
{
    QString name;
    const char *type;
};
const QList<Column> &all();

} // namespace LishiColumns
