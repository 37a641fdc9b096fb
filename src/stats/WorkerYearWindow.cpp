#include "stats/WorkerYearWindow.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "data/TextRules.h"
#include "ui/ColumnWidest.h"
#include "ui/DataGrid.h"
#include "ui/GridModel.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"
#include "ui/WorkbookExport.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>
#include <optional>
#include <vector>

namespace kv {

namespace {
enum YearColumn { YMonth, YNumber, YName, YProduction, YDeductions, YNetPay, YPaid, YDifference };

// The workers' months as the grid shows them, made into texts only for the cells the grid shows,
// prints or exports: twelve rows a worker. With `totals` each worker's months end in a row of the
// year's sums, and a first row sums everybody's months.
class WorkerMonthRows final : public ui::GridRowSource {
public:
    WorkerMonthRows(const QList<WorkerYear>& years, bool rounded, bool totals)
        : m_years(years), m_rounded(rounded), m_first(totals ? 1 : 0), m_perWorker(totals ? 13 : 12)
    {
        // One pass over the months: each worker's year sums (read at every paint of its row), the
        // sums of all, and the widest value of each column for fitting it.
        const int lastFigure = m_rounded ? YDifference : YNetPay;
        if (totals)
            m_yearSums.reserve(std::size_t(m_years.size()));
        for (const WorkerYear& w : std::as_const(m_years)) {
            std::array<Decimal, YDifference + 1> year{};
            for (const WorkerMonth& m : w.months) {
                const Decimal net = m.netPay();
                const std::array<Decimal, YDifference + 1> figures{
                    Decimal(), Decimal(), Decimal(), m.production, m.deductions, net, m.paid, m.paid - net};
                for (int col = YProduction; col <= lastFigure; ++col) {
                    m_widest[std::size_t(col)].addNumber(figures[std::size_t(col)]);
                    year[std::size_t(col)] += figures[std::size_t(col)];
                }
                if (m.closed) { // a closed month names the worker as it paid him
                    m_widest[YNumber].addText(m.number);
                    m_widest[YName].addText(m.name);
                }
            }
            if (totals) {
                Figures sums;
                for (int col = YProduction; col <= lastFigure; ++col) {
                    const Decimal sum = year[std::size_t(col)];
                    m_widest[std::size_t(col)].addNumber(sum);
                    m_allSums[std::size_t(col)] = m_allSums[std::size_t(col)].value_or(Decimal()) + sum;
                    sums[std::size_t(col)] = sum;
                }
                m_yearSums.push_back(sums);
            }
            m_widest[YNumber].addText(w.number);
            m_widest[YName].addText(w.name);
        }
        for (std::size_t col = 0; col < m_allSums.size(); ++col)
            if (const std::optional<Decimal> sum = m_allSums[col])
                m_widest[col].addNumber(*sum);
        // The months' texts are the same for every worker of the year.
        if (!m_years.isEmpty()) {
            for (int month = 1; month <= 12; ++month)
                m_monthTexts.append(monthText(m_years.first().year, month));
            if (totals) {
                m_widest[YMonth].addText(QStringLiteral("全部合计"));
                m_widest[YMonth].addText(QStringLiteral("%1年合计").arg(m_years.first().year));
            }
        }
        for (const QString& month : std::as_const(m_monthTexts))
            m_widest[YMonth].addText(month);
        for (const WorkerYear& w : std::as_const(m_years)) {
            if (w.year != m_years.first().year) {
                for (int month = 1; month <= 12; ++month)
                    m_widest[YMonth].addText(monthText(w.year, month));
                m_widest[YMonth].addText(QStringLiteral("%1年合计").arg(w.year));
            }
        }
    }

