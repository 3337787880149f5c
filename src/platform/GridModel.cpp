#include "GridModel.h"

#include <algorithm>
#include <charconv>
#include <iterator>

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void GridModel::resize(int rows, int cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == m_rows && cols == m_cols)
        return;
    if (m_source) {
        // The data rows were the source's; from now on they are cells, empty ones.
        m_source.reset();
        m_cells.resize(size_t(m_rows) * size_t(m_cols));
    }
    if (m_visible)
        beginResetModel();
    if (cols == m_cols) {
        for (size_t i = size_t(rows) * size_t(cols); i < m_cells.size(); ++i)
            m_liveBytes -= m_cells[i].size;
        m_cells.resize(size_t(rows) * size_t(cols));
    } else {
        std::vector<Cell> cells(size_t(rows) * size_t(cols));
        for (int r = 0; r < std::min(rows, m_rows); ++r)
            for (int c = 0; c < std::min(cols, m_cols); ++c)
                cells[size_t(r) * cols + c] = m_cells[size_t(r) * m_cols + c];
        m_cells = std::move(cells);
        m_liveBytes = 0;
        for (const Cell &cell : m_cells)
            m_liveBytes += cell.size;
    }
    m_rows = rows;
    m_cols = cols;
    m_widths.resize(size_t(cols), -1);
    m_row = std::min(m_row, std::max(rows - 1, 0));
    m_col = std::min(m_col, std::max(cols - 1, 0));
    endShapeChange();
}

// After a change of shape: a shown grid tells its view, a hidden one shows it later.
void GridModel::endShapeChange()
{
    if (m_visible) {
        m_viewRows = m_rows;
        m_viewCols = m_cols;
        endResetModel();
    } else {
        m_dirty = true;
    }
    compactArena();
}

void GridModel::setRows(int rows)
{
    resize(rows, m_cols);
}

void GridModel::setCols(int cols)
{
    resize(m_rows, cols);
}

void GridModel::setRow(int row)
{
    if (row >= 0 && row < m_rows)
        m_row = row;
}

void GridModel::setCol(int col)
{
    if (col >= 0 && col < m_cols)
        m_col = col;
}

QString GridModel::cellText(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return {};
    if (m_source && row > 0)
        return m_source->text(row - 1, col);
    const Cell &cell = m_cells[size_t(row) * m_cols + col];
    return QString::fromUtf8(m_arena.data() + cell.offset, cell.size);
}

void GridModel::setCellText(int row, int col, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    storeCell(row, col, utf8.constData(), size_t(utf8.size()));
}

void GridModel::setCellNumber(int row, int col, qint64 number)
{
    char digits[24];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), number);
    storeCell(row, col, digits, size_t(result.ptr - digits));
}

void GridModel::storeCell(int row, int col, const char *utf8, size_t size)
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
        return;
    if (m_source && row > 0)
        materialize();
    Cell &cell = m_cells[size_t(row) * m_cols + col];
    m_liveBytes -= cell.size;
    cell.offset = quint32(m_arena.size());
    cell.size = quint32(size);
    m_arena.append(utf8, size);
    m_liveBytes += cell.size;
    if (!m_visible) {
        m_dirty = true;
    } else if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex at = index(row - 1, col);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }
    if (m_arena.size() > 4096 && m_arena.size() > 2 * m_liveBytes)
        compactArena();
}

// Overwritten texts stay in the arena until it holds more garbage than live text.
void GridModel::compactArena()
{
    if (m_arena.size() <= 4096 || m_arena.size() <= 2 * m_liveBytes)
        return;
    std::string arena;
    arena.reserve(size_t(m_liveBytes));
    for (Cell &cell : m_cells) {
        const quint32 offset = quint32(arena.size());
        arena.append(m_arena, cell.offset, cell.size);
        cell.offset = offset;
    }
    m_arena = std::move(arena);
}

void GridModel::setRowSource(std::shared_ptr<GridRows> source)
{
    if (m_visible)
        beginResetModel();
    m_cells.resize(size_t(m_cols));
    m_liveBytes = 0;
    for (const Cell &cell : m_cells)
        m_liveBytes += cell.size;
    m_source = std::move(source);
    m_rows = 1 + (m_source ? m_source->count() : 0);
    m_row = std::min(m_row, m_rows - 1);
    endShapeChange();
}

void GridModel::sourceRowsAppended()
{
    if (!m_source)
        return;
    const int rows = 1 + m_source->count();
    if (rows <= m_rows)
        return;
    if (m_visible && m_viewRows == m_rows && m_viewCols == m_cols) {
        beginInsertRows({}, m_rows - 1, rows - 2);
        m_rows = rows;
        m_viewRows = rows;
        endInsertRows();
    } else {
        m_rows = rows;
        m_dirty = true;
    }
}

// Writing into a data row of a source: every row becomes cells first.
void GridModel::materialize()
{
    const std::shared_ptr<GridRows> source = std::move(m_source);
    m_source.reset();
    m_cells.resize(size_t(m_rows) * size_t(m_cols));
    for (int r = 1; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c) {
            const QByteArray utf8 = source->text(r - 1, c).toUtf8();
            Cell &cell = m_cells[size_t(r) * m_cols + c];
            cell.offset = quint32(m_arena.size());
            cell.size = quint32(utf8.size());
            m_arena.append(utf8.constData(), size_t(utf8.size()));
            m_liveBytes += cell.size;
        }
}

int GridModel::colWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_widths[size_t(col)] : -1;
}

void GridModel::setColWidth(int col, int twips)
{
    if (col < 0 || col >= m_cols)
        return;
    m_widths[size_t(col)] = twips;
    emit colWidthChanged(col, twips);
}

void GridModel::setTopRow(int row)
{
    if (row < 1 || row >= m_rows)
        return;
    m_topRow = row;
    // A hidden grid's view still has the old rows: it scrolls when the grid is shown.
    if (m_visible)
        emit topRowChanged(row);
}

void GridModel::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (visible && m_dirty) {
        beginResetModel();
        m_visible = true;
        m_dirty = false;
        m_viewRows = m_rows;
        m_viewCols = m_cols;
        endResetModel();
    } else {
        m_visible = visible;
    }
    emit visibleChanged(visible);
    // The view may have been reset: bring the top row back into view.
    if (visible && m_topRow < m_rows)
        emit topRowChanged(m_topRow);
}

// While hidden, the view keeps seeing the shape it was last told about.
int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_viewRows - 1, 0);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_viewCols;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role == MarkedRole)
        return std::find(m_markedRows.begin(), m_markedRows.end(), index.row() + 1) != m_markedRows.end();
    return {};
}

void GridModel::setMarkedRows(std::vector<int> rows)
{
    std::swap(rows, m_markedRows);
    for (const std::vector<int> *changed : {&rows, &m_markedRows})
        for (int r : *changed)
            if (r >= 1 && r < m_rows)
                emit dataChanged(index(r - 1, 0), index(r - 1, m_cols - 1));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return cellText(0, section);
    return section + 1;
}
