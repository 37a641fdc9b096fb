#include "master/MasterDialogs.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "lists/CodeList.h"
#include "master/PieceRates.h"
#include "master/Pinyin.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

namespace {
// Every change of the description, typed or set, rewrites the search code; the operator may
// still overtype the code afterwards.
void followDescription(QLineEdit* description, QLineEdit* code)
{
    QObject::connect(description, &QLineEdit::textChanged, code,
                     [code](const QString& text) { code->setText(pinyinCode(text)); });
}
} // namespace

EmployeeDialog::EmployeeDialog(AppContext& ctx, QWidget* parent)
    : MasterDialog(ctx, MasterKind::Employee,
                   {QStringLiteral("添加员工FRM"), QStringLiteral("添加员工"), QStringLiteral("修改员工")}, parent)
{
    addLineEdit(QStringLiteral("工号："), QStringLiteral("Text1"));
    addLineEdit(QStringLiteral("姓名："), QStringLiteral("Text2"));
    m_sex = addComboBox(QStringLiteral("性别："), QStringLiteral("Text3"));
    addLineEdit(QStringLiteral("身份证号："), QStringLiteral("Text4"));
    m_workshop = addComboBox(QStringLiteral("车间："), QStringLiteral("Text5"));
    m_jobType = addComboBox(QStringLiteral("工种："), QStringLiteral("Text6"));
    m_started = new QDateEdit(this);
    m_started->setObjectName(QStringLiteral("text7"));
    m_started->setCalendarPopup(true);
    m_started->setDisplayFormat(QStringLiteral("yyyy-M-d"));
    addField(QStringLiteral("上岗时间："), m_started);
    addLineEdit(QStringLiteral("备注："), QStringLiteral("Text8"));
    addLineEdit(QStringLiteral("开户银行："), QStringLiteral("Text9"));
    QLineEdit* card = addLineEdit(QStringLiteral("银行卡号："), QStringLiteral("Text10"));
    card->setPlaceholderText(QStringLiteral("12–19 位数字，可用空格分组"));
    m_payment = addComboBox(QStringLiteral("发放方式："), QStringLiteral("Text11"));
    m_payment->setEditable(false);
    m_payment->setToolTip(QStringLiteral("不填：有银行卡号的银行代发，没有的发现金"));
}

void EmployeeDialog::prepareFields()
{
    m_started->setDate(m_ctx.clock().today());
    m_sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    m_sex->setCurrentIndex(1);
    m_workshop->addItems(CodeList(m_ctx.conn(), CodeListKind::Workshop).names());
    m_workshop->setCurrentIndex(-1);
    m_jobType->addItems(CodeList(m_ctx.conn(), CodeListKind::JobType).names());
    m_jobType->setCurrentIndex(-1);
    m_payment->addItems({QString(), QStringLiteral("银行"), QStringLiteral("现金")});
    m_payment->setCurrentIndex(0);
}

