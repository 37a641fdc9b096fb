#include "teams/TimeWageWindow.h"

#include "data/AppContext.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "entry/MonthRecords.h"
#include "teams/TimeWages.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
enum LineColumn { LDate, LItem, LUnit, LQuantity, LRate, LAmount, LineColumnCount };
enum RateColumn { RJobType, RNo, RUnit, RRate, RFrom, RateColumnCount };
constexpr int kLineRows = 20;
constexpr int kRateRows = 20;

void setUpGrid(ui::DataGrid* grid, const QStringList& captions, int rows)
{
    grid->setCols(int(captions.size()));
    grid->setRows(rows + 1);
    for (int c = 0; c < captions.size(); ++c)
        grid->setText(0, c, captions.at(c));
    grid->setEditable(true);
}

Decimal cellFigure(const QString& typed, const QString& where)
{
    const QString text = cleanText(typed);
    if (text.isEmpty())
        return {};
    const auto value = Decimal::parse(text);
    if (!value)
        throw InputError(QStringLiteral("%1必须是数字！").arg(where));
    return *value;
}

QDate cellDate(const QString& typed, const QString& where, const std::optional<YearMonth>& month = std::nullopt)
{
    const QString text = cleanText(typed);
    bool isDay = false;
    const int day = text.toInt(&isDay);
    if (month && isDay && day >= 1 && day <= month->firstDay().daysInMonth())
        return QDate(month->year, month->month, day);
    const auto date = parseDateText(text);
    if (!date)
        throw InputError(QStringLiteral("%1的日期“%2”不正确。").arg(where, text));
    return *date;
}
} // namespace

TimeWageWindow::TimeWageWindow(AppContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), m_ctx(ctx)
{
    ui::makeModalWindow(this, QStringLiteral("计时工资Frm"), QStringLiteral("计时工资"));
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("Text1"));
    m_number->setPlaceholderText(QStringLiteral("工号，回车"));
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("LabelName"));
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("monthBox"));
    m_month->addItems(workingMonths(ctx.clock().today()));
    m_month->setCurrentIndex(m_month->count() - 1);
    connect(m_number, &QLineEdit::returnPressed, this, &TimeWageWindow::loadEmployee);
    connect(m_month, &QComboBox::currentIndexChanged, this, &TimeWageWindow::loadEmployee);

    m_lines = new ui::DataGrid(this);
    m_lines->setObjectName(QStringLiteral("fgLines"));
    setUpGrid(m_lines,
              {QStringLiteral("日期"), QStringLiteral("计时项目"), QStringLiteral("单位"), QStringLiteral("数量"),
               QStringLiteral("工价"), QStringLiteral("金额")},
              kLineRows);
    m_lines->setColumnKind(LAmount, ui::DataGrid::ColumnKind::Money);
    m_lines->setColWidth(LItem, 2200);
    connect(m_lines, &ui::DataGrid::beforeEdit, this, [](int, int col, bool& cancel) { cancel = col == LAmount; });
    connect(m_lines, &ui::DataGrid::afterEdit, this, [this](int row, int) { showAmount(row); });

    m_rates = new ui::DataGrid(this);
    m_rates->setObjectName(QStringLiteral("fgRates"));
    setUpGrid(m_rates,
              {QStringLiteral("工种"), QStringLiteral("工号"), QStringLiteral("单位"), QStringLiteral("工价"),
               QStringLiteral("生效日期")},
              kRateRows);

    auto* saveButton = ui::commandButton(QStringLiteral("保存"), QStringLiteral("Command1"), this);
    auto* rateButton = ui::commandButton(QStringLiteral("保存计时工价"), QStringLiteral("Command2"), this);
    auto* closeButton = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    connect(saveButton, &QPushButton::clicked, this, &TimeWageWindow::saveLines);
    connect(rateButton, &QPushButton::clicked, this, &TimeWageWindow::saveRates);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("工号："), this));
    top->addWidget(m_number);
    top->addWidget(m_name, 1);
    top->addWidget(new QLabel(QStringLiteral("计工月份："), this));
    top->addWidget(m_month);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    for (QPushButton* b : {saveButton, rateButton, closeButton})
        commands->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("计时记录（单位：小时或天；工价空着则取当日有效的计时工价）"), this));
    layout->addWidget(m_lines, 3);
    layout->addWidget(new QLabel(QStringLiteral("计时工价（按工种或按员工填其一；员工本人的工价优先）"), this));
    layout->addWidget(m_rates, 2);
    layout->addLayout(commands);
    resize(760, 620);
    loadRates();
}

