#include "tickets/TicketPrint.h"

#include "data/WorkProgress.h"
#include "entry/EntryLayout.h"
#include "tickets/Barcode.h"
#include "ui/Printing.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace kv {

namespace {
// Sizes in millimetres.
constexpr double kMargin = 10;
constexpr double kPadding = 4;
constexpr double kLabelPadding = 2;
constexpr QSizeF kLabelSize{60, 40};
constexpr double kBarWidth = 52;
constexpr double kBarHeight = 14;

class TicketPainter {
public:
    TicketPainter(QPainter& painter, double dotsPerMm) : m_painter(painter), m_dots(dotsPerMm) {}

    double mm(double v) const { return v * m_dots; }

    void cutLines(const QRectF& page, double cellWidth, double cellHeight)
    {
        m_painter.save();
        m_painter.setPen(QPen(Qt::gray, mm(0.2), Qt::DashLine));
        for (int c = 0; c <= kTicketColumns; ++c)
            m_painter.drawLine(QPointF(page.left() + c * cellWidth, page.top()),
                               QPointF(page.left() + c * cellWidth, page.bottom()));
        for (int r = 0; r <= kTicketRows; ++r)
            m_painter.drawLine(QPointF(page.left(), page.top() + r * cellHeight),
                               QPointF(page.right(), page.top() + r * cellHeight));
        m_painter.restore();
    }

    // `padding` in millimetres, `points` the size of the body text (the heading one larger).
    void ticket(const BundleTicket& t, const QRectF& cell, double padding, int points)
    {
        const QRectF inner = cell.adjusted(mm(padding), mm(padding), -mm(padding), -mm(padding));
        QFont bold = entry::songFont(points + 1);
        bold.setBold(true);
        const QFont body = entry::songFont(points);
        const double line = mm(5.5);
        m_painter.setPen(Qt::black);
        // A text longer than the ticket is wide ends in "…" instead of running off the paper.
        const auto textLine = [&](int index, const QFont& font, const QString& text) {
            m_painter.setFont(font);
            const QRectF at(inner.left(), inner.top() + index * line, inner.width(), line);
            m_painter.drawText(at, Qt::AlignLeft | Qt::AlignVCenter,
                               m_painter.fontMetrics().elidedText(text, Qt::ElideRight, int(at.width())));
        };
        textLine(0, bold,
                 t.style.isEmpty() ? QStringLiteral("生产单 %1").arg(t.orderNo)
                                   : QStringLiteral("生产单 %1　款号 %2").arg(t.orderNo, t.style));
        textLine(1, body, QStringLiteral("扎号 %1　数量 %2 %3").arg(t.bundleNo).arg(t.quantity).arg(t.unit));
        textLine(2, body, QStringLiteral("工序 %1（%2）").arg(t.product, t.productNo));

        const BarcodeBars bars = code128Bars(t.number, 40);
        const QRectF box(inner.left(), inner.top() + 3 * line + mm(1), mm(kBarWidth), mm(kBarHeight));
        const double sx = box.width() / bars.size.width();
        const double sy = box.height() / bars.size.height();
        for (const QRectF& bar : bars.bars)
            m_painter.fillRect(QRectF(box.left() + bar.x() * sx, box.top() + bar.y() * sy, bar.width() * sx,
                                      bar.height() * sy),
                               Qt::black);
        m_painter.setFont(entry::fixedFont(10));
        m_painter.drawText(QRectF(box.left(), box.bottom(), box.width(), mm(5)), Qt::AlignHCenter | Qt::AlignTop,
                           t.number);
    }

private:
    QPainter& m_painter;
    double m_dots;
};
} // namespace

namespace {
bool paintLabels(QPrinter& printer, const QList<BundleTicket>& tickets, WorkProgress* progress)
{
    printer.setPageSize(QPageSize(kLabelSize, QPageSize::Millimeter, QStringLiteral("60×40"), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    TicketPainter draw(painter, printer.resolution() / 25.4);
    const QRectF label(0, 0, draw.mm(kLabelSize.width()), draw.mm(kLabelSize.height()));
    if (progress)
        progress->setTotal(int(tickets.size()));
    for (int i = 0; i < tickets.size(); ++i) {
        if (i > 0 && !printer.newPage())
            return false;
        draw.ticket(tickets.at(i), label, kLabelPadding, 8);
        if (progress && !progress->advance(i + 1)) {
            printer.abort();
            painter.end();
            return false;
        }
    }
    return painter.end();
}
} // namespace

bool paintTickets(QPrinter& printer, const QList<BundleTicket>& tickets, TicketPaper paper, WorkProgress* progress)
{
    if (paper == TicketPaper::Label60x40)
        return paintLabels(printer, tickets, progress);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    TicketPainter draw(painter, printer.resolution() / 25.4);
    const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
    const QRectF pageRect = printer.pageRect(QPrinter::DevicePixel);
    // The grid of tickets on the sheet, whatever margins the printer keeps for itself.
    const QRectF grid = QRectF(sheet.left() + draw.mm(kMargin), sheet.top() + draw.mm(kMargin),
                               sheet.width() - 2 * draw.mm(kMargin), sheet.height() - 2 * draw.mm(kMargin))
                            .translated(-pageRect.left(), -pageRect.top());
    const double cellWidth = grid.width() / kTicketColumns;
    const double cellHeight = grid.height() / kTicketRows;
    constexpr int perPage = kTicketColumns * kTicketRows;
    const int pages = int((tickets.size() + perPage - 1) / perPage);
    if (progress)
        progress->setTotal(pages);
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !printer.newPage())
            return false;
        draw.cutLines(grid, cellWidth, cellHeight);
        for (int i = 0; i < perPage && p * perPage + i < tickets.size(); ++i) {
            const int row = i / kTicketColumns;
            const int col = i % kTicketColumns;
            draw.ticket(tickets.at(p * perPage + i),
                        QRectF(grid.left() + col * cellWidth, grid.top() + row * cellHeight, cellWidth, cellHeight),
                        kPadding, 10);
        }
        if (progress && !progress->advance(p + 1)) {
            printer.abort(); // nothing of a stopped print reaches the printer
            painter.end();
            return false;
        }
    }
    return painter.end();
}

bool printTickets(AppContext& ctx, QWidget* parent, const QString& orderNo, const QList<BundleTicket>& tickets,
                  TicketPaper paper)
{
    return ui::printPagesInBackground(ctx, parent, QStringLiteral("菲票 %1").arg(orderNo),
                                      [&](QPrinter& printer, WorkProgress& progress) {
                                          return paintTickets(printer, tickets, paper, &progress);
                                      });
}

} // namespace kv
