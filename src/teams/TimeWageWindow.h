#pragma once

#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// "计时工资": an employee's time work of a month (date, 计时项目, hours or days, the rate in force,
// the amount), saved as lines of his month; and the time rates per job type or employee.
class TimeWageWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TimeWageWindow(AppContext& ctx, QWidget* parent = nullptr);

    void loadEmployee();
    bool saveLines();
    bool saveRates();

private:
    void loadRates();
    void showAmount(int row);

    AppContext& m_ctx;
    std::optional<qint64> m_loadedVersion;
    QString m_employeeNo;
    QLineEdit* m_number = nullptr;
    QLabel* m_name = nullptr;
    QComboBox* m_month = nullptr;
    ui::DataGrid* m_lines = nullptr;
    ui::DataGrid* m_rates = nullptr;
};

} // namespace kv
