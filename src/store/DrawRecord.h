#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// Classification kinds in column-letter order: 号码 A, 大小 B, 单双 E, 段数 F.
enum Kind : int { KindA = 0, KindB = 1, KindE = 2, KindF = 3 };
constexpr int KindCount = 4;
constexpr int PositionCount = 3;

// The four classifications of one number, indexed by Kind.
using Classes = std::array<qint16, KindCount>;
// The classifications at positions 1..3 (index 0..2).
using DrawValues = std::array<Classes, PositionCount>;
using Numbers = std::array<qint16, PositionCount>;

// What the ordered snapshot keeps of a row: enough to show it and to derive the next one.
struct DrawCore
{
    qint32 sqqh = 0;
    qint32 qqh = 0;
    DrawValues value{}; // L<p><k>
    DrawValues prev{};  // L<p><k>S

    Numbers numbers() const { return {value[0][KindA], value[1][KindA], value[2][KindA]}; }
};

// The texts of an earlier draw (the txtHisPreLst group); only the rebuild writes them at insertion.
struct EarlierTexts
{
    QString digits;
    std::array<QString, KindCount> occurrence;
};

// One complete row of Lishi as a writer appends it.
struct DrawRecord : DrawCore
{
    DrawValues prevPrev{}; // L<p><k>P
    QString txtHisLst;
    std::array<QString, KindCount> occurrence; // txtHisLstHm, txtHisLstDx, txtHisLstDs, txtHisLstDuan
    std::optional<EarlierTexts> earlier;
};
