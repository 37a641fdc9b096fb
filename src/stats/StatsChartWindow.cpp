#include "stats/StatsChartWindow.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"
#include "ui/WindowPlacement.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace kv {

namespace {
QChartView* viewOf(QChart* chart, const QString& name, QWidget* parent)
{
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    auto* view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QValueAxis* amountAxis()
{
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));
    return axis;
}

QChart* trendChart(const QList<MonthPoint>& trend)
{
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("近%1个月生产金额与实发工资").arg(kTrendMonths));
    auto* production = new QLineSeries;
    production->setName(QStringLiteral("生产金额合计"));
    auto* netPay = new QLineSeries;
    netPay->setName(QStringLiteral("实发工资合计"));
    QStringList months;
    double low = 0;
    double high = 0;
    for (int i = 0; i < trend.size(); ++i) {
        const double made = trend.at(i).production.toDouble();
        const double paid = trend.at(i).netPay.toDouble();
        production->append(i, made);
        netPay->append(i, paid);
        months << trend.at(i).month;
        low = std::min({low, paid, made});
        high = std::max({high, paid, made});
    }
    for (QLineSeries* series : {production, netPay}) {
        series->setPointsVisible(true);
        chart->addSeries(series);
    }
    auto* x = new QBarCategoryAxis;
    x->append(months);
    QValueAxis* y = amountAxis();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries* series : {production, netPay}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    // From zero (or the lowest net pay below it), so that every point is in view and the heights
    // compare; attaching the series has fitted the axis to the data, so the range is set after.
    y->setRange(low, std::max(high, 1.0));
    y->applyNiceNumbers();
    return chart;
}

template <class Series>
QChart* barChart(const QString& title, const QList<NamedAmount>& bars, Qt::Alignment categorySide)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* set = new QBarSet(QStringLiteral("生产金额"));
    QStringList names;
    for (const NamedAmount& bar : bars) {
        *set << bar.amount.toDouble();
        names << bar.name;
    }
    auto* series = new Series;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value"));
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(names);
    QValueAxis* values = amountAxis();
    const bool horizontal = categorySide == Qt::AlignLeft;
    chart->addAxis(categories, categorySide);
    chart->addAxis(values, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    double high = 1;
    for (const NamedAmount& bar : bars)
        high = std::max(high, bar.amount.toDouble());
    values->setRange(0, high);
    values->applyNiceNumbers();
    chart->legend()->setVisible(false);
    return chart;
}
} // namespace

StatsChartWindow::StatsChartWindow(AppContext& ctx, const ChartData& charts, const QString& periodText, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ctx(ctx), m_period(periodText)
{
    ui::makeModalWindow(this, QStringLiteral("图表Frm"), QStringLiteral("图表 - %1").arg(periodText));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("chartTabs"));
    m_tabs->addTab(viewOf(trendChart(charts.trend), QStringLiteral("chartTrend"), m_tabs), QStringLiteral("月度趋势"));
    // Vertical bars: a few workshops side by side; horizontal bars: twenty names one under another,
    // the highest on top.
    m_tabs->addTab(viewOf(barChart<QBarSeries>(QStringLiteral("%1 各车间生产金额").arg(periodText), charts.workshops,
                                               Qt::AlignBottom),
                          QStringLiteral("chartWorkshops"), m_tabs),
                   QStringLiteral("车间"));
    QList<NamedAmount> topDown(charts.topEmployees.crbegin(), charts.topEmployees.crend());
    m_tabs->addTab(
        viewOf(barChart<QHorizontalBarSeries>(QStringLiteral("%1 生产金额前%2名").arg(periodText).arg(kTopEmployees),
                                              topDown, Qt::AlignLeft),
               QStringLiteral("chartTop"), m_tabs),
        QStringLiteral("员工排名"));

    auto* png = new QPushButton(QStringLiteral("导出图片"), this);
    png->setObjectName(QStringLiteral("CommandPng"));
    auto* printButton = new QPushButton(QStringLiteral("打印"), this);
    printButton->setObjectName(QStringLiteral("CommandPrint"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("CommandClose"));
    connect(png, &QPushButton::clicked, this, &StatsChartWindow::exportPng);
    connect(printButton, &QPushButton::clicked, this, &StatsChartWindow::print);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(png);
    buttons->addWidget(printButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
    resize(980, 640);
    ui::keepOnScreenWhenShown(this);
}

QChart* StatsChartWindow::chart(int tab) const
{
    auto* view = qobject_cast<QChartView*>(m_tabs->widget(tab));
    return view ? view->chart() : nullptr;
}

QChart* StatsChartWindow::currentChart() const
{
    return chart(m_tabs->currentIndex());
}

QString StatsChartWindow::currentTitle() const
{
    return m_period + u' ' + m_tabs->tabText(m_tabs->currentIndex());
}

bool StatsChartWindow::exportPng()
{
    auto* view = qobject_cast<QChartView*>(m_tabs->currentWidget());
    // A day typed "2026/12/7" names the chart, but a file name cannot hold its slashes.
    const QString path = m_ctx.paths().file(fileNamePart(currentTitle()) + QStringLiteral(".png"));
    if (!view->grab().save(path, "PNG")) {
        ui::message(this, QStringLiteral("图片没有导出：无法写入文件 %1").arg(QDir::toNativeSeparators(path)),
                    QStringLiteral("导出失败"), ui::Icon::Warning);
        return false;
    }
    ui::message(this, QStringLiteral("图表已导出到 %1").arg(QDir::toNativeSeparators(path)), QStringLiteral("导出成功"),
                ui::Icon::Information);
    return true;
}

bool StatsChartWindow::print()
{
    auto* view = qobject_cast<QChartView*>(m_tabs->currentWidget());
    return ui::printPages(
        m_ctx, this, currentTitle(), [](QPrinter& printer) { printer.setPageOrientation(QPageLayout::Landscape); },
        [view](QPrinter& printer) {
            QPainter painter;
            if (!painter.begin(&printer))
                return false;
            // The chart fills the printable area of the page.
            view->render(&painter, QRectF(0, 0, printer.width(), printer.height()));
            return painter.end();
        });
}

} // namespace kv
