#include "GridView.h"

#include "GridModel.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace {

// Draws the grid's marked row bold on a light fill.
class MarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(GridModel::MarkedRole).toBool()) {
            option->backgroundBrush = QColor(0xff, 0xf1, 0xb8);
            option->font.setBold(true);
        }
    }
};

} // namespace

GridView::GridView(GridModel *model, QWidget *parent)
    : QTableView(parent)
    , m_model(model)
{
    setModel(model);
    setItemDelegate(new MarkDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the next control; the arrows move inside it.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    connect(model, &GridModel::colWidthChanged, this, [this](int col, int) { applyWidth(col); });
    connect(model, &GridModel::topRowChanged, this, &GridView::applyTopRow);
    connect(model, &GridModel::visibleChanged, this,
            [this](bool visible) { viewport()->setUpdatesEnabled(visible); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_model->noteTopRow(value + 1); });
    connect(model, &QAbstractItemModel::modelReset, this, &GridView::fitColumns);
}

// The grid's width in twips, in this desktop's pixels and font.
void GridView::applyWidth(int)
{
    fitColumns();
}

void GridView::fitColumns()
{
    // The widths were made for an 8-point font whose characters are 5 pixels wide on average.
    const double fontScale = std::max(1.0, fontMetrics().averageCharWidth() / 5.0);
    std::vector<int> wanted(size_t(std::max(m_model->cols(), 0)), -1);
    int total = 0;
    for (int c = 0; c < int(wanted.size()); ++c) {
        const int twips = m_model->colWidth(c);
        if (twips < 0)
            continue;
        wanted[size_t(c)] = int(twipsToPixels(twips, logicalDpiX()) * fontScale + 0.5);
        total += wanted[size_t(c)];
    }
    const int room = viewport()->width();
    const bool rescale = room > 0 && total > 0 && (total > room || m_stretch);
    const double scale = rescale ? double(room) / total : 1.0;
    int given = 0;
    int lastSized = -1;
    for (int c = 0; c < int(wanted.size()); ++c) {
        if (wanted[size_t(c)] < 0)
            continue;
        // Narrowed to the room, a column still shows its caption and a first row's text whole (an
        // issue number cut to "1305310…" is no issue); the grid then scrolls sideways.
        int least = 0;
        if (scale < 1.0)
            for (int r = 0; r < std::min(m_model->rows(), 2); ++r)
                least = std::max(least, fontMetrics().horizontalAdvance(m_model->cellText(r, c)) + 10);
        const int width = std::max(least, int(wanted[size_t(c)] * scale));
        setColumnWidth(c, width);
        given += width;
        lastSized = c;
    }
    // What rounding left over goes to the last column, so a stretched grid ends at its edge.
    if (m_stretch && rescale && lastSized >= 0)
        setColumnWidth(lastSized, columnWidth(lastSized) + room - given);
}

void GridView::setStretchToWidth(bool stretch)
{
    m_stretch = stretch;
    fitColumns();
}

void GridView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

int GridView::twipsToPixels(int twips, int dpi)
{
    return (twips * dpi + 720) / 1440;
}

void GridView::applyTopRow(int row)
{
    // Grid row 1 is the view's row 0; the scroll bar stops where the last rows fill the view.
    // Before the view is laid out its scroll range is not known yet: updateGeometries() retries.
    const int wanted = row - 1;
    m_wantedTop = wanted;
    // The scroll range must be that of the rows the view has now: after a refill it still holds
    // the old one until the next layout, and the wanted row would be cut to the old end. That
    // layout may run updateGeometries() itself, which clears m_wantedTop: scroll to `wanted`.
    QTableView::updateGeometries();
    verticalScrollBar()->setValue(wanted);
    if (isVisible() && verticalScrollBar()->maximum() > 0)
        m_wantedTop = -1;
}

void GridView::updateGeometries()
{
    QTableView::updateGeometries();
    if (m_wantedTop < 0)
        return;
    verticalScrollBar()->setValue(m_wantedTop);
    if (isVisible())
        m_wantedTop = -1;
}

void GridView::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
