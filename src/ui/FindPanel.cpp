#include "ui/FindPanel.h"

#include "ui/CellFind.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include "ui/DragHandle.h"
#include <QComboBox>
#include <QLabel>

#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstdlib>

namespace kv::ui {

namespace {
// The panel's design, in twips.
constexpr int kWidth = 5625;
constexpr int kHeight = 2415;
constexpr int kStripHeight = 300;
constexpr int kFirstRowTop = 1700;
constexpr int kRowHeight = 330;
constexpr int kRowGap = 50;
constexpr int kFieldLeft = 120;
constexpr int kFieldWidth = 1900;
constexpr int kRightEdge = kWidth - 150;

const QColor kWhite(255, 255, 255);
const QColor kFound(255, 255, 192);

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}
} // namespace

FindPanel::FindPanel(ui::DataGrid* grid, QWidget* parent, RowFactory makeRow)
    : QFrame(parent), m_grid(grid), m_makeRow(std::move(makeRow))
{
    setObjectName(QStringLiteral("Picture1"));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    resize(twipsToPixels(kWidth), twipsToPixels(kHeight));

    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("Picture2"));
    m_strip->setAutoFillBackground(true);
    m_strip->setStyleSheet(QStringLiteral("#Picture2 { background: rgb(192, 192, 192); }"));
    m_strip->setGeometry(twipsRect(0, 0, kWidth, kStripHeight));
    new ui::DragHandle(m_strip, this);

    m_close = new QPushButton(QStringLiteral("×"), m_strip);
    m_close->setObjectName(QStringLiteral("Command2"));
    m_close->setFlat(true);
    m_close->setCursor(Qt::ArrowCursor);
    m_close->setGeometry(twipsRect(kWidth - 330, 15, 300, kStripHeight - 30));

    auto* keywordLabel = new QLabel(QStringLiteral("查找内容："), this);
    keywordLabel->setObjectName(QStringLiteral("Label1"));
    keywordLabel->setGeometry(twipsRect(120, 420, 1050, kRowHeight));
    m_keyword = new QLineEdit(this);
    m_keyword->setObjectName(QStringLiteral("Text1"));
    m_keyword->setGeometry(twipsRect(1170, 400, 2800, kRowHeight));
    auto* findButton = new QPushButton(QStringLiteral("查找下一个"), this);
    findButton->setObjectName(QStringLiteral("Command1"));
    findButton->setGeometry(twipsRect(4080, 385, kRightEdge - 4080, 360));

    m_all = new QRadioButton(QStringLiteral("搜索全部"), this);
    m_all->setObjectName(QStringLiteral("Option1"));
    m_all->setGeometry(twipsRect(120, 850, 1400, kRowHeight));
    m_all->setChecked(true);
    m_fromCurrent = new QRadioButton(QStringLiteral("从选中的行开始搜索"), this);
    m_fromCurrent->setObjectName(QStringLiteral("Option2"));
    m_fromCurrent->setGeometry(twipsRect(1550, 850, 2500, kRowHeight));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("Label2"));
    m_result->setGeometry(twipsRect(4080, 850, kRightEdge - 4080, kRowHeight));

    auto* filterLabel = new QLabel(QStringLiteral("筛选：请设置筛选条件"), this);
    filterLabel->setObjectName(QStringLiteral("Label3"));
    filterLabel->setGeometry(twipsRect(120, 1290, 2700, kRowHeight));
    auto* addRowButton = new QPushButton(QStringLiteral("增加条件↓"), this);
    addRowButton->setObjectName(QStringLiteral("Command4"));
    addRowButton->setGeometry(twipsRect(2850, 1270, 1300, 360));
    auto* filterButton = new QPushButton(QStringLiteral("筛选"), this);
    filterButton->setObjectName(QStringLiteral("Command3"));
    filterButton->setGeometry(twipsRect(4230, 1270, kRightEdge - 4230, 360));

    connect(m_close, &QPushButton::clicked, this, &FindPanel::closePanel);
    connect(findButton, &QPushButton::clicked, this, &FindPanel::find);
    connect(addRowButton, &QPushButton::clicked, this, &FindPanel::addConditionRow);
    connect(filterButton, &QPushButton::clicked, this, &FindPanel::filterRequested);

    m_rows.append(m_makeRow(this, 0));
    placeRow(0);
    m_designHeight = height();
    hide();
}

