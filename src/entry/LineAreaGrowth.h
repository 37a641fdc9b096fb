#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

class QPushButton;
class QWidget;

namespace kv {
namespace ui {
class DataGrid;
}

// Lets the line grids of the entry window show more rows when the window is taller than its
// design. Each grid grows by whole rows, keeps a delete button beside every row in view and
// enough line rows to fill its view; whatever lies below a grid moves down with it. At the
// design height everything stands where the layout puts it.
class LineAreaGrowth final {
public:
    struct Grid {
        ui::DataGrid* grid;
        int designRows;         // line rows in view at the design height
        int spareRows;          // line rows kept below the last one in view
        QRect firstButtonTwips; // delete button beside the first row in view
        QString buttonName;     // object name with %1 for the button's index
        QString buttonText;
        std::function<void(int index, int count)> onDelete; // button `index` of `count` in view
    };

    // `frame` holds the grids; `designHeight` (pixels) is the window height of the design layout.
    // The grids are given top to bottom; they must already stand at their design places.
    LineAreaGrowth(QWidget* frame, int designHeight, const QList<Grid>& grids);

    // Moves `w` down with the grids above it (those before grid `below` + 1 in the list).
    void moveWithGridsAbove(QWidget* w, int below);
    // Lays the area out for a window `height` pixels high.
    void fitTo(int height);

    int rowsInView(int grid) const { return m_state.at(grid).rows; }
    const QList<QPushButton*>& buttons(int grid) const { return m_state.at(grid).buttons; }

private:
    struct GridState {
        Grid layout;
        QRect design; // pixels
        int rows = 0;
        QList<QPushButton*> buttons;
    };
    struct Follower {
        QWidget* widget;
        QPoint design;
        int below;
    };
    void showButtons(int grid, int shiftTwips);

    QWidget* m_frame;
    QRect m_frameDesign;
    int m_designHeight;
    QList<GridState> m_state;
    QList<Follower> m_followers;
};

} // namespace kv
