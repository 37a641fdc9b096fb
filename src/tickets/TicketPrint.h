#pragma once

#include "tickets/BundleTickets.h"

#include <QList>

class QPrinter;
class QWidget;

namespace kv {
class AppContext;
class WorkProgress;

// Tickets on an A4 page: two across, six down, cut lines between them.
inline constexpr int kTicketColumns = 2;
inline constexpr int kTicketRows = 6;

// The paper tickets are printed on: A4 sheets cut by hand, or the labels of a label printer,
// 60 × 40 mm, one ticket to a label.
enum class TicketPaper { A4Sheet, Label60x40 };

// Paints the tickets in order, kTicketColumns × kTicketRows to an A4 page or one to a label:
// each with its order and style, bundle and quantity, operation, a Code 128 barcode of its number
// and the number written under it. Reports pages to `progress` (when given) and stops when told.
// False when the painter failed or the print was stopped.
bool paintTickets(QPrinter& printer, const QList<BundleTicket>& tickets, TicketPaper paper, WorkProgress* progress);

// Prints the tickets through the program's print path ("菲票 <单号>"), off the window's thread.
bool printTickets(AppContext& ctx, QWidget* parent, const QString& orderNo, const QList<BundleTicket>& tickets,
                  TicketPaper paper = TicketPaper::A4Sheet);

} // namespace kv
