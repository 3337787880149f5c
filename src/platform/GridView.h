#pragma once

#include <QTableView>

class GridModel;

// Shows a GridModel: header row as the column header, widths given in twips, the model's top
// row scrolled to the top, painting paused while the model is hidden.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(GridModel *model, QWidget *parent = nullptr);
    GridModel *grid() const { return m_model; }

    static int twipsToPixels(int twips, int dpi);
    // Wider than its columns, the grid widens them alike to fill its width.
    void setStretchToWidth(bool stretch);

protected:
    void updateGeometries() override;
    // The grid does not scroll by the wheel itself: the window scrolls the grid with the focus.
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyTopRow(int row);
    void applyWidth(int col);
    // The columns at their widths, or narrower alike when the grid is too narrow for them all
    // (wider alike to fill it, when set to stretch).
    void fitColumns();

    GridModel *m_model;
    int m_wantedTop = -1;
    bool m_stretch = false;
};
