// Shows a statistics-like grid with Chinese captions, a bold totals row and an editable
// production grid, for looking at the grid on screen. Not installed.
//   kelvaro_griddemo [--print-to-pdf DIR]
#include "data/AppContext.h"
#include "ui/DataGrid.h"
#include "ui/Printing.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

using kv::ui::DataGrid;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("工资统计"));
    auto* layout = new QVBoxLayout(&window);

    auto* stats = new DataGrid(&window);
    stats->setObjectName(QStringLiteral("fg"));
    stats->setCols(7);
    const QStringList captions{QStringLiteral("月份"),     QStringLiteral("工号"), QStringLiteral("姓名"),
                               QStringLiteral("生产金额"), QStringLiteral("扣减"), QStringLiteral("实发工资")};
    for (int c = 0; c < captions.size(); ++c)
        stats->setText(0, c, captions.at(c));
    stats->setColHidden(6);
    stats->setRowHeight(0, 350);
    const QList<QStringList> rows{
        {QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("1234.4"), QStringLiteral("2000"),
         QStringLiteral("-765.6")},
        {QStringLiteral("002"), QStringLiteral("李四"), QStringLiteral("5310.25"), QStringLiteral("120"),
         QStringLiteral("5190.25")},
        {QStringLiteral("003"), QStringLiteral("王五"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}};
    for (const QStringList& values : rows) {
        const int r = stats->addRow();
        stats->setText(r, 0, QStringLiteral("2008-5"));
        for (int c = 0; c < values.size(); ++c)
            stats->setText(r, c + 1, values.at(c));
        stats->setRowHeight(r, 300);
    }
    stats->autoFitCols(0, 6);
    for (int c = 0; c < 7; ++c)
        stats->setColWidth(c, stats->colWidth(c) + 200);
    stats->addTotalsRow({3, 4, 5});
    stats->setCellBackground(3, 2, QColor(255, 255, 192));
    layout->addWidget(new QLabel(QStringLiteral("统计结果")));
    layout->addWidget(stats);

    auto* lines = new DataGrid(&window);
    lines->setObjectName(QStringLiteral("fg1"));
    lines->setCols(8);
    lines->setRows(8);
    const QList<QPair<QString, int>> columns{{QStringLiteral("日期"), 1300},    {QStringLiteral("产品"), 3000},
                                             {QStringLiteral("计量单位"), 800}, {QStringLiteral("数量"), 1200},
                                             {QStringLiteral("金额"), 1200},    {QStringLiteral("备注"), 2500}};
    for (int c = 0; c < columns.size(); ++c) {
        lines->setText(0, c, columns.at(c).first);
        lines->setColWidth(c, columns.at(c).second);
    }
    lines->setColHidden(6);
    lines->setColHidden(7);
    for (int r = 0; r < lines->rows(); ++r)
        lines->setRowHeight(r, 300);
    lines->setEditable(true);
    lines->setDateColumn(0);
    lines->setText(1, 0, QStringLiteral("2008-5-7"));
    lines->setText(1, 1, QStringLiteral("外壳"));
    lines->setText(1, 2, QStringLiteral("件"));
    lines->setText(1, 3, QStringLiteral("40"));
    lines->setText(1, 4, QStringLiteral("50"));
    lines->setCellBackground(2, 0, QColor(255, 128, 128));
    lines->setCellBackground(1, 3, QColor(192, 255, 192));
    lines->setCurrentCell(1, 0);
    layout->addWidget(new QLabel(QStringLiteral("生产明细")));
    layout->addWidget(lines);

    window.resize(760, 460);
    window.show();

    const QStringList args = QApplication::arguments();
    const qsizetype pdf = args.indexOf(QStringLiteral("--print-to-pdf"));
    if (pdf >= 0 && pdf + 1 < args.size()) {
        kv::AppContext ctx(QDir::tempPath());
        ctx.printToPdfDir = args.at(pdf + 1);
        kv::ui::printDocument(ctx, &window, *stats, QStringLiteral("按月份统计2008-5员工工资"));
        kv::ui::printDocument(ctx, &window, *lines, QStringLiteral("张三(001)2008-5 生产详细"));
    }
    return app.exec();
}
