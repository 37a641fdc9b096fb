#include "entry/WageSlipPrint.h"

#include "data/TextRules.h"
#include "data/WorkProgress.h"
#include "entry/EntryLayout.h"
#include "entry/SlipPages.h"
#include "entry/WageSlip.h"
#include "ui/Printing.h"

#include <QPainter>
#include <QPrinter>

namespace kv {

namespace {
using Kind = SlipRowKind;

const QColor kLineColor(128, 128, 128);
const QColor kCaptionBackground(230, 230, 230);

// The six columns of a slip's table, as parts of the page width. Deduction rows put their item
// over the four middle columns, so that every amount stands in the last one.
constexpr double kColumnShares[] = {0.16, 0.32, 0.10, 0.14, 0.13, 0.15};
constexpr int kColumnCount = 6;

struct Cell {
    int firstCol;
    int lastCol;
    QString text;
    Qt::Alignment align;
};

// A line's amount as money; a quantity or price as its exact number.
QString amount(const QString& text)
{
    const std::optional<Decimal> value = Decimal::parse(text);
    return value ? value->moneyText() : text;
}

QString number(const QString& text)
{
    const std::optional<Decimal> value = Decimal::parse(text);
    return value ? value->plainText() : text;
}

class SlipPainter {
public:
    SlipPainter(QPrinter& printer, const QList<WageSlip>& slips, WorkProgress* progress)
        : m_printer(printer), m_slips(slips), m_progress(progress), m_body(entry::songFont(10)), m_bold(boldOf(m_body)),
          m_title(boldOf(entry::songFont(13))), m_footer(entry::songFont(8)), m_bodyMetrics(m_body, &printer),
          m_boldMetrics(m_bold, &printer)
    {
    }

    bool print()
    {
        if (!m_painter.begin(&m_printer))
            return false;
        m_width = m_printer.pageLayout().paintRectPixels(m_printer.resolution()).width();
        const double height = m_printer.pageLayout().paintRectPixels(m_printer.resolution()).height();
        const double footer = QFontMetricsF(m_footer, &m_printer).height() * 2;
        m_metrics.row = QFontMetricsF(m_body, &m_printer).height() * 1.7;
        m_metrics.title = QFontMetricsF(m_title, &m_printer).height() * 1.7;
        m_metrics.cut = m_metrics.row * 1.5;
        m_metrics.page = height - footer;

        const QList<SlipPage> pages = layOutSlips(m_slips, m_metrics);
        if (m_progress)
            m_progress->setTotal(int(pages.size()));
        for (qsizetype p = 0; p < pages.size(); ++p) {
            if (p > 0 && !m_printer.newPage())
                return false;
            double y = 0;
            for (qsizetype i = 0; i < pages.at(p).parts.size(); ++i) {
                if (i > 0) {
                    drawCutLine(y + m_metrics.cut / 2);
                    y += m_metrics.cut;
                }
                y = drawPart(pages.at(p).parts.at(i), y);
            }
            m_painter.setFont(m_footer);
            m_painter.setPen(Qt::black);
            m_painter.drawText(QRectF(0, m_metrics.page, m_width, footer), Qt::AlignCenter,
                               QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pages.size()));
            if (m_progress && !m_progress->advance(int(p + 1))) {
                m_printer.abort(); // nothing of a stopped print reaches the printer
                m_painter.end();
                return false;
            }
        }
        return m_painter.end();
    }

private:
    static QFont boldOf(QFont font)
    {
        font.setBold(true);
        return font;
    }

    double drawPart(const SlipPart& part, double y)
    {
        const WageSlip& slip = m_slips.at(part.slip);
        for (const SlipRow& row : part.rows) {
            const double h = rowHeight(m_metrics, row.kind);
            const QRectF band(0, y, m_width, h);
            switch (row.kind) {
            case Kind::Title: drawTitle(slip, band); break;
            case Kind::Employee: drawEmployee(slip, part, band); break;
            case Kind::ProductionCaption:
                drawCells(band,
                          productionCells({QStringLiteral("日期"), QStringLiteral("产品"), QStringLiteral("单位"),
                                           QStringLiteral("数量"), QStringLiteral("工价"), QStringLiteral("金额")}),
                          true);
                break;
            case Kind::ProductionLine: {
                const LineTexts& l = slip.production.at(row.line);
                drawCells(
                    band,
                    productionCells({l.value(PDate), l.value(PProduct), l.value(PUnit), number(l.value(PQuantity)),
                                     number(l.value(PPrice)), amount(l.value(PAmount))}),
                    false);
                break;
            }
            case Kind::DeductionCaption:
                drawCells(
                    band,
                    deductionCells({QStringLiteral("日期"), QStringLiteral("扣减项目"), QStringLiteral("扣减金额")}),
                    true);
                break;
            case Kind::DeductionLine: {
                const LineTexts& l = slip.deductions.at(row.line);
                drawCells(band, deductionCells({l.value(DDate), l.value(DItem), amount(l.value(DAmount))}), false);
                break;
            }
            case Kind::Totals: drawTotals(slip, band); break;
            case Kind::Signature: drawSignature(band); break;
            }
            y += h;
        }
        return y;
    }

    static QList<Cell> productionCells(const QStringList& t)
    {
        const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
        const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
        return {{0, 0, t.at(0), left},  {1, 1, t.at(1), left},  {2, 2, t.at(2), left},
                {3, 3, t.at(3), right}, {4, 4, t.at(4), right}, {5, 5, t.at(5), right}};
    }

