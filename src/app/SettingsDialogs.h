#pragma once

#include "DrawClock.h"
#include "Plays.h"
#include "ProvinceTable.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTimeEdit;

// 设置 → 奖金表…: for each game, the prize of one bet for each sum and each other play as its
// province pays it, or "same as national"; what 确定 accepts is every game's choice.
class PrizeTableDialog : public QDialog
{
    Q_OBJECT
public:
    using Tables = std::array<std::optional<Plays::PrizeTable>, ProvinceTable::Count>;
    // `current`: each game's own table (none: national); `game` is shown first.
    PrizeTableDialog(const Tables &current, int game, QWidget *parent = nullptr);
    Tables tables() const;

private:
    void showGame(int game);
    void show(const Plays::PrizeTable &table);
    std::optional<Plays::PrizeTable> shown() const;

    Tables m_tables;
    int m_game = 0;
    QComboBox *m_games = nullptr;
    QCheckBox *m_national = nullptr;
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

// 设置 → 开奖时间…: each game's first draw of the day (Beijing time) and minutes between draws, or
// unknown (nothing is invented).
class ScheduleDialog : public QDialog
{
    Q_OBJECT
public:
    using Schedules = std::array<std::optional<DrawClock::Schedule>, ProvinceTable::Count>;
    ScheduleDialog(const Schedules &current, QWidget *parent = nullptr);
    Schedules schedules() const;

private:
    std::array<QCheckBox *, ProvinceTable::Count> m_known{};
    std::array<QTimeEdit *, ProvinceTable::Count> m_first{};
    std::array<QSpinBox *, ProvinceTable::Count> m_interval{};
};
