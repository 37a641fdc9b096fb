#include "stats/WageStatisticsWindow.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "entry/WageEntryWindow.h"
#include "entry/WageSlip.h"
#include "entry/WageSlipExport.h"
#include "entry/WageSlipPrint.h"
#include "lists/CodeList.h"
#include "stats/BankTransferWindow.h"
#include "stats/CashBreakdownWindow.h"
#include "stats/StatsChartWindow.h"
#include "stats/StatsFilter.h"
#include "stats/StatsGridRows.h"
#include "stats/WageStatistics.h"
#include "stats/WorkerYearWindow.h"
#include "data/WorkProgress.h"
#include "ui/BackgroundWork.h"
#include "ui/DataGrid.h"
#include "ui/FindPanel.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/Twips.h"
#include "ui/WindowPlacement.h"
#include "ui/WorkbookExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolBar>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kv {

using ui::twipsToPixels;

namespace {
constexpr int kGridLeftTwips = 150;

// What a large run read and summed is gone: the memory it used is given back to the system, so
// that the window holds no more than its grid's figures between runs. (The connection's page
// cache is small and bounded; kept, the next run need not read and decrypt its pages again.)
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// A period text that is no date or year: the number of a type mismatch.
constexpr int kUnreadablePeriodError = 13;

struct PeriodTab {
    const char16_t* caption;
    const char16_t* label;
    const char16_t* header; // of the grid's first column
};
const PeriodTab kPeriodTabs[kPeriodKindCount] = {
    {u"按月份统计", u"输入月份进行统计：", u"月份"},
    {u"按季度统计", u"按季度进行统计：", u"季度"},
    {u"按年统计", u"选择年份进行统计：", u"年份"},
    {u"按日期统计", u"选择日期进行统计：", u"日期"},
};

const char16_t* const kColumnHeaders[] = {u"工号", u"姓名", u"生产金额", u"扣减", u"实发工资"};
const QString kWorkshopHeader = QStringLiteral("车间");
const QList<int> kSumColumns{SProduction, SDeductions, SNetPay};

} // namespace

WageStatisticsWindow::WageStatisticsWindow(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("工资统计Frm"));
    setWindowTitle(QStringLiteral("工资统计"));

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Each command runs its own function, and only on statistics run; its button is named by
    // its caption.
    const auto addCommand = [this](const QString& caption, void (WageStatisticsWindow::*command)()) {
        QAction* action = m_toolbar->addAction(caption, this, [this, command] {
            if (hasStatistics())
                (this->*command)();
        });
        m_toolbar->widgetForAction(action)->setObjectName(caption);
    };
    addCommand(QStringLiteral("查找"), &WageStatisticsWindow::showFindPanel);
    addCommand(QStringLiteral("筛选"), &WageStatisticsWindow::showFindPanel);
    addCommand(QStringLiteral("导出"), &WageStatisticsWindow::exportGrid);
    addCommand(QStringLiteral("打印"), &WageStatisticsWindow::printGrid);
    addCommand(QStringLiteral("图表"), &WageStatisticsWindow::showCharts);
    addCommand(QStringLiteral("零钞统计"), &WageStatisticsWindow::showCashBreakdown);
    addCommand(QStringLiteral("银行代发"), &WageStatisticsWindow::showBankTransfer);
    addCommand(QStringLiteral("年度汇总"), &WageStatisticsWindow::showWorkerYear);
    m_toolbar->addSeparator();
    addCommand(QStringLiteral("打印选中工资条"), &WageStatisticsWindow::printSelectedSlip);
    addCommand(QStringLiteral("打印全部工资条"), &WageStatisticsWindow::printAllSlips);
    addCommand(QStringLiteral("导出工资条"), &WageStatisticsWindow::exportAllSlips);

    buildPeriodTabs();

    m_run = new QPushButton(QStringLiteral(" 统 计"), this);
    m_run->setObjectName(QStringLiteral("Command5"));
    m_details = new QPushButton(QStringLiteral("查看选中员工当月明细"), this);
    m_details->setObjectName(QStringLiteral("Command6"));
    connect(m_run, &QPushButton::clicked, this, [this] { runStatistics(); });
    connect(m_details, &QPushButton::clicked, this, &WageStatisticsWindow::showDetails);
    m_byWorkshop = new QCheckBox(QStringLiteral("按车间分组"), this);
    m_byWorkshop->setObjectName(QStringLiteral("groupByWorkshop"));
    connect(m_byWorkshop, &QCheckBox::toggled, this, &WageStatisticsWindow::onGroupingToggled);
    m_withoutLines = new QCheckBox(QStringLiteral("包括无记录员工"), this);
    m_withoutLines->setObjectName(QStringLiteral("slipsWithoutLines"));

    // Blank until the first run: a header row and no columns.
    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("fg"));
    m_grid->setCols(0);

    m_panel = new ui::FindPanel(m_grid, this,
                                [this](ui::FindPanel* panel, int index) { return makeConditionRow(panel, index); });
    connect(m_panel, &ui::FindPanel::filterRequested, this, &WageStatisticsWindow::applyFilter);
    connect(m_panel, &ui::FindPanel::closed, this, [this] { runStatistics(); });

    resize(twipsToPixels(12000), twipsToPixels(7500));
    layOut();
    m_panel->move(twipsToPixels(3000), m_grid->y() + twipsToPixels(300));
    ui::connDB(m_ctx, this);
    markClosedMonths();
}