    int rowCount() const override { return m_first + int(m_years.size()) * m_perWorker; }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= rowCount())
            return {};
        if (row < m_first)
            return col == YMonth ? QStringLiteral("全部合计") : numberText(row, col);
        const WorkerYear& w = m_years.at((row - m_first) / m_perWorker);
        const int month = (row - m_first) % m_perWorker;
        switch (col) {
        case YMonth:
            if (month == 12)
                return QStringLiteral("%1年合计").arg(w.year);
            return w.year == m_years.first().year ? m_monthTexts.at(month) : monthText(w.year, month + 1);
        // A closed month names the worker as it paid him.
        case YNumber: return month < 12 && w.months.at(month).closed ? w.months.at(month).number : w.number;
        case YName: return month < 12 && w.months.at(month).closed ? w.months.at(month).name : w.name;
        default: break;
        }
        return numberText(row, col);
    }
    std::optional<Decimal> number(int row, int col) const override
    {
        if (row < 0 || row >= rowCount())
            return std::nullopt;
        if (row < m_first)
            return col >= 0 && col < int(m_allSums.size()) ? m_allSums.at(std::size_t(col)) : std::nullopt;
        const WorkerYear& w = m_years.at((row - m_first) / m_perWorker);
        const int month = (row - m_first) % m_perWorker;
        if (month < 12)
            return figure(w.months.at(month), col);
        return col >= 0 && col <= YDifference ? m_yearSums.at(std::size_t((row - m_first) / m_perWorker))[std::size_t(col)]
                                              : std::nullopt;
    }
    const ui::ColumnWidest* widest(int col) const override
    {
        return col >= 0 && col <= YDifference ? &m_widest[std::size_t(col)] : nullptr;
    }

private:
    QString numberText(int row, int col) const
    {
        const std::optional<Decimal> value = number(row, col);
        return value ? value->plainText() : QString();
    }
    std::optional<Decimal> figure(const WorkerMonth& m, int col) const
    {
        switch (col) {
        case YProduction: return m.production;
        case YDeductions: return m.deductions;
        case YNetPay: return m.netPay();
        case YPaid: return m_rounded ? std::optional(m.paid) : std::nullopt;
        case YDifference: return m_rounded ? std::optional(m.paid - m.netPay()) : std::nullopt;
        default: break;
        }
        return std::nullopt;
    }

    QList<WorkerYear> m_years;
    bool m_rounded;
    using Figures = std::array<std::optional<Decimal>, YDifference + 1>; // by column
    std::vector<Figures> m_yearSums;                                     // of each worker, with totals
    Figures m_allSums;                                                   // of every worker's months
    std::array<ui::ColumnWidest, YDifference + 1> m_widest;
    QStringList m_monthTexts; // of the first worker's year
    int m_first;              // rows before the first worker's: the total of all
    int m_perWorker;          // rows of each worker
};

} // namespace

WorkerYearWindow::WorkerYearWindow(AppContext& ctx, QList<PayDue> employees, int year, qint64 chosen, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_employees(std::move(employees))
{
    ui::makeModalWindow(this, QStringLiteral("员工年度汇总Frm"), QStringLiteral("员工年度汇总"));

    m_year = new QSpinBox(this);
    m_year->setObjectName(QStringLiteral("TextYear"));
    m_year->setRange(1900, 9999);
    m_year->setValue(year);
    m_employee = new QComboBox(this);
    m_employee->setObjectName(QStringLiteral("ComboEmployee"));
    // As wide as a name and number usually are, not measured over every entry: a factory of
    // 32,000 had the window measure as many texts before it showed.
    constexpr int kShownCharacters = 16;
    m_employee->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_employee->setMinimumContentsLength(kShownCharacters);
    m_employee->addItem(QStringLiteral("全部（%1 人）").arg(m_employees.size()), qint64(0));
    for (const PayDue& e : std::as_const(m_employees))
        m_employee->addItem(e.name + u'(' + e.number + u')', e.id);
    m_employee->setCurrentIndex(std::max(0, m_employee->findData(chosen)));

    m_grid = ui::sheetGrid(this);
    auto* printButton = ui::commandButton(QStringLiteral("打印"), QStringLiteral("CommandPrint"), this);
    auto* exportButton = ui::commandButton(QStringLiteral("导出"), QStringLiteral("CommandExport"), this);
    auto* close = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    connect(m_year, &QSpinBox::valueChanged, this, &WorkerYearWindow::showYears);
    connect(m_employee, &QComboBox::currentIndexChanged, this, &WorkerYearWindow::showYears);
    connect(printButton, &QPushButton::clicked, this, &WorkerYearWindow::print);
    connect(exportButton, &QPushButton::clicked, this, &WorkerYearWindow::exportSheet);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("年份："), this));
    choices->addWidget(m_year);
    choices->addWidget(new QLabel(QStringLiteral("员工："), this));
    choices->addWidget(m_employee);
    choices->addStretch(1);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(printButton);
    commands->addWidget(exportButton);
    commands->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_grid, 1);
    layout->addLayout(commands);
    resize(860, 600);
    showYears();
}

