#pragma once

#include <QtGlobal>
#include <array>

// The options that steer the follow searches, as the option controls set them.
struct SearchState
{
    bool bolZyw = true;       // 自由位 (free positions) / 固定位
    bool bolSq = true;        // 上期 / 前N期
    qint16 intPreQi = 2;      // N of 前N期
    qint16 intLei = 0;        // search kind 0..3
    qint16 intXianshiLei = 0; // display kind 0..3
    qint16 intConsqSort = 3;  // tally position 1..3
    bool bolZuxuan = true;    // 组选 / 直选
    std::array<qint16, 3> intPattern{};
    bool bolManual = false; // pattern typed on tab 2
    qint16 DsIni = 1;       // segment base
};
