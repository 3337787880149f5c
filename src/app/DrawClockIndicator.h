#pragma once

#include "AppServices.h"

#include <QObject>
#include <QSet>
#include <QTimer>

class HistoryCommands;
class QLabel;
class QStatusBar;

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
