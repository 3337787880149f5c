#pragma once

#include "AppServices.h"
#include "ChasePlan.h"

#include <QDialog>
#include <optional>

class GridModel;
class HistoryCommands;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// 投注记录 → 追号…: a chase plan of the selected game made from its inputs as they change, with
// the worst case, the chance of losing every issue and the fair-dice average on top, its rows in
// a grid, spent so far against net-if-win in a small chart, and 下单 to place it in the ledger.
class ChaseDialog : public QDialog
{
    Q_OBJECT
public:
    // `play`, `numbers` and `issue` start as the ledger's form holds them.
    ChaseDialog(HistoryCommands *commands, const AppServices &services, int play, const QString &numbers,
                const QString &issue, QWidget *parent = nullptr);

    // The plan the inputs make now; nothing (the dialog says why) when they make none.
    const std::optional<Chase::Plan> &plan() const { return m_plan; }
    // 下单: stores the plan's bets (all or nothing); false, said in the dialog, when refused.
    bool place();

signals:
    // 下单 stored the plan `plan`: `issues` bets costing at most `worstCase` 元.
    void placed(qint64 plan, int issues, qint64 worstCase);

private:
    void remake();
    std::optional<Chase::Request> request(QString *why) const;

    HistoryCommands *m_commands;
    AppServices m_services;
    std::optional<Chase::Plan> m_plan;
    QComboBox *m_play;
    QLineEdit *m_numbers;
    QLineEdit *m_first;
    QSpinBox *m_issues;
    QSpinBox *m_multiple;
    QComboBox *m_rule;
    QSpinBox *m_rate;
    QSpinBox *m_maxMultiple;
    QSpinBox *m_budget;
    QCheckBox *m_keep;
    QLabel *m_honest;
    GridModel *m_grid;
    QChartView *m_chart;
    QPushButton *m_place;
};