void TimeWageWindow::loadRates()
{
    QList<TimeRate> rates;
    if (!ui::guarded(this, [&] { rates = TimeWages(m_ctx.conn()).rates(); }))
        return;
    m_rates->setRows(1);
    m_rates->setRows(int(std::max<qsizetype>(rates.size() + 5, kRateRows)) + 1);
    for (int i = 0; i < rates.size(); ++i) {
        const TimeRate& r = rates.at(i);
        const QStringList row{r.jobType, r.employeeNo, r.unit, r.rate.plainText(), dateText(r.from)};
        for (int c = 0; c < row.size(); ++c)
            m_rates->setText(i + 1, c, row.at(c));
    }
}

void TimeWageWindow::loadEmployee()
{
    const QString no = cleanText(m_number->text());
    const auto month = parseMonthText(m_month->currentText());
    if (no.isEmpty() || !month)
        return;
    QString name;
    QList<TimeLine> lines;
    qint64 version = 0;
    if (!ui::guarded(this, [&] {
            name = m_ctx.conn().scalar(QStringLiteral("SELECT max(姓名) FROM 员工 WHERE 工号 = ?"), {no}).toString();
            lines = TimeWages(m_ctx.conn()).lines(no, *month);
            version = MonthRecords(m_ctx.conn()).version(no, m_month->currentText());
        }))
        return;
    if (name.isEmpty()) {
        ui::message(this, QStringLiteral("没有工号为 %1 的员工。").arg(no), QStringLiteral("提示！"),
                    ui::Icon::Information);
        return;
    }
    m_employeeNo = no;
    m_loadedVersion = version;
    m_name->setText(name);
    m_lines->setRows(1);
    m_lines->setRows(int(std::max<qsizetype>(lines.size() + 5, kLineRows)) + 1);
    for (int i = 0; i < lines.size(); ++i) {
        const TimeLine& l = lines.at(i);
        const QStringList row{dateText(l.date),      l.item, l.unit, l.quantity.plainText(), l.rate.plainText(),
                              l.amount().plainText()};
        for (int c = 0; c < row.size(); ++c)
            m_lines->setText(i + 1, c, row.at(c));
    }
}

void TimeWageWindow::showAmount(int row)
{
    if (m_lines->text(row, LUnit).isEmpty() && !cleanText(m_lines->text(row, LItem)).isEmpty())
        m_lines->setText(row, LUnit, kTimeUnits.first());
    m_lines->setText(row, LAmount, amountText(m_lines->text(row, LQuantity), m_lines->text(row, LRate)));
}

bool TimeWageWindow::saveLines()
{
    if (m_employeeNo.isEmpty()) {
        ui::message(this, QStringLiteral("请先输入工号并回车。"), QStringLiteral("提示！"), ui::Icon::Information);
        return false;
    }
    const bool done = ui::guarded(this, [&] {
        const auto month = parseMonthText(m_month->currentText());
        QList<TimeLine> lines;
        for (int r = 1; r < m_lines->rows(); ++r) {
            if (cleanText(m_lines->text(r, LItem)).isEmpty())
                continue;
            const QString where = QStringLiteral("计时记录第 %1 行").arg(r);
            lines.append({cellDate(m_lines->text(r, LDate), where, month), cleanText(m_lines->text(r, LItem)),
                          cleanText(m_lines->text(r, LUnit)),
                          cellFigure(m_lines->text(r, LQuantity), where + QStringLiteral("的数量")),
                          cellFigure(m_lines->text(r, LRate), where + QStringLiteral("的工价"))});
        }
        TimeWages(m_ctx.conn()).saveLines(m_employeeNo, m_month->currentText(), lines, m_loadedVersion);
    });
    if (!done)
        return false;
    loadEmployee();
    ui::message(this, QStringLiteral("计时工资已保存。"), QStringLiteral("保存成功"), ui::Icon::Information);
    return true;
}

bool TimeWageWindow::saveRates()
{
    const bool done = ui::guarded(this, [&] {
        QList<TimeRate> rates;
        for (int r = 1; r < m_rates->rows(); ++r) {
            if (cleanText(m_rates->text(r, RRate)).isEmpty())
                continue;
            const QString where = QStringLiteral("计时工价第 %1 行").arg(r);
            rates.append({m_rates->text(r, RJobType), m_rates->text(r, RNo), cleanText(m_rates->text(r, RUnit)),
                          cellFigure(m_rates->text(r, RRate), where + QStringLiteral("的工价")),
                          cellDate(m_rates->text(r, RFrom), where)});
        }
        // Every rate or none: the rows go in as one change.
        Transaction tx(m_ctx.conn());
        TimeWages time(m_ctx.conn());
        for (const TimeRate& rate : std::as_const(rates))
            time.setRate(rate);
        tx.commit();
    });
    if (done)
        loadRates();
    return done;
}

} // namespace kv
