#include "app/HostedWindows.h"

#include "entry/WageEntryWindow.h"
#include "maintenance/SettingsWindow.h"
#include "master/RecordListWindow.h"
#include "stats/WageStatisticsWindow.h"

#include <QWidget>

namespace kv {

const QStringList& hostedWindowNames()
{
    static const QStringList names{QStringLiteral("工资计算Frm"), QStringLiteral("工资统计Frm"),
                                   QStringLiteral("员工管理Frm"), QStringLiteral("产品工价Frm"),
                                   QStringLiteral("扣减项目Frm"), QStringLiteral("systemset")};
    return names;
}

QWidget* createHostedWindow(const QString& name, AppContext& ctx, QWidget* parent)
{
    if (name == QStringLiteral("工资计算Frm"))
        return new WageEntryWindow(ctx, parent);
    if (name == QStringLiteral("工资统计Frm"))
        return new WageStatisticsWindow(ctx, parent);
    if (name == QStringLiteral("员工管理Frm"))
        return new RecordListWindow(ctx, MasterKind::Employee, parent);
    if (name == QStringLiteral("产品工价Frm"))
        return new RecordListWindow(ctx, MasterKind::Product, parent);
    if (name == QStringLiteral("扣减项目Frm"))
        return new RecordListWindow(ctx, MasterKind::Deduction, parent);
    if (name == QStringLiteral("systemset"))
        return new SettingsWindow(ctx, parent);
    return nullptr;
}

} // namespace kv