void WorkerYearWindow::showYears()
{
    const qint64 chosen = m_employee->currentData().toLongLong();
    QList<qint64> ids;
    for (const PayDue& e : std::as_const(m_employees))
        if (chosen == 0 || e.id == chosen)
            ids << e.id;
    m_years.clear();
    m_rounding = {};
    ui::guarded(this, [&] {
        m_rounding = roundingOfMonths(m_ctx.conn(), {m_year->value(), 1}, {m_year->value(), 12});
        m_years = workerYears(m_ctx.conn(), m_year->value(), ids);
    });

    const bool rounded = !m_rounding.isNone();
    m_grid->setRows(1);
    m_grid->setCols(rounded ? YDifference + 1 : YPaid);
    const QStringList headers{QStringLiteral("月份"),       QStringLiteral("工号"),    QStringLiteral("姓名"),
                              QStringLiteral("生产金额"),   QStringLiteral("扣减"),    QStringLiteral("实发工资"),
                              QStringLiteral("取整后实发"), QStringLiteral("取整差额")};
    for (int c = 0; c < m_grid->cols(); ++c)
        m_grid->setText(0, c, headers.at(c));
    QList<int> sums{YProduction, YDeductions, YNetPay};
    if (rounded)
        sums << YPaid << YDifference;
    for (const int c : std::as_const(sums))
        m_grid->setColumnKind(c, ui::DataGrid::ColumnKind::Money);

    // One worker's year is totalled above its months, as the statistics total above their rows.
    // Several workers' years each end in a row of their sums, under a row of the sums of all
    // (a totals row inserted per worker would move every row below it, for each worker).
    const bool several = m_years.size() > 1;
    m_grid->setRowSource(std::make_shared<WorkerMonthRows>(m_years, !m_rounding.isNone(), several));
    if (m_years.size() == 1)
        m_grid->addTotalsRow(sums, QStringLiteral("%1年合计").arg(m_year->value()));
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);
}

QString WorkerYearWindow::subject() const
{
    if (m_years.size() == 1)
        return m_years.first().name + u'(' + m_years.first().number + u')';
    return QStringLiteral("全部 %1 人").arg(m_years.size());
}

bool WorkerYearWindow::print()
{
    QStringList notes;
    if (!m_rounding.isNone())
        notes << QStringLiteral("实发工资%1。").arg(m_rounding.text());
    return ui::printDocument(
        m_ctx, this, *m_grid,
        {QStringLiteral("员工年度汇总"), QStringLiteral("%1年    %2").arg(m_year->value()).arg(subject()), notes});
}

bool WorkerYearWindow::exportSheet()
{
    return ui::exportGrid(
        this, *m_grid,
        m_ctx.paths().file(QStringLiteral("员工年度汇总%1%2.xlsx").arg(m_year->value()).arg(fileNamePart(subject()))));
}

} // namespace kv
