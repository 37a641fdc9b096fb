// Wage slips of a factory of 2,000 employees printed to PDF, against the PDF engine's own speed:
// the yardstick draws the same boxes and texts (every cell of every slip, the headings and the
// footers) at fixed places with the same fonts, with no layout, measuring or eliding.
#include "GuiBenchMain.h"
#include "entry/EntryLayout.h"
#include "entry/WageSlip.h"
#include "entry/WageSlipPrint.h"

#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

namespace {
using namespace kv;

constexpr int kEmployees = 2000;

const QList<WageSlip>& slips()
{
    static const QList<WageSlip> all = [] {
        QList<WageSlip> list;
        for (int e = 0; e < kEmployees; ++e) {
            WageSlip slip;
            slip.factory = QStringLiteral("宏达服装厂");
            slip.employee = {e + 1, QStringLiteral("%1").arg(e + 1, 5, 10, QChar(u'0')),
                             QStringLiteral("员工%1").arg(e + 1), QStringLiteral("缝纫车间"), QStringLiteral("车工")};
            slip.monthText = QStringLiteral("2008-5");
            for (int l = 0; l < 3; ++l)
                slip.production.append({QStringLiteral("2008-5-%1").arg(l + 3), QStringLiteral("外壳（大号）"),
                                        QStringLiteral("个"), QStringLiteral("40"), QStringLiteral("50"), QString(),
                                        QStringLiteral("1.25"), QString()});
            slip.deductions.append({QStringLiteral("2008-5-9"), QStringLiteral("罚款"), QStringLiteral("20")});
            slip.productionTotal = Decimal::fromInteger(150);
            slip.deductionTotal = Decimal::fromInteger(20);
            list.append(slip);
        }
        return list;
    }();
    return all;
}

std::unique_ptr<QPrinter> pdfPrinter(const QTemporaryDir& dir)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setOutputFileName(dir.filePath(QStringLiteral("slips.pdf")));
    return printer;
}

void BM_PrintSlips(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        auto printer = pdfPrinter(dir);
        if (!paintWageSlips(*printer, slips(), nullptr))
            state.SkipWithError("printing failed");
    }
}
BENCHMARK(BM_PrintSlips)->Unit(benchmark::kMillisecond)->Iterations(2);

// Ten rows to a slip (title, employee, captions, three lines, a deduction, totals, signature),
// four slips to a page, as the slips of this benchmark come out.
void BM_BarePdfText(benchmark::State& state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        auto printer = pdfPrinter(dir);
        QPainter painter(printer.get());
        const QFont body = entry::songFont(10);
        const QFont title = entry::songFont(13);
        const double width = printer->pageLayout().paintRectPixels(printer->resolution()).width();
        const double row = QFontMetricsF(body, printer.get()).height() * 1.7;
        const double cell = width / 6;
        int onPage = 0;
        double y = 0;
        for (const WageSlip& slip : slips()) {
            if (onPage == 4) {
                painter.drawText(QRectF(0, y, width, row), Qt::AlignCenter, QStringLiteral("第 1 页 / 共 1 页"));
                printer->newPage();
                onPage = 0;
                y = 0;
            }
            painter.setFont(title);
            painter.drawText(QRectF(0, y, width, row), Qt::AlignCenter, slip.factory + QStringLiteral("  工资条"));
            painter.setFont(body);
            painter.drawText(QRectF(0, y + row, width, row), Qt::AlignLeft | Qt::AlignVCenter,
                             slip.employee.name + slip.employee.number + slip.employee.workshop + slip.monthText);
            y += 2 * row;
            QList<QStringList> rows = {{QStringLiteral("日期"), QStringLiteral("产品"), QStringLiteral("单位"),
                                        QStringLiteral("数量"), QStringLiteral("工价"), QStringLiteral("金额")}};
            for (const LineTexts& l : slip.production)
                rows.append({l.at(PDate), l.at(PProduct), l.at(PUnit), l.at(PQuantity), l.at(PPrice), l.at(PAmount)});
            for (const LineTexts& l : slip.deductions)
                rows.append({l.at(DDate), l.at(DItem), l.at(DAmount)});
            for (const QStringList& texts : rows) {
                for (int c = 0; c < texts.size(); ++c) {
                    const QRectF rect(c * cell, y, cell, row);
                    painter.drawRect(rect);
                    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, texts.at(c));
                }
                y += row;
            }
            painter.drawText(QRectF(0, y, width, row), Qt::AlignRight | Qt::AlignVCenter,
                             slip.productionTotal.moneyText() + slip.deductionTotal.moneyText() +
                                 slip.netPay().moneyText());
            painter.drawLine(QPointF(width / 2, y + 2 * row), QPointF(width, y + 2 * row));
            y += 3 * row;
            ++onPage;
        }
        painter.end();
    }
}
BENCHMARK(BM_BarePdfText)->Unit(benchmark::kMillisecond)->Iterations(2);
} // namespace

KV_GUI_BENCHMARK_MAIN()