    static QList<Cell> deductionCells(const QStringList& t)
    {
        return {{0, 0, t.at(0), Qt::AlignLeft | Qt::AlignVCenter},
                {1, 4, t.at(1), Qt::AlignLeft | Qt::AlignVCenter},
                {5, 5, t.at(2), Qt::AlignRight | Qt::AlignVCenter}};
    }

    double columnX(int col) const
    {
        double x = 0;
        for (int c = 0; c < col && c < kColumnCount; ++c)
            x += kColumnShares[c] * m_width;
        return x;
    }

    void drawCells(const QRectF& band, const QList<Cell>& cells, bool caption)
    {
        QPainter& painter = m_painter;
        const double pad = m_metrics.row * 0.2;
        for (const Cell& cell : cells) {
            const QRectF rect(columnX(cell.firstCol), band.top(), columnX(cell.lastCol + 1) - columnX(cell.firstCol),
                              band.height());
            if (caption)
                painter.fillRect(rect, kCaptionBackground);
            painter.setPen(QPen(kLineColor, 0));
            painter.drawRect(rect);
            const QFont& font = caption ? m_bold : m_body;
            const QFontMetricsF& metrics = caption ? m_boldMetrics : m_bodyMetrics;
            painter.setFont(font);
            painter.setPen(Qt::black);
            const QRectF textRect = rect.adjusted(pad, 0, -pad, 0);
            // Most texts fit; only one that does not is cut, with an ellipsis.
            const bool fits = metrics.horizontalAdvance(cell.text) <= textRect.width();
            painter.drawText(textRect, int(caption ? Qt::AlignCenter : cell.align),
                             fits ? cell.text : metrics.elidedText(cell.text, Qt::ElideRight, textRect.width()));
        }
    }

    void drawTitle(const WageSlip& slip, const QRectF& band)
    {
        m_painter.setFont(m_title);
        m_painter.setPen(Qt::black);
        const QString title =
            slip.factory.isEmpty() ? QStringLiteral("工资条") : slip.factory + QStringLiteral("  工资条");
        m_painter.drawText(band, Qt::AlignCenter, title);
    }

    void drawEmployee(const WageSlip& slip, const SlipPart& part, const QRectF& band)
    {
        const EmployeeRef& e = slip.employee;
        const QString who = QStringLiteral("姓名：%1    工号：%2    车间：%3    工种：%4    月份：%5")
                                .arg(e.name, e.number, e.workshop, e.jobType, slip.monthText);
        m_painter.setFont(m_body);
        m_painter.setPen(Qt::black);
        m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, who);
        if (part.partCount > 1)
            m_painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                               QStringLiteral("第 %1 页 / 共 %2 页").arg(part.part + 1).arg(part.partCount));
    }

    void drawTotals(const WageSlip& slip, const QRectF& band)
    {
        m_painter.setFont(m_bold);
        m_painter.setPen(Qt::black);
        QString totals =
            QStringLiteral("%1        减扣金额合计：%2        实发工资：%3")
                .arg(productionTotalText(slip), slip.deductionTotal.moneyText(), slip.netPay().moneyText());
        if (!slip.rounding.isNone())
            totals = QStringLiteral("%1    减扣金额合计：%2    实发工资：%3    取整后实发：%4    取整差额：%5")
                         .arg(productionTotalText(slip), slip.deductionTotal.moneyText(), slip.netPay().moneyText(),
                              slip.paidNetPay().moneyText(), slip.rounding.difference(slip.netPay()).moneyText());
        m_painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter, totals);
    }

    void drawSignature(const QRectF& band)
    {
        m_painter.setFont(m_body);
        m_painter.setPen(Qt::black);
        const QString label = QStringLiteral("签收：");
        const double labelWidth = m_bodyMetrics.horizontalAdvance(label);
        const double left = band.width() * 0.55;
        m_painter.drawText(QRectF(left, band.top(), labelWidth * 1.1, band.height()), Qt::AlignLeft | Qt::AlignVCenter,
                           label);
        const double lineY = band.top() + band.height() * 0.75;
        m_painter.drawLine(QPointF(left + labelWidth, lineY), QPointF(band.right(), lineY));
    }

    void drawCutLine(double y)
    {
        QPen dashed(kLineColor, 0, Qt::DashLine);
        m_painter.setPen(dashed);
        m_painter.drawLine(QPointF(0, y), QPointF(m_width, y));
    }

    QPrinter& m_printer;
    const QList<WageSlip>& m_slips;
    WorkProgress* m_progress;
    QPainter m_painter; // paints on m_printer while print() runs
    QFont m_body, m_bold, m_title, m_footer;
    QFontMetricsF m_bodyMetrics, m_boldMetrics;
    SlipMetrics m_metrics;
    double m_width = 0;
};
} // namespace

bool paintWageSlips(QPrinter& printer, const QList<WageSlip>& slips, WorkProgress* progress)
{
    return SlipPainter(printer, slips, progress).print();
}

bool printWageSlips(AppContext& ctx, QWidget* parent, const QList<WageSlip>& slips, const QString& title)
{
    return ui::printPagesInBackground(ctx, parent, title, [&](QPrinter& printer, WorkProgress& progress) {
        return paintWageSlips(printer, slips, &progress);
    });
}

} // namespace kv
