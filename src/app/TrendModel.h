#pragma once

#include "TrendOmission.h"

#include <QAbstractTableModel>
#include <QColor>

// The 走势图 grid: one row a trend row, then the four summary rows. Cells are made when the view
// asks for them, so 100,000 rows cost no more than the rows themselves.
class TrendModel : public QAbstractTableModel
{
public:
    // A drawn number's cell: exported on the same fill.
    static constexpr int MarkRole = Qt::UserRole + 1;
    static const QColor hitColour;
    static const QColor omissionColour;
    static const QColor summaryColour;

    using QAbstractTableModel::QAbstractTableModel;

    // Shows `rows`. When they are the rows shown before moved on by draws added at the end of
    // the history, only the rows that left and came are removed and inserted.
    void setRows(std::vector<TrendOmission::TrendRow> rows);
    int trendRows() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A drawn number's text: "2", or "2×2" when it came twice.
    static QString drawnText(int number, int hits);

private:
    QVariant drawCell(const TrendOmission::TrendRow &row, int column, int role) const;
    QVariant summaryCell(int line, int column, int role) const;

    std::vector<TrendOmission::TrendRow> m_rows;
    std::array<QStringList, 6> m_summary; // per number column, its four summary texts
    QStringList m_header = TrendOmission::trendHeader();
};
