#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

// Rows of a grid that are formatted only when they are looked at: a grid of any length is
// filled at once, and only the rows in view ever become text.
class GridRows
{
public:
    virtual ~GridRows() = default;
    virtual int count() const = 0;
    // The text of data row `row` (0 is the grid's row 1) in column `col`.
    virtual QString text(int row, int col) const = 0;
};

// The grid of the main window: a table of text cells addressed by (row, column) from 0, row 0
// being the header row. Reading and writing go through the current cell as on the original grid
// control. Cells live in one text arena (no object per cell), so a 300,000-row history costs a
// few bytes a cell. While the grid is hidden, changes are collected and shown at once.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    int rows() const { return m_rows; }
    void setRows(int rows);
    int cols() const { return m_cols; }
    void setCols(int cols);

    int row() const { return m_row; }
    void setRow(int row);
    int col() const { return m_col; }
    void setCol(int col);

    QString text() const { return cellText(m_row, m_col); }
    void setText(const QString &text) { setCellText(m_row, m_col, text); }

    QString cellText(int row, int col) const;
    void setCellText(int row, int col, const QString &text);
    // The decimal text of a number, or UTF-8 text, without building a QString on the way
    // (grids of 300,000 rows).
    void setCellNumber(int row, int col, qint64 number);
    void setCellUtf8(int row, int col, QByteArrayView utf8)
    {
        storeCell(row, col, utf8.data(), size_t(utf8.size()));
    }

    // Takes the data rows from `source` (the header row and the columns stay). Changing the
    // grid's shape drops the source; writing a data cell first turns the source into cells.
    void setRowSource(std::shared_ptr<GridRows> source);
    std::shared_ptr<GridRows> rowSource() const { return m_source; }
    // The source grew at its end.
    void sourceRowsAppended();

    int colWidth(int col) const;
    void setColWidth(int col, int twips);

    int topRow() const { return m_topRow; }
    void setTopRow(int row);
    // The view scrolled by itself: remember where, without asking it to scroll again.
    void noteTopRow(int row) { m_topRow = row; }

    // Data rows shown marked (the view draws them bold on a light fill).
    static constexpr int MarkedRole = Qt::UserRole + 1;
    void setMarkedRows(std::vector<int> rows);
    const std::vector<int> &markedRows() const { return m_markedRows; }

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    // Qt's view of the grid: row 0 becomes the horizontal header, data rows are 1..rows-1.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void colWidthChanged(int col, int twips);
    void topRowChanged(int row);
    void visibleChanged(bool visible);

private:
    std::vector<int> m_markedRows;
    struct Cell
    {
        quint32 offset = 0;
        quint32 size = 0;
    };
    void resize(int rows, int cols);
    void compactArena();
    void storeCell(int row, int col, const char *utf8, size_t size);
    void materialize();
    void endShapeChange();

    int m_rows = 0;
    int m_cols = 0;
    int m_viewRows = 0;
    int m_viewCols = 0;
    int m_row = 0;
    int m_col = 0;
    int m_topRow = 1;
    bool m_visible = true;
    bool m_dirty = false;
    std::vector<Cell> m_cells;
    std::string m_arena; // UTF-8 text of every cell, appended on write
    quint64 m_liveBytes = 0;
    std::vector<int> m_widths;
    std::shared_ptr<GridRows> m_source;
};
