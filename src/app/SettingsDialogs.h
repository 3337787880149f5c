#pragma once

#include "Plays.h"
#include "ProvinceTable.h"

#include <QDialog>
#include <array>

class QSpinBox;

// 设置 → 奖金表…: the prize of one bet for each sum and each other play, as the province pays
// it; its table is what 确定 accepts.
class PrizeTableDialog : public QDialog
{
    Q_OBJECT
public:
    PrizeTableDialog(const Plays::PrizeTable &current, QWidget *parent = nullptr);
    Plays::PrizeTable table() const;

private:
    void show(const Plays::PrizeTable &table);

    std::array<QSpinBox *, 19> m_sums{};
    std::array<QSpinBox *, Plays::playCount> m_plays{};
};

// 设置 → 每天期数…: each game's draws a day as it is drawn today (1..120).
class DrawsPerDayDialog : public QDialog
{
    Q_OBJECT
public:
    DrawsPerDayDialog(const std::array<int, ProvinceTable::Count> &current, QWidget *parent = nullptr);
    std::array<int, ProvinceTable::Count> perDay() const;

private:
    std::array<QSpinBox *, ProvinceTable::Count> m_games{};
};