void FindPanel::placeRow(int index)
{
    const ConditionRow& row = m_rows.at(index);
    const int top = index == 0 ? twipsToPixels(kFirstRowTop)
                               : m_rows.at(index - 1).field->y() + twipsToPixels(kRowHeight + kRowGap);
    const int height = twipsToPixels(kRowHeight);
    row.field->setGeometry(twipsToPixels(kFieldLeft), top, twipsToPixels(kFieldWidth), height);
    // The value box lines up with row 0's, whatever stands between.
    int valueLeft = twipsToPixels(kFieldLeft + kFieldWidth + 80);
    if (row.sign) {
        const bool isCombo = qobject_cast<QComboBox*>(row.sign) != nullptr;
        const int signWidth = twipsToPixels(isCombo ? 700 : 250);
        row.sign->setGeometry(valueLeft, top, signWidth, height);
        if (index == 0)
            valueLeft += signWidth + twipsToPixels(80);
    }
    if (index > 0)
        valueLeft = m_rows.first().value->x();
    row.value->setGeometry(valueLeft, top, twipsToPixels(kRightEdge) - valueLeft, height);
    for (QWidget* w : {static_cast<QWidget*>(row.field), row.sign, static_cast<QWidget*>(row.value)})
        if (w)
            w->show();
}

void FindPanel::showPanel()
{
    ui::moveWithinParent(this, pos());
    show();
    raise();
    m_result->clear();
    m_rows.first().value->clear();
}

void FindPanel::find()
{
    if (!isSearchKeyword(m_keyword->text())) {
        ui::message(this, QStringLiteral("请输入关键字！"), QStringLiteral("关键字"), ui::Icon::Information);
        return;
    }
    clearHighlights();
    const int start = findStartRow(m_fromCurrent->isChecked(), m_grid->row());
    // Only what the user can see is searched: hidden columns (the id) and hidden rows are not. A
    // cell is found by what it shows ("2,080.40") and by its plain number ("2080.4").
    const auto visibleText = [this](int row, int col) {
        if (m_grid->isColHidden(col) || m_grid->isRowHidden(row))
            return QString();
        const QString shown = m_grid->shownText(row, col);
        const QString plain = m_grid->text(row, col);
        return shown == plain ? plain : shown + QChar(u'\x1f') + plain;
    };
    const QList<CellPos> found = findCells(m_grid->rows(), m_grid->cols(), start, m_keyword->text(), visibleText);
    for (const CellPos& cell : found) {
        m_grid->setCellBackground(cell.row, cell.column, kFound);
        m_grid->showCell(cell.row, cell.column);
    }
    m_result->setText(QStringLiteral("共找到%1个").arg(found.size()));
    m_grid->setCurrentCell(0, 0);
}

void FindPanel::clearHighlights()
{
    if (m_grid->rows() > 1 && m_grid->cols() > 0)
        m_grid->fillBackground(1, 0, m_grid->rows() - 1, m_grid->cols() - 1, kWhite);
}

void FindPanel::addConditionRow()
{
    const int index = int(m_rows.size());
    m_rows.append(m_makeRow(this, index));
    placeRow(index);
    resize(width(), height() + twipsToPixels(kRowHeight + kRowGap));
}

void FindPanel::closePanel()
{
    m_result->clear();
    hide();
    clearHighlights();
    while (m_rows.size() > 1) {
        const ConditionRow row = m_rows.takeLast();
        delete row.field;
        delete row.sign;
        delete row.value;
    }
    resize(width(), m_designHeight);
    emit closed();
}

ConditionRow labelledConditionRow(FindPanel* panel, int index, const QString& sign)
{
    ConditionRow row;
    row.field = new QComboBox(panel);
    row.field->setObjectName(QStringLiteral("zdinput_%1").arg(index));
    row.value = new QLineEdit(panel);
    row.value->setObjectName(QStringLiteral("tjinput_%1").arg(index));
    if (index == 0) {
        auto* label = new QLabel(sign, panel);
        label->setObjectName(QStringLiteral("Label4"));
        label->setAlignment(Qt::AlignCenter);
        row.sign = label;
    }
    return row;
}

} // namespace kv::ui