void WageStatisticsWindow::markClosedMonths()
{
    if (!m_ctx.isConnected())
        return;
    QComboBox* months = periodCombo(int(PeriodKind::Month));
    ui::guarded(this, [&] {
        // The closed months read once, compared as working month texts.
        const QStringList closedList = ClosedMonths(m_ctx.conn()).months();
        const auto isClosed = [&closedList](const QString& text) {
            const std::optional<QString> month = normalMonthText(text);
            return month && closedList.contains(*month);
        };
        // Closed months in red in the list, and the mark beside the month chosen.
        // Only a colour that changes is set: setting an item's data puts the item's text back into
        // the editable box, over a period being typed.
        for (int i = 0; i < months->count(); ++i) {
            const QVariant colour = isClosed(months->itemText(i)) ? QVariant(QColor(0xc0, 0, 0)) : QVariant();
            if (months->itemData(i, Qt::ForegroundRole) != colour)
                months->setItemData(i, colour, Qt::ForegroundRole);
        }
        m_closedMark->setVisible(isClosed(months->currentText()));
    });
}

WageStatisticsWindow::~WageStatisticsWindow()
{
    // The details window has no parent; it does not outlive the window that opened it.
    delete m_entry;
}

void WageStatisticsWindow::buildPeriodTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("C1Tab1"));
    const QDate today = m_ctx.clock().today();
    for (int i = 0; i < kPeriodKindCount; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("C1Tab1Page_%1").arg(i));
        auto* row = new QHBoxLayout(page);
        auto* label = new QLabel(QString::fromUtf16(kPeriodTabs[i].label), page);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        row->addWidget(label);
        auto* combo = new QComboBox(page);
        combo->setObjectName(QStringLiteral("Text2_%1").arg(i));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMinimumWidth(twipsToPixels(1800));
        const PeriodChoices choices = periodChoices(PeriodKind(i), today);
        combo->addItems(choices.items);
        combo->setCurrentIndex(choices.selected);
        row->addWidget(combo);
        if (PeriodKind(i) == PeriodKind::Month) {
            m_closedMark = new QLabel(QStringLiteral("已结账"), page);
            m_closedMark->setObjectName(QStringLiteral("LabelClosed"));
            m_closedMark->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
            m_closedMark->hide();
            row->addWidget(m_closedMark);
            connect(combo, &QComboBox::currentTextChanged, this, &WageStatisticsWindow::markClosedMonths);
        }
        if (PeriodKind(i) == PeriodKind::Quarter) {
            auto* hint = new QLabel(QStringLiteral("1为第一季以此类推"), page);
            hint->setObjectName(QStringLiteral("Label2_1"));
            row->addWidget(hint);
        }
        row->addStretch(1);
        m_tabs->addTab(page, QString::fromUtf16(kPeriodTabs[i].caption));
    }
}

