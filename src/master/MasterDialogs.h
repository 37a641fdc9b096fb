#pragma once

#include "master/MasterDialog.h"

class QComboBox;
class QDateEdit;
class QLineEdit;

namespace kv {
namespace ui {
class DataGrid;
}

// 添加员工FRM: one employee; a new workshop or job type joins its code list on save.
class EmployeeDialog final : public MasterDialog {
    Q_OBJECT
public:
    EmployeeDialog(AppContext& ctx, QWidget* parent);

protected:
    void prepareFields() override;

private:
    QComboBox* m_sex;
    QComboBox* m_workshop;
    QComboBox* m_jobType;
    QDateEdit* m_started;
    QComboBox* m_payment; // 发放方式: empty, 银行, 现金
};

// 添加产品Frm: one product and its piece price; the search code follows the description.
class ProductDialog final : public MasterDialog {
    Q_OBJECT
public:
    ProductDialog(AppContext& ctx, QWidget* parent);

protected:
    void prepareFields() override;
    void recordShown() override;

private:
    void showHistory();
    void addPriceChange();

    QComboBox* m_unit;
    QWidget* m_rates;         // the price history and the change, in edit mode only
    ui::DataGrid* m_history;  // 生效日期, 工价, the latest day last
    QLineEdit* m_newPrice;
    QDateEdit* m_effective;
};

// 添加扣减项目Frm: one deduction item and its amount; the search code follows the description.
class DeductionDialog final : public MasterDialog {
    Q_OBJECT
public:
    DeductionDialog(AppContext& ctx, QWidget* parent);
};

// The dialog of a master table, not yet open.
MasterDialog* createMasterDialog(MasterKind kind, AppContext& ctx, QWidget* parent);

} // namespace kv
