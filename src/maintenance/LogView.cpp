#include "maintenance/LogView.h"

#include "data/AppContext.h"
#include "data/OperationLog.h"
#include "data/TextRules.h"
#include "ui/FindPanel.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/WorkbookExport.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

LogView::LogView(AppContext& ctx, QWidget* parent) : QGroupBox(QStringLiteral("操作日志"), parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("FrameLog"));
    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const QString& text, const QString& name) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        buttons->addWidget(button);
        return button;
    };
    auto* find = addButton(QStringLiteral("查找"), QStringLiteral("CommandLogFind"));
    auto* filter = addButton(QStringLiteral("筛选"), QStringLiteral("CommandLogFilter"));
    auto* exportButton = addButton(QStringLiteral("导出"), QStringLiteral("CommandLogExport"));
    auto* refresh = addButton(QStringLiteral("刷新"), QStringLiteral("CommandLogReload"));
    buttons->addStretch();

    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("fgLog"));
    m_grid->setMinimumHeight(200);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_grid, 1);

    // The panel floats over the grid, as on the list windows.
    m_panel = new ui::FindPanel(m_grid, this, [this](ui::FindPanel* panel, int index) { return makeConditionRow(panel, index); });
    m_panel->move(160, 40);
    connect(m_panel, &ui::FindPanel::filterRequested, this, [this] { reload(true); });
    connect(m_panel, &ui::FindPanel::closed, this, [this] { reload(); });

    connect(find, &QPushButton::clicked, m_panel, &ui::FindPanel::showPanel);
    connect(filter, &QPushButton::clicked, m_panel, &ui::FindPanel::showPanel);
    connect(exportButton, &QPushButton::clicked, this,
            [this] { ui::exportGrid(this, *m_grid, m_ctx.paths().file(QStringLiteral("操作日志.xlsx"))); });
    connect(refresh, &QPushButton::clicked, this, [this] { reload(); });
    reload();
}

ui::ConditionRow LogView::makeConditionRow(ui::FindPanel* panel, int index)
{
    ui::ConditionRow row = ui::labelledConditionRow(panel, index, QStringLiteral("含"));
    row.field->addItems(logColumnTitles());
    row.field->setCurrentIndex(index == 0 ? 0 : -1);
    return row;
}

void LogView::reload(bool filtered)
{
    if (!m_ctx.isConnected())
        return;
    QList<std::pair<int, QString>> conditions;
    if (filtered)
        for (const ui::ConditionRow& row : m_panel->conditionRows())
            if (row.field->currentIndex() >= 0 && !cleanText(row.value->text()).isEmpty())
                conditions.append({row.field->currentIndex(), cleanText(row.value->text())});
    QList<LogEntry> entries;
    if (!ui::guarded(this, [&] { entries = OperationLog(m_ctx.conn()).entries(conditions); }))
        return;
    const QStringList titles = logColumnTitles();
    m_grid->setRows(1);
    m_grid->setCols(int(titles.size()));
    for (int c = 0; c < titles.size(); ++c)
        m_grid->setText(0, c, titles.at(c));
    m_grid->setRows(int(entries.size()) + 1);
    for (int r = 0; r < entries.size(); ++r) {
        const LogEntry& e = entries.at(r);
        const QStringList cells{e.time, e.account, e.action, e.target, e.accountId};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setText(r + 1, c, cells.at(c));
    }
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);
}

} // namespace kv
