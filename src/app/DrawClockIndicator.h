#pragma once

#include "AppServices.h"
#include "DrawClock.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QTimer>

class HistoryCommands;
class HistoryDb;
class QLabel;
class QStatusBar;

// The game's schedule: the one set in 设置 → 开奖时间…, else the one its stored draw times give.
std::optional<DrawClock::Schedule> gameSchedule(int game, HistoryDb &db);

// The issue awaited after the stored `lastStored` and when it is due; nothing while the schedule
// is unknown.
struct NextDraw
{
    qint32 issue = 0;
    QDateTime due;
};
std::optional<NextDraw> nextDraw(int game, int drawsPerDay, HistoryDb &db, qint32 lastStored);

// The draw clock at the status bar's right: "下一期 261209026 约 17:10 开奖（还有 12 分）", or
// "261209026 期应在 17:10 开奖，已晚 8 分钟（来源可能未更新）" when the draw is late and not stored.
// Nothing when the selected game's schedule is unknown, except once per game how to set it.
class DrawClockIndicator : public QObject
{
    Q_OBJECT
public:
    DrawClockIndicator(const AppServices &services, HistoryCommands &commands, QObject *parent = nullptr);

    void showIn(QStatusBar *bar);
    // Says it again as the history and the clock are now.
    void refresh();
    QLabel *label() const { return m_label; }

private:
    AppServices m_services;
    HistoryCommands &m_commands;
    QLabel *m_label;
    QTimer m_tick;
    QTimer m_hintOver;
    QSet<int> m_hinted; // games whose unknown schedule was told once
};
