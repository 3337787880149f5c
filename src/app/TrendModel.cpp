#include "TrendModel.h"

#include <QFont>

const QColor TrendModel::hitColour(0xc8, 0x2a, 0x32);
const QColor TrendModel::omissionColour(0x8c, 0x8c, 0x8c);
const QColor TrendModel::summaryColour(0xee, 0xf0, 0xf4);

namespace {

constexpr int NumberColumns = 5; // the columns before the numbers 1..6
constexpr int SummaryLines = 4;

bool sameRow(const TrendOmission::TrendRow &a, const TrendOmission::TrendRow &b)
{
    return a.issue == b.issue && a.numbers == b.numbers && a.omission == b.omission;
}

} // namespace

QString TrendModel::drawnText(int number, int hits)
{
    return hits > 1 ? QStringLiteral("%1×%2").arg(number).arg(hits) : QString::number(number);
}

void TrendModel::setRows(std::vector<TrendOmission::TrendRow> rows)
{
    const auto summary = TrendOmission::summarize(rows);
    for (size_t k = 0; k < 6; ++k)
        m_summary[k] = TrendOmission::summaryCells(summary[k]);
    // Draws added after the newest one shown: the rows before stay, moved up by those that left.
    const size_t old = m_rows.size();
    size_t left = old;
    if (!rows.empty() && old > 0) {
        const auto first = std::find_if(m_rows.begin(), m_rows.end(),
                                        [&](const TrendOmission::TrendRow &r) { return r.issue == rows.front().issue; });
        left = size_t(first - m_rows.begin());
    }
    const size_t kept = old - left;
    const bool moved = left < old && kept <= rows.size() &&
                       std::equal(m_rows.begin() + qsizetype(left), m_rows.end(), rows.begin(), sameRow);
    if (!moved) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    if (left > 0) {
        beginRemoveRows({}, 0, int(left) - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + qsizetype(left));
        endRemoveRows();
    }
    if (rows.size() > kept) {
        beginInsertRows({}, int(kept), int(rows.size()) - 1);
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin() + qsizetype(kept)),
                      std::make_move_iterator(rows.end()));
        endInsertRows();
    }
    const int summaryRow = int(m_rows.size());
    emit dataChanged(index(summaryRow, 0), index(summaryRow + SummaryLines - 1, columnCount() - 1));
}

int TrendModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size()) + SummaryLines;
}

int TrendModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_header.size());
}

QVariant TrendModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_header.size())
        return m_header[section];
    return {};
}

QVariant TrendModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    const size_t row = size_t(index.row());
    return row < m_rows.size() ? drawCell(m_rows[row], index.column(), role)
                               : summaryCell(int(row - m_rows.size()), index.column(), role);
}

QVariant TrendModel::drawCell(const TrendOmission::TrendRow &row, int column, int role) const
{
    if (column < NumberColumns)
        return role == Qt::DisplayRole ? QVariant(TrendOmission::trendCells(row)[column]) : QVariant();
    const int number = column - NumberColumns + 1;
    const int hits = row.hits[size_t(number - 1)];
    const qint64 omission = row.omission[size_t(number - 1)];
    switch (role) {
    case Qt::DisplayRole:
        return hits > 0 ? drawnText(number, hits) : QString::number(omission);
    case Qt::BackgroundRole:
        return hits > 0 ? QVariant(hitColour) : QVariant();
    case Qt::ForegroundRole:
        return hits > 0 ? QColor(Qt::white) : omissionColour;
    case Qt::FontRole:
        if (hits > 0) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case MarkRole:
        return hits > 0;
    case Qt::AccessibleTextRole:
        if (hits == 0)
            return QStringLiteral("%1 遗漏 %2 期").arg(number).arg(omission);
        return hits == 1 ? QStringLiteral("%1 出现").arg(number) : QStringLiteral("%1 出现 %2 次").arg(number).arg(hits);
    default:
        return {};
    }
}

QVariant TrendModel::summaryCell(int line, int column, int role) const
{
    if (role == Qt::BackgroundRole)
        return summaryColour;
    if (role != Qt::DisplayRole)
        return {};
    if (column == 0)
        return TrendOmission::summaryLabels()[line];
    if (column < NumberColumns)
        return QString();
    return m_summary[size_t(column - NumberColumns)][line];
}