ProductDialog::ProductDialog(AppContext& ctx, QWidget* parent)
    : MasterDialog(ctx, MasterKind::Product,
                   {QStringLiteral("添加产品Frm"), QStringLiteral("添加产品"), QStringLiteral("修改产品")}, parent)
{
    addLineEdit(QStringLiteral("产品编号："), QStringLiteral("Text1"));
    QLineEdit* description = addLineEdit(QStringLiteral("产品说明："), QStringLiteral("Text2"));
    QLineEdit* code = addLineEdit(QStringLiteral("拼音编码："), QStringLiteral("Text3"));
    m_unit = addComboBox(QStringLiteral("计量单位："), QStringLiteral("Text4"));
    addLineEdit(QStringLiteral("工价："), QStringLiteral("Text5"));
    addLineEdit(QStringLiteral("备注："), QStringLiteral("Text6"));
    followDescription(description, code);

    // 调价: a price changes from a day on; the lines dated before keep the old one.
    auto* rates = new QGroupBox(QStringLiteral("工价历史（调价）"), this);
    rates->setObjectName(QStringLiteral("工价历史"));
    auto* layout = new QGridLayout(rates);
    m_history = new ui::DataGrid(rates);
    m_history->setObjectName(QStringLiteral("fgHistory"));
    m_history->setCols(2);
    m_history->setRows(1);
    m_history->setText(0, 0, QStringLiteral("生效日期"));
    m_history->setText(0, 1, QStringLiteral("工价"));
    m_history->setColumnKind(1, ui::DataGrid::ColumnKind::Number);
    m_history->setColWidth(0, 1600);
    m_history->setColWidth(1, 1400);
    m_history->setFixedHeight(120);
    layout->addWidget(m_history, 0, 0, 1, 5);
    layout->addWidget(new QLabel(QStringLiteral("新工价："), rates), 1, 0);
    m_newPrice = new QLineEdit(rates);
    m_newPrice->setObjectName(QStringLiteral("TextNewPrice"));
    layout->addWidget(m_newPrice, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("生效日期："), rates), 1, 2);
    m_effective = new QDateEdit(rates);
    m_effective->setObjectName(QStringLiteral("DateEffective"));
    m_effective->setCalendarPopup(true);
    m_effective->setDisplayFormat(QStringLiteral("yyyy-M-d"));
    layout->addWidget(m_effective, 1, 3);
    auto* add = ui::commandButton(QStringLiteral("调价"), QStringLiteral("CommandRate"), rates);
    layout->addWidget(add, 1, 4);
    connect(add, &QPushButton::clicked, this, &ProductDialog::addPriceChange);
    m_rates = rates;
    m_rates->hide();
    addSection(m_rates);
}

void ProductDialog::prepareFields()
{
    m_unit->addItems(CodeList(m_ctx.conn(), CodeListKind::Unit).names());
    m_unit->setCurrentIndex(-1);
    m_effective->setDate(m_ctx.clock().today());
}

void ProductDialog::recordShown()
{
    m_rates->show();
    showHistory();
}

void ProductDialog::showHistory()
{
    const PriceHistory history = PieceRates(m_ctx.conn()).history(editedId);
    m_history->setRows(1 + int(history.size()));
    for (int i = 0; i < history.size(); ++i) {
        m_history->setText(i + 1, 0, dateText(history.at(i).from));
        m_history->setText(i + 1, 1, history.at(i).price.plainText());
    }
}

void ProductDialog::addPriceChange()
{
    ui::guarded(this, [&] {
        if (cleanText(m_newPrice->text()).isEmpty()) {
            ui::message(this, QStringLiteral("新工价未填写！"));
            m_newPrice->setFocus();
            return;
        }
        PieceRates(m_ctx.conn()).addChange(editedId, m_newPrice->text(), m_effective->date());
        m_newPrice->clear();
        showHistory();
        takeStoredValue(masterTable(MasterKind::Product).columnIndex(QStringLiteral("工价")));
        ui::message(this, QStringLiteral("调价成功！%1 起按新工价计算，此前的记录不变。").arg(dateText(m_effective->date())),
                    QStringLiteral("成功！"));
        emit saved();
    });
}

DeductionDialog::DeductionDialog(AppContext& ctx, QWidget* parent)
    : MasterDialog(ctx, MasterKind::Deduction,
                   {QStringLiteral("添加扣减项目Frm"), QStringLiteral("添加扣减项目"), QStringLiteral("修改扣减项目")},
                   parent)
{
    addLineEdit(QStringLiteral("扣减项目编号："), QStringLiteral("Text1"));
    QLineEdit* description = addLineEdit(QStringLiteral("扣减项目说明："), QStringLiteral("Text2"));
    QLineEdit* code = addLineEdit(QStringLiteral("拼音编码："), QStringLiteral("Text3"));
    addLineEdit(QStringLiteral("扣减金额："), QStringLiteral("Text4"));
    addLineEdit(QStringLiteral("备注："), QStringLiteral("Text5"));
    followDescription(description, code);
}

MasterDialog* createMasterDialog(MasterKind kind, AppContext& ctx, QWidget* parent)
{
    switch (kind) {
    case MasterKind::Product: return new ProductDialog(ctx, parent);
    case MasterKind::Deduction: return new DeductionDialog(ctx, parent);
    case MasterKind::Employee: break;
    }
    return new EmployeeDialog(ctx, parent);
}

} // namespace kv
