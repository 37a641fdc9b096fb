#include "master/MasterDialogs.h"

#include "data/AppContext.h"
#include "lists/CodeList.h"
#include "master/Pinyin.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

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
}

void ProductDialog::prepareFields()
{
    m_unit->addItems(CodeList(m_ctx.conn(), CodeListKind::Unit).names());
    m_unit->setCurrentIndex(-1);
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
