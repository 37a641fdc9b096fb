#pragma once

#include <QObject>

class QHeaderView;

namespace kv::ui {

class DataGrid;

// The mouse on a grid's column captions: a click on a caption is reported as a click on row 0,
// and a press on the edge between two captions (where a drag resizes the column on its left)
// asks beforeUserResize first.
class GridCaptions : public QObject {
public:
    GridCaptions(DataGrid* grid, QHeaderView* header);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int edgeAt(int x) const; // the column whose right edge is at x, or -1

    DataGrid* m_grid;
    QHeaderView* m_header;
    int m_pressedCaption = -1;
};

} // namespace kv::ui
