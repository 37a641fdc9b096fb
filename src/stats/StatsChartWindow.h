#pragma once

#include "stats/ChartData.h"

#include <QWidget>

class QChart;
class QChartView;
class QTabWidget;

namespace kv {
class AppContext;

// The window "图表Frm" of the statistics: the trend of production total and net pay over twelve
// months as lines, and for the period the grid shows a bar per workshop and the top twenty
// employees by production. The chart in view is exported as a PNG picture or printed.
class StatsChartWindow final : public QWidget {
    Q_OBJECT
public:
    // `periodText` names the period in captions and file names ("2008-5").
    StatsChartWindow(AppContext& ctx, const ChartData& charts, const QString& periodText, QWidget* parent = nullptr);

    // The chart on the tab in view.
    QChart* currentChart() const;
    QChart* chart(int tab) const;

    // "导出图片": the chart in view as "<period> <chart>.png" in the application directory.
    bool exportPng();
    // "打印": the chart in view, landscape, through the program's printing.
    bool print();

private:
    QString currentTitle() const;

    AppContext& m_ctx;
    QString m_period;
    QTabWidget* m_tabs; // chartTabs
};

} // namespace kv
