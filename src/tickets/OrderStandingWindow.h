#pragma once

#include "tickets/OrderStanding.h"

#include <QWidget>

class QLabel;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// "生产单进度": where every bundle of one work order stands — each ticket claimed (by whom,
// when, for how much) or open, the operations with their counts and amounts, and the labour
// paid so far — printed or exported as a workbook.
class OrderStandingWindow final : public QWidget {
    Q_OBJECT
public:
    OrderStandingWindow(AppContext& ctx, qint64 orderId, const QString& orderNo, QWidget* parent = nullptr);

    bool print();
    bool exportSheet();

private:
    void showStanding();
    QStringList summaryLines() const;

    AppContext& m_ctx;
    qint64 m_orderId;
    QString m_orderNo;
    OrderStanding m_standing;
    ui::DataGrid* m_tickets = nullptr;
    ui::DataGrid* m_operations = nullptr;
    QLabel* m_summary = nullptr;
};

} // namespace kv
