#include "entry/LookupPopup.h"

#include "entry/EntryLayout.h"
#include "ui/DataGrid.h"
#include "ui/DragHandle.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace kv {

namespace {
const QColor kHeaderYellow(255, 255, 192);
constexpr int kShiftTwips = 1500;
} // namespace

LookupPopup::LookupPopup(QWidget* window) : QFrame(window)
{
    setObjectName(QStringLiteral("ajaxBox"));
    setFrameShape(QFrame::Box);
    setStyleSheet(QStringLiteral("QFrame#ajaxBox { background: rgb(198, 226, 255); }"));
    entry::place(this, 3540, 1020, 4155, 2025);

    m_caption = new QLabel(QStringLiteral("录入助手[可输入首拼音索引]"), this);
    m_caption->setObjectName(QStringLiteral("Label8"));
    m_caption->setFont(entry::songFont(10.5));
    entry::place(m_caption, 60, 60, 3720, 225);
    new ui::DragHandle(m_caption, this);

    auto* close = new QPushButton(QStringLiteral("×"), this);
    close->setObjectName(QStringLiteral("Command5"));
    close->setFocusPolicy(Qt::NoFocus);
    entry::place(close, 3840, 30, 285, 255);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("Ajax"));
    m_grid->setFont(entry::songFont(9));
    m_grid->setFocusPolicy(Qt::NoFocus); // choosing must not take the focus from the cell being typed in
    m_grid->table()->setFocusPolicy(Qt::NoFocus);
    entry::place(m_grid, 0, 300, 4125, 1695);
    m_grid->setRows(1);
    m_grid->setCols(1);
    m_grid->setCellBackground(0, 0, kHeaderYellow);
    connect(m_grid, &ui::DataGrid::clicked, this, [this](int row, int) { onGridClicked(row); });
    hide();
}

void LookupPopup::LoadAjax(const LookupResult& result)
{
    m_grid->setRows(1);
    m_grid->setCols(std::max<int>(1, int(result.fields.size())));
    for (int i = 0; i < result.fields.size(); ++i)
        m_grid->setText(0, i, result.fields.at(i));
    for (const QStringList& values : result.rows) {
        const int r = m_grid->addRow();
        for (int i = 0; i < values.size(); ++i)
            m_grid->setText(r, i, values.at(i));
    }
    m_grid->fillBackground(0, 0, 0, m_grid->cols() - 1, kHeaderYellow);
    if (m_grid->rows() > 1 && m_grid->cols() > 1) {
        m_grid->setCurrentCell(1, 0);
        m_grid->autoFitCols(0, m_grid->cols() - 1);
    }
}

void LookupPopup::placeUnder(const ui::DataGrid& grid, int row, int col)
{
    show();
    raise();
    const QRect cell = grid.cellRect(row, col);
    const QPoint gridPos = grid.mapTo(parentWidget(), QPoint(0, 0));
    move(gridPos.x() + cell.left() + ui::twipsToPixels(kShiftTwips), gridPos.y() + cell.top() + cell.height());
}

int LookupPopup::matchCount() const
{
    return m_grid->rows() - 1;
}

QString LookupPopup::text(int row, int col) const
{
    return m_grid->text(row, col);
}

void LookupPopup::onGridClicked(int row)
{
    if (row < 1)
        return;
    QStringList values;
    for (int c = 0; c < m_grid->cols(); ++c)
        values << m_grid->text(row, c);
    emit chosen(values);
}

} // namespace kv
