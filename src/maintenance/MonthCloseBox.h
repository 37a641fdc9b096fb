#pragma once

#include "entry/ClosedMonths.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;

namespace kv {
class AppContext;

// The group "月份结账" of the settings page: the super administrator closes a paid month and,
// with the password, opens it again.
class MonthCloseBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit MonthCloseBox(AppContext& ctx, QWidget* parent = nullptr);

    void closeMonth();
    void reopenMonth();
    // Lists the closed months anew.
    void refresh();

signals:
    // A month was closed or reopened.
    void changed();

private:
    // Tells the outcome of closing or reopening; doneText names the month as %1.
    void report(ClosedMonths::Outcome outcome, const QString& doneText);

    AppContext& m_ctx;
    QLineEdit* m_month = nullptr;    // closeMonth
    QLineEdit* m_password = nullptr; // closePassword
    QLabel* m_closed = nullptr;      // closedMonths
};

} // namespace kv