QComboBox* WageStatisticsWindow::periodCombo(int tab) const
{
    return m_tabs->widget(tab)->findChild<QComboBox*>(QStringLiteral("Text2_%1").arg(tab));
}

ui::ConditionRow WageStatisticsWindow::makeConditionRow(ui::FindPanel* panel, int index)
{
    ui::ConditionRow row;
    row.field = new QComboBox(panel);
    row.field->setObjectName(QStringLiteral("zdinput_%1").arg(index));
    auto* op = new QComboBox(panel);
    op->setObjectName(QStringLiteral("JF_%1").arg(index));
    row.sign = op;
    row.value = new QLineEdit(panel);
    row.value->setObjectName(QStringLiteral("tjinput_%1").arg(index));
    row.value->setPlaceholderText(QStringLiteral("留空则不筛选此项"));
    if (index == 0) {
        for (const char16_t* header : kColumnHeaders)
            row.field->addItem(QString::fromUtf16(header));
        op->addItems({QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<")});
    } else {
        const ui::ConditionRow& first = panel->conditionRows().first();
        const auto* firstOp = static_cast<const QComboBox*>(first.sign);
        for (int i = 0; i < first.field->count(); ++i)
            row.field->addItem(first.field->itemText(i));
        for (int i = 0; i < firstOp->count(); ++i)
            op->addItem(firstOp->itemText(i));
    }
    row.field->setCurrentIndex(0);
    op->setCurrentIndex(0);
    return row;
}

bool WageStatisticsWindow::runStatistics()
{
    markClosedMonths();
    const int tab = m_tabs->currentIndex();
    const QString text = periodCombo(tab)->currentText();
    const PeriodReading period = readPeriod(PeriodKind(tab), text);
    switch (period.status) {
    case PeriodReading::InvalidQuarter:
        ui::message(this,
                    QStringLiteral("非法季度，请输入正确季度：2008-1表示2008年第一季，2008-4表示2008年第4季以此类推。"),
                    QStringLiteral("出错！"), ui::Icon::Warning);
        return false;
    case PeriodReading::Unreadable: showRunError(kUnreadablePeriodError); return false;
    case PeriodReading::Ok: break;
    }
    return showStatistics(PeriodKind(tab), text, period.range);
}

void WageStatisticsWindow::showRunError(int number, const QString& detail)
{
    QString text = QStringLiteral("错误！请检查你查询日期的正确性。错误号：%1").arg(number);
    if (!detail.isEmpty())
        text += u'\n' + detail;
    ui::message(this, text, QStringLiteral("统计错误！"), ui::Icon::Warning);
}

bool WageStatisticsWindow::showStatistics(PeriodKind kind, const QString& periodText, const DateRange& range)
{
    // After a run read off the window, once its figures are in the grid or thrown away. A run
    // small enough for the window's thread leaves little behind, and its memory is soon used again.
    bool offWindow = false;
    const auto release = qScopeGuard([&offWindow] {
        if (offWindow)
            releaseFreedMemory();
    });
    const bool grouped = m_byWorkshop->isChecked();
    QList<EmployeeWage> wages;
    PaidRounding rounding;
    // Reads the figures of the run; false when it was stopped, its figures then thrown away.
    const auto read = [&](Database& db, WorkProgress* progress) {
        WageStatistics statistics(db, progress);
        wages = statistics.compute(kind, range);
        if (statistics.stopped())
            return false;
        rounding = statistics.rounding();
        if (grouped) {
            QStringList workshops;
            for (const ListEntry& e : CodeList(db, CodeListKind::Workshop).entries())
                workshops << e.name;
            wages = orderByWorkshop(wages, workshops);
        }
        return true;
    };
    try {
        offWindow = runsOffWindow(employeeCount(m_ctx.conn()), kind, range);
        if (!offWindow) {
            read(m_ctx.conn(), nullptr);
        } else {
            // A long run reads on a thread of its own, over a connection of its own, while the
            // window shows its progress; stopped, it leaves the grid as it was.
            const ui::WorkOutcome outcome = ui::runInBackground(
                this, QStringLiteral("工资统计"), QStringLiteral("正在统计……"), true, [&](WorkProgress& progress) {
                    const std::unique_ptr<Database> db = m_ctx.openWorkConnection();
                    return read(*db, &progress);
                });
            if (outcome != ui::WorkOutcome::Done)
                return false;
        }
    } catch (const DbError& e) {
        showRunError(e.code(), e.message());
        return false;
    }

    m_grid->setRows(1);
    // The workshop column is there only while the rows are grouped by it; the net pay as paid
    // out and its rounding difference only while net pay is rounded.
    m_groupedShown = grouped;
    m_rounding = rounding;
    m_grid->setCols((grouped ? SWorkshop + 1 : StatsColumnCount) + (rounding.isNone() ? 0 : 2));
    for (int col : sumColumns())
        m_grid->setColumnKind(col, ui::DataGrid::ColumnKind::Money);
    const int roundedCol = m_grid->cols() - 2;
    if (!rounding.isNone()) {
        m_grid->setText(0, roundedCol, QStringLiteral("取整后实发"));
        m_grid->setText(0, roundedCol + 1, QStringLiteral("取整差额"));
    }
    m_grid->setText(0, SPeriod, QString::fromUtf16(kPeriodTabs[int(kind)].header));
    for (int c = SNumber; c <= SNetPay; ++c)
        m_grid->setText(0, c, QString::fromUtf16(kColumnHeaders[c - SNumber]));
    m_grid->setText(0, SId, QString());
    m_grid->setColHidden(SId);
    if (grouped)
        m_grid->setText(0, SWorkshop, kWorkshopHeader);
    // The employees' rows are read from the run's figures as the grid shows them, without a text
    // per cell; the totals are summed from the same figures.
    m_grid->setRowSource(std::make_shared<StatsGridRows>(std::move(wages), periodText, grouped, !rounding.isNone()));
    addTotals();
    m_shown = {kind, range, QString::fromUtf16(kPeriodTabs[int(kind)].caption) + u'：' + periodText};
    ui::setListRowHeights(*m_grid);
    // Fitted with the totals in, so that the largest sums are not cut off.
    ui::fitListColumns(*m_grid);
    return true;
}

void WageStatisticsWindow::addTotals()
{
    m_grid->removeTotalsRows();
    // Without employee rows there is nothing to total.
    if (m_grid->rows() < 2)
        return;
    if (m_groupedShown) {
        // One subtotal above each workshop's rows, bottom up so that the rows above keep their
        // places; a workshop whose rows are all filtered away gets none.
        int end = m_grid->rows() - 1;
        while (end >= 1) {
            const QString workshop = m_grid->text(end, SWorkshop);
            int start = end;
            while (start > 1 && m_grid->text(start - 1, SWorkshop) == workshop)
                --start;
            bool shown = false;
            for (int r = start; r <= end; ++r)
                shown = shown || !m_grid->isRowHidden(r);
            if (shown)
                m_grid->addTotalsRow(
                    sumColumns(), (workshop.isEmpty() ? QStringLiteral("未分车间") : workshop) + QStringLiteral(" 小计"),
                    start, end);
            end = start - 1;
        }
    }
    m_grid->addTotalsRow(sumColumns());
}

QList<int> WageStatisticsWindow::sumColumns() const
{
    QList<int> columns = kSumColumns;
    if (!m_rounding.isNone())
        columns << m_grid->cols() - 2 << m_grid->cols() - 1;
    return columns;
}

void WageStatisticsWindow::onGroupingToggled(bool grouped)
{
    // The filter may compare the workshop only while the grid shows it.
    for (const ui::ConditionRow& row : m_panel->conditionRows()) {
        if (grouped)
            row.field->addItem(kWorkshopHeader);
        else
            row.field->removeItem(row.field->findText(kWorkshopHeader));
    }
    if (m_grid->cols() > 0)
        runStatistics();
}

bool WageStatisticsWindow::hasStatistics()
{
    if (m_grid->rows() >= 2)
        return true;
    ui::message(this, QStringLiteral("请先统计后再操作！"), QStringLiteral("提示！"), ui::Icon::Information);
    return false;
}

void WageStatisticsWindow::showFindPanel()
{
    m_panel->showPanel();
}

void WageStatisticsWindow::printGrid()
{
    ui::printDocument(m_ctx, this, *m_grid,
                      {windowTitle(),
                       m_shown.subject + (m_groupedShown ? QStringLiteral("    按车间分组") : QString()) +
                           (m_rounding.isNone() ? QString() : QStringLiteral("    实发工资") + m_rounding.text()),
                       {}});
}

void WageStatisticsWindow::showCharts()
{
    // The period the grid shows, summed from the journals as the grid's run summed it.
    ChartData charts;
    if (!ui::guarded(this, [&] { charts = chartData(m_ctx.conn(), m_shown.kind, m_shown.range); }))
        return;
    // The period as the employee rows name it (the totals row names none).
    QString period = m_shown.range.first;
    for (int r = 1; r < m_grid->rows(); ++r)
        if (!m_grid->text(r, SId).isEmpty()) {
            period = m_grid->text(r, SPeriod);
            break;
        }
    (new StatsChartWindow(m_ctx, charts, period, this))->show();
}

void WageStatisticsWindow::showCashBreakdown()
{
    // Cash is fetched for a pay day: a month's pay, the rows the sheet shows.
    if (m_grid->cols() == 0 || m_shown.kind != PeriodKind::Month) {
        ui::message(this, QStringLiteral("零钞统计按月发放的工资计算，请先在“按月份统计”中统计。"),
                    QStringLiteral("零钞统计"), ui::Icon::Information);
        return;
    }
    const QList<PayDue> pays = shownEmployees();
    // The month as one text, by which the window finds the month's settings.
    const QDate first = QDate::fromString(m_shown.range.first, QStringLiteral("yyyy-MM-dd"));
    const QString period = monthText(first.year(), first.month());
    if (pays.isEmpty()) {
        ui::message(this, QStringLiteral("表中没有员工，没有可统计的工资。"), QStringLiteral("零钞统计"),
                    ui::Icon::Information);
        return;
    }
    (new CashBreakdownWindow(m_ctx, pays, period, this))->show();
}

QList<PayDue> WageStatisticsWindow::shownEmployees() const
{
    QList<PayDue> out;
    for (int r = 1; r < m_grid->rows(); ++r) {
        if (m_grid->isRowHidden(r) || m_grid->isTotalsRow(r) || m_grid->text(r, SId).isEmpty())
            continue;
        out.append({m_grid->text(r, SId).toLongLong(), m_grid->text(r, SNumber), m_grid->text(r, SName),
                    Decimal::fromCellText(m_grid->text(r, SNetPay)).value_or(Decimal())});
    }
    return out;
}

void WageStatisticsWindow::showBankTransfer()
{
    // A transfer is a month's pay, of the rows the sheet shows.
    if (m_grid->cols() == 0 || m_shown.kind != PeriodKind::Month) {
        ui::message(this, QStringLiteral("银行代发按月发放的工资计算，请先在“按月份统计”中统计。"),
                    QStringLiteral("银行代发"), ui::Icon::Information);
        return;
    }
    const QList<PayDue> pays = shownEmployees();
    if (pays.isEmpty()) {
        ui::message(this, QStringLiteral("表中没有员工，没有可发放的工资。"), QStringLiteral("银行代发"),
                    ui::Icon::Information);
        return;
    }
    const QDate first = QDate::fromString(m_shown.range.first, QStringLiteral("yyyy-MM-dd"));
    (new BankTransferWindow(m_ctx, pays, monthText(first.year(), first.month()), this))->show();
}

void WageStatisticsWindow::showWorkerYear()
{
    const QList<PayDue> shown = shownEmployees();
    if (shown.isEmpty()) {
        ui::message(this, QStringLiteral("表中没有员工。"), QStringLiteral("年度汇总"), ui::Icon::Information);
        return;
    }
    // The year of the period shown; the worker of the row chosen, or all of them.
    const QDate first = QDate::fromString(m_shown.range.first, QStringLiteral("yyyy-MM-dd"));
    const int row = m_grid->row();
    const qint64 chosen = row >= 1 && row < m_grid->rows() && !m_grid->isTotalsRow(row) && !m_grid->isRowHidden(row)
                              ? m_grid->text(row, SId).toLongLong()
                              : 0;
    (new WorkerYearWindow(m_ctx, shown, first.isValid() ? first.year() : m_ctx.clock().today().year(), chosen, this))
        ->show();
}

void WageStatisticsWindow::exportGrid()
{
    // Named after the period chosen now, which may differ from the one the grid shows.
    const int tab = m_tabs->currentIndex();
    const QString name =
        m_tabs->tabText(tab) + fileNamePart(periodCombo(tab)->currentText()) + QStringLiteral("员工工资.xlsx");
    const QString path = m_ctx.paths().file(name);
    ui::exportGrid(this, *m_grid, path);
}

void WageStatisticsWindow::applyFilter()
{
    // Always from a fresh run, so that filters do not pile up.
    if (!runStatistics())
        return;
    QList<StatsCondition> conditions;
    for (const ui::ConditionRow& row : m_panel->conditionRows()) {
        const auto* op = static_cast<const QComboBox*>(row.sign);
        const int field = std::max(row.field->currentIndex(), 0);
        conditions.append({field < int(std::size(kColumnHeaders)) ? field + SNumber : int(SWorkshop),
                           CompareOp(std::max(op->currentIndex(), 0)), row.value->text()});
    }
    for (int r = 1; r < m_grid->rows(); ++r) {
        if (m_grid->isTotalsRow(r))
            continue;
        const bool shown = rowPasses(conditions, [&](int col) { return m_grid->text(r, col); });
        m_grid->setRowHidden(r, !shown);
        // A hidden row's amounts are emptied, so that no total can count them.
        if (!shown) {
            m_grid->fillText(r, SProduction, r, SNetPay, QString());
            if (!m_rounding.isNone())
                m_grid->fillText(r, m_grid->cols() - 2, r, m_grid->cols() - 1, QString());
        }
    }
    addTotals();
}

void WageStatisticsWindow::wageSlips(SlipCommand command)
{
    // Slips are monthly: the grid must show a month.
    const QDate first = QDate::fromString(m_shown.range.first, QStringLiteral("yyyy-MM-dd"));
    if (m_shown.kind != PeriodKind::Month || !first.isValid()) {
        ui::message(this, QStringLiteral("工资条按月份打印，请先在“按月份统计”中统计后再操作。"),
                    QStringLiteral("提示！"), ui::Icon::Information);
        return;
    }
    const YearMonth month{first.year(), first.month()};
    QList<int> rows;
    if (command == SlipCommand::PrintSelected) {
        const int row = m_grid->row();
        if (row < 1 || m_grid->isTotalsRow(row) || m_grid->isRowHidden(row)) {
            ui::message(this, QStringLiteral("没有选中或可选的员工"), QStringLiteral("提示！"), ui::Icon::Warning);
            return;
        }
        rows.append(row);
    } else {
        for (int r = 1; r < m_grid->rows(); ++r)
            if (!m_grid->isTotalsRow(r) && !m_grid->isRowHidden(r))
                rows.append(r);
    }
    if (rows.isEmpty()) {
        ui::message(this, QStringLiteral("表中没有员工，没有工资条可打印。"), QStringLiteral("提示！"),
                    ui::Icon::Information);
        return;
    }

    // The slips of the whole list leave out the employees without a line in the month, unless
    // the user asks for them too; a slip chosen by its row is made whatever it holds.
    const bool everyone = m_withoutLines->isChecked() || command == SlipCommand::PrintSelected;
    QList<WageSlip> slips;
    const bool read = ui::guarded(this, [&] {
        WageSlips source(m_ctx.conn());
        for (int r : rows) {
            std::optional<WageSlip> slip = source.slipOf(m_grid->text(r, SId).toLongLong(), month);
            if (slip && (everyone || !slip->production.isEmpty() || !slip->deductions.isEmpty()))
                slips.append(std::move(*slip));
        }
    });
    if (!read)
        return;
    if (slips.isEmpty() && !everyone) {
        ui::message(this,
                    QStringLiteral("表中的员工在 %1 都没有工资记录，没有工资条可打印。")
                        .arg(monthText(month.year, month.month)),
                    QStringLiteral("提示！"), ui::Icon::Information);
        return;
    }
    if (slips.isEmpty()) {
        // Every employee shown was deleted since the run.
        ui::message(this, QStringLiteral("表中的员工已不存在，请重新统计。"), QStringLiteral("提示！"),
                    ui::Icon::Information);
        return;
    }
    const QString monthName = monthText(month.year, month.month);
    if (command == SlipCommand::ExportAll) {
        exportWageSlips(this, slips, m_ctx.paths().file(monthName + QStringLiteral("工资条.xlsx")));
        return;
    }
    const EmployeeRef& one = slips.first().employee;
    const QString title = slips.size() == 1 && command == SlipCommand::PrintSelected
                              ? one.name + u'(' + one.number + u')' + monthName + QStringLiteral(" 工资条")
                              : monthName + QStringLiteral(" 工资条");
    printWageSlips(m_ctx, this, slips, title);
}

void WageStatisticsWindow::showDetails()
{
    const int row = m_grid->row();
    if (row < 2 || m_grid->isTotalsRow(row)) {
        ui::message(this, QStringLiteral("没有选中或可选的员工"), QStringLiteral("提示！"), ui::Icon::Warning);
        return;
    }
    // The month the statistics show (of a quarter or a year, its last month up to today).
    QString month;
    if (const auto last = parseDateText(m_shown.range.last)) {
        const QDate shown = std::min(*last, m_ctx.clock().today());
        month = monthText(shown.year(), shown.month());
    }
    m_entry = new WageEntryWindow(m_ctx, nullptr, m_grid->text(row, SNumber), month);
    m_entry->setAttribute(Qt::WA_DeleteOnClose);
    m_entry->setWindowModality(Qt::ApplicationModal);
    m_entry->resize(m_entry->minimumSize());
    m_entry->move(window()->geometry().center() - m_entry->rect().center());
    ui::keepOnScreenWhenShown(m_entry);
    m_entry->show();
}

void WageStatisticsWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void WageStatisticsWindow::layOut()
{
    const int toolbarHeight = m_toolbar->sizeHint().height();
    m_toolbar->setGeometry(0, 0, width(), toolbarHeight);
    const int tabsTop = toolbarHeight + twipsToPixels(60);
    const QSize tabs = m_tabs->sizeHint();
    m_tabs->setGeometry(twipsToPixels(kGridLeftTwips), tabsTop, std::max(tabs.width(), twipsToPixels(6600)),
                        tabs.height());
    const int buttonsLeft = m_tabs->geometry().right() + twipsToPixels(200);
    const int buttonsTop = tabsTop + tabs.height() - twipsToPixels(540);
    m_run->setGeometry(buttonsLeft, buttonsTop, twipsToPixels(1100), twipsToPixels(420));
    m_details->setGeometry(m_run->geometry().right() + twipsToPixels(150), buttonsTop,
                           std::max(m_details->sizeHint().width(), twipsToPixels(2700)), twipsToPixels(420));
    m_byWorkshop->setGeometry(m_details->geometry().right() + twipsToPixels(200), buttonsTop,
                              m_byWorkshop->sizeHint().width(), twipsToPixels(420));
    m_withoutLines->setGeometry(m_byWorkshop->geometry().right() + twipsToPixels(200), buttonsTop,
                                m_withoutLines->sizeHint().width(), twipsToPixels(420));
    // The grid fills the rest of the window; the panel stays where it stands.
    const int gridTop = m_tabs->geometry().bottom() + twipsToPixels(100);
    m_grid->setGeometry(twipsToPixels(kGridLeftTwips), gridTop, std::max(0, width() - twipsToPixels(300)),
                        std::max(0, height() - gridTop - twipsToPixels(600)));
    const QSize minimum(
        std::max(m_toolbar->sizeHint().width(), m_withoutLines->geometry().right() + twipsToPixels(150)),
        gridTop + twipsToPixels(2400));
    if (minimum != m_minimum) {
        m_minimum = minimum;
        updateGeometry();
    }
}

} // namespace kv
