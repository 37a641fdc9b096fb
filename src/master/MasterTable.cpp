#include "master/MasterTable.h"

#include "data/Decimal.h"

namespace kv {

int MasterTable::columnIndex(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).name == name)
            return i;
    return -1;
}

const MasterTable& masterTable(MasterKind kind)
{
    using C = MasterColumn;
    const auto text = ColumnType::Text;
    const auto number = ColumnType::Number;
    const auto date = ColumnType::Date;
    static const MasterTable employees{
        MasterKind::Employee,
        QStringLiteral("员工"),
        QChar(u'Y'),
        QStringLiteral("己有相同的工号！"),
        QStringLiteral("需要让系统自动生成一个员工工号吗？"),
        QStringLiteral("员工.xlsx"),
        {C{QStringLiteral("工号"), text, QStringLiteral("员工工号未填写！"), {}},
         C{QStringLiteral("姓名"), text, QStringLiteral("员工姓名未填写！"), {}},
         C{QStringLiteral("性别"), text, {}, {}}, C{QStringLiteral("身份证号"), text, {}, {}},
         C{QStringLiteral("车间"), text, QStringLiteral("车间未填写！"), CodeListKind::Workshop},
         C{QStringLiteral("工种"), text, QStringLiteral("工种未填写！"), CodeListKind::JobType},
         C{QStringLiteral("上岗时间"), date, {}, {}}, C{QStringLiteral("备注"), text, {}, {}},
         // Paid by bank or in cash; an empty 发放方式 pays by bank when a card is stored.
         C{QStringLiteral("开户银行"), text, {}, {}}, C{QStringLiteral("银行卡号"), ColumnType::BankCard, {}, {}},
         C{QStringLiteral("发放方式"), text, {}, {}, 0, {QStringLiteral("银行"), QStringLiteral("现金")}}}};
    static const MasterTable products{
        MasterKind::Product,
        QStringLiteral("产品工价"),
        QChar(u'C'),
        QStringLiteral("己有相同的产品编号！"),
        QStringLiteral("需要让系统自动生成一个编号吗？"),
        QStringLiteral("产品工价.xlsx"),
        {C{QStringLiteral("产品编号"), text, QStringLiteral("产品编号未填写！"), {}},
         C{QStringLiteral("产品说明"), text, QStringLiteral("产品说明未填写！"), {}},
         C{QStringLiteral("拼音编码"), text, {}, {}},
         C{QStringLiteral("计量单位"), text, QStringLiteral("计量单位未填写！"), CodeListKind::Unit},
         C{QStringLiteral("工价"), number, QStringLiteral("工价未填写！"), {}, Decimal::kPricePlaces},
         C{QStringLiteral("备注"), text, {}, {}}}};
    static const MasterTable deductions{
        MasterKind::Deduction,
        QStringLiteral("扣减项目"),
        QChar(u'K'),
        QStringLiteral("己有相同的扣减项目编号！"),
        QStringLiteral("需要让系统自动生成一个编号吗？"),
        QStringLiteral("扣减项目.xlsx"),
        {C{QStringLiteral("扣减项目编号"), text, QStringLiteral("扣减项目编号未填写！"), {}},
         C{QStringLiteral("扣减项目说明"), text, QStringLiteral("提减项目说明未填写！"), {}},
         C{QStringLiteral("拼音编码"), text, {}, {}},
         C{QStringLiteral("扣减金额"), number, QStringLiteral("扣减金额未填写！"), {}, Decimal::kAmountPlaces},
         C{QStringLiteral("备注"), text, {}, {}}}};
    switch (kind) {
    case MasterKind::Product: return products;
    case MasterKind::Deduction: return deductions;
    case MasterKind::Employee: break;
    }
    return employees;
}

} // namespace kv
