#include "HistoryGrid.h"

#include "DrawRecord.h"
#include "GridModel.h"
#include "HistorySnapshot.h"

namespace HistoryGrid {

namespace {

class HistoryRows : public GridRows
{
public:
    int count() const override { return int(m_issues.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        return col == 0 ? QString::number(m_issues[size_t(row)])
                        : QString::number(m_numbers[size_t(row)][size_t(col - 1)]);
    }
    void add(qint32 issue, const Numbers &numbers)
    {
        m_issues.push_back(issue);
        m_numbers.push_back(numbers);
    }
    void reserve(size_t n)
    {
        m_issues.reserve(n);
        m_numbers.reserve(n);
    }

private:
    std::vector<qint32> m_issues;
    std::vector<Numbers> m_numbers;
};

void scrollToLatest(GridModel &grid)
{
    grid.setRow(grid.rows() - 1);
    if (grid.rows() - 1 > ScrollAfterDraws)
        grid.setTopRow(grid.rows() - 1);
}

} // namespace

void fill(GridModel &grid, const HistorySnapshot &snapshot)
{
    grid.setVisible(false);
    grid.setCols(4);
    grid.setRows(1);
    grid.setCellText(0, 0, QStringLiteral("期号"));
    for (int p = 1; p <= PositionCount; ++p)
        grid.setCellText(0, p, QStringLiteral("第%1位").arg(p));
    auto rows = std::make_shared<HistoryRows>();
    rows->reserve(size_t(snapshot.count()));
    for (int i = 0; i < snapshot.count(); ++i)
        rows->add(snapshot.issue(i), snapshot.numbers(i));
    grid.setRowSource(std::move(rows));
    scrollToLatest(grid);
    grid.setColWidth(0, 1200);
    for (int c = 1; c <= PositionCount; ++c)
        grid.setColWidth(c, 620);
    grid.setVisible(true);
}

bool append(GridModel &grid, const DrawCore &draw)
{
    const auto rows = std::dynamic_pointer_cast<HistoryRows>(grid.rowSource());
    if (!rows)
        return false;
    rows->add(draw.sqqh, draw.numbers());
    grid.sourceRowsAppended();
    scrollToLatest(grid);
    return true;
}

} // namespace HistoryGrid
