#pragma once

#include "GridModel.h"
#include "Ledger.h"
#include "ProvinceTable.h"

#include <QStringList>
#include <vector>

// The 投注记录 table's columns and rows, shared by the window and its export.
namespace BetRowsText {

inline const QStringList header{QStringLiteral("编号"), QStringLiteral("期号"), QStringLiteral("玩法"), QStringLiteral("号码"),
                         QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("状态"), QStringLiteral("奖金"),
                         QStringLiteral("追号")};

inline QStringList cells(const Ledger::Settled &s)
{
    return {QString::number(s.bet.id),       QString::number(s.bet.issue), Plays::name(s.bet.choice.play),
            s.bet.choice.numbers,            QString::number(s.bet.multiple), QString::number(s.cost()),
            Ledger::stateName(s.state),      QString::number(s.prize),
            s.bet.plan ? QString::number(*s.bet.plan) : QString()};
}

// 全部彩种 puts each bet's game first.
inline QStringList headerOf(bool allGames)
{
    return allGames ? QStringList{QStringLiteral("彩种")} + header : header;
}

// The bets as the table shows them, formatted when in view; with `games`, each one's game first.
class BetRows : public GridRows
{
public:
    BetRows(const std::vector<Ledger::Settled> &bets, const std::vector<int> *games)
        : m_bets(bets)
        , m_games(games)
    {}
    int count() const override { return int(m_bets.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        if (!m_games)
            return cells(m_bets[size_t(row)]).value(col);
        return col == 0 ? ProvinceTable::at((*m_games)[size_t(row)]).caption : cells(m_bets[size_t(row)]).value(col - 1);
    }

private:
    const std::vector<Ledger::Settled> &m_bets;
    const std::vector<int> *m_games;
};

} // namespace BetRowsText
