#include "entry/LineAreaGrowth.h"

#include "entry/EntryLayout.h"
#include "ui/DataGrid.h"
#include "ui/Twips.h"

#include <QPushButton>

namespace kv {

namespace {
constexpr int kRowTwips = 300;
}

LineAreaGrowth::LineAreaGrowth(QWidget* frame, int designHeight, const QList<Grid>& grids)
    : m_frame(frame), m_frameDesign(frame->geometry()), m_designHeight(designHeight)
{
    for (const Grid& g : grids)
        m_state.append({g, g.grid->geometry(), 0, {}});
    fitTo(designHeight);
}

void LineAreaGrowth::moveWithGridsAbove(QWidget* w, int below)
{
    m_followers.append({w, w->pos(), below});
}

void LineAreaGrowth::fitTo(int height)
{
    // Rows gained are shared two to one, the first grid (production) taking the larger part.
    const int gained = std::max(0, (height - m_designHeight) / ui::twipsToPixels(kRowTwips));
    QList<int> extra(m_state.size(), 0);
    if (!extra.isEmpty()) {
        const int later = m_state.size() > 1 ? gained / 3 : 0;
        extra[0] = gained - later;
        for (int i = 1; i < extra.size(); ++i)
            extra[i] = i == 1 ? later : 0;
    }
    bool same = true;
    for (int i = 0; i < m_state.size(); ++i)
        same = same && m_state.at(i).rows == m_state.at(i).layout.designRows + extra.at(i);
    if (same)
        return;

    int above = 0; // rows gained by the grids above the current one
    QList<int> shiftAfter;
    for (int i = 0; i < m_state.size(); ++i) {
        GridState& s = m_state[i];
        s.rows = s.layout.designRows + extra.at(i);
        const QRect d = s.design;
        s.layout.grid->setGeometry(d.x(), d.y() + ui::twipsToPixels(above * kRowTwips), d.width(),
                                 d.height() + ui::twipsToPixels(extra.at(i) * kRowTwips));
        ui::DataGrid& grid = *s.layout.grid;
        while (grid.rows() - 1 < s.rows + s.layout.spareRows)
            grid.setRowHeight(grid.addRow(), kRowTwips);
        showButtons(i, above * kRowTwips);
        above += extra.at(i);
        shiftAfter.append(above);
    }
    for (const Follower& f : m_followers)
        f.widget->move(f.design + QPoint(0, ui::twipsToPixels(shiftAfter.at(f.below) * kRowTwips)));
    m_frame->setGeometry(m_frameDesign.adjusted(0, 0, 0, ui::twipsToPixels(above * kRowTwips)));
}

void LineAreaGrowth::showButtons(int grid, int shiftTwips)
{
    GridState& s = m_state[grid];
    const QRect first = s.layout.firstButtonTwips;
    for (int i = 0; i < std::max(s.rows, int(s.buttons.size())); ++i) {
        if (i == s.buttons.size()) {
            auto* b = new QPushButton(s.layout.buttonText, m_frame);
            b->setObjectName(s.layout.buttonName.arg(i));
            b->setFocusPolicy(Qt::NoFocus); // for the mouse; Delete does the same from the keyboard
            QObject::connect(b, &QPushButton::clicked, b, [this, grid, i] {
                const GridState& st = m_state.at(grid);
                st.layout.onDelete(i, st.rows);
            });
            s.buttons.append(b);
        }
        QPushButton* b = s.buttons.at(i);
        entry::place(b, first.x(), first.y() + shiftTwips + i * kRowTwips, first.width(), first.height());
        b->setVisible(i < s.rows);
    }
}

} // namespace kv
