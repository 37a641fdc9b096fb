#include "data/Tables.h"

namespace kv {

namespace {
// Amounts are REAL, dates ISO text (YYYY-MM-DD), ids never reused.
constexpr TableDef kTables[] = {
    {u"kelvaro_meta", u"key TEXT PRIMARY KEY, value TEXT", 1, TableRole::Meta},
    {u"员工",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 姓名 TEXT, 性别 TEXT, 身份证号 TEXT, 车间 TEXT, 工种 TEXT, "
     u"上岗时间 TEXT, 备注 TEXT",
     1, TableRole::Data},
    {u"产品工价",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 产品编号 TEXT, 产品说明 TEXT, 拼音编码 TEXT, 计量单位 TEXT, 工价 REAL, "
     u"备注 TEXT",
     1, TableRole::Data},
    {u"扣减项目",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 扣减项目编号 TEXT, 扣减项目说明 TEXT, 拼音编码 TEXT, 扣减金额 REAL, "
     u"备注 TEXT",
     1, TableRole::Data},
    {u"工资流水",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 日期 TEXT, 产品 TEXT, 计量单位 TEXT, 数量 REAL, 工价 REAL, "
     u"金额 REAL, 备注 TEXT",
     1, TableRole::Data},
    {u"扣减流水", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 日期 TEXT, 扣减项目 TEXT, 扣减金额 REAL", 1,
     TableRole::Data},
    {u"员工工资",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 月份 TEXT, 工号 TEXT, 姓名 TEXT, 生产金额 REAL, 扣减 REAL, 实发工资 REAL",
     1, TableRole::Data},
    {u"管理员", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 账号 TEXT, 密码 TEXT", 1, TableRole::Accounts},
    {u"车间", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 车间 TEXT", 1, TableRole::Data},
    {u"工种", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 工种 TEXT", 1, TableRole::Data},
    {u"计量单位", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 计量单位 TEXT", 1, TableRole::Data},
    // Derived from the journals (see MonthlyTotals.h); 月份 as "2008-05".
    {u"月度合计", u"月份 TEXT, 工号 TEXT, 生产金额 REAL, 扣减 REAL, PRIMARY KEY (月份, 工号)", 2, TableRole::Data},
    // Months closed after pay day ("2026-11"): their lines and totals no longer change.
    {u"月结", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 月份 TEXT UNIQUE, 结账时间 TEXT, 账号 TEXT", 3, TableRole::Data},
    // Who changed what and when: clearing keeps it and adds who cleared; a restore keeps it and adds
    // the backup's entries it lacks and who restored.
    {u"操作日志", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 时间 TEXT, 账号 TEXT, 操作 TEXT, 内容 TEXT", 4,
     TableRole::Log},
    // Each product's piece prices by the day they take effect (ISO text); 产品ID is 产品工价.id.
    {u"工价历史",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 产品ID INTEGER NOT NULL, 工价 REAL NOT NULL, 生效日期 TEXT NOT NULL", 10,
     TableRole::Data},
    // Work orders (生产单) cut into bundles (扎), with the operations they pay and one bundle
    // ticket (菲票) per bundle and operation; a ticket is claimed by the employee and month whose
    // production line names it (工资流水.菲票号), or open.
    {u"生产单", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 单号 TEXT UNIQUE, 款号 TEXT, 日期 TEXT", 14, TableRole::Data},
    {u"生产单工序",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 生产单id INTEGER, 序号 INTEGER, 产品编号 TEXT, 产品说明 TEXT, "
     u"计量单位 TEXT, 工价 REAL",
     14, TableRole::Data},
    {u"扎", u"id INTEGER PRIMARY KEY AUTOINCREMENT, 生产单id INTEGER, 扎号 INTEGER, 数量 INTEGER", 14, TableRole::Data},
    {u"菲票",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 票号 TEXT UNIQUE, 生产单id INTEGER, 扎id INTEGER, 工序id INTEGER, "
     u"数量 INTEGER, 领取工号 TEXT, 领取月份 TEXT, 领取时间 TEXT",
     14, TableRole::Data},
    // What each closed month paid each worker, as it was when the month was closed (PaySnapshot.h);
    // 月份 as 月结's ("2026-5"), 员工ID the employee's id then.
    {u"月结明细",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 月份 TEXT NOT NULL, 员工ID INTEGER, 工号 TEXT, 姓名 TEXT, 车间 TEXT, "
     u"工种 TEXT, 开户银行 TEXT, 银行卡号 TEXT, 发放方式 TEXT, 生产金额 REAL, 扣减 REAL, 实发工资 REAL, "
     u"取整后实发 REAL",
     15, TableRole::Data},
    // Teams (班组) paid together for what they make, their members by the days they belong, the
    // months entered for a team with the team's lines and each member's attendance and share;
    // the shares are production lines of the members' months (工资流水.来源 '集体', 班组月id).
    {u"班组",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 班组编号 TEXT NOT NULL UNIQUE, 班组名称 TEXT NOT NULL, 车间 TEXT, "
     u"分配方式 TEXT NOT NULL DEFAULT '日工资', 备注 TEXT",
     16, TableRole::Data},
    {u"班组成员",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 班组id INTEGER NOT NULL, 工号 TEXT NOT NULL, 日工资 REAL, 点数 REAL, "
     u"加入日期 TEXT NOT NULL, 离开日期 TEXT",
     16, TableRole::Data},
    {u"班组月",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 班组id INTEGER NOT NULL, 月份 TEXT NOT NULL, 分配方式 TEXT NOT NULL, "
     u"合计 REAL, 版本 INTEGER NOT NULL DEFAULT 1, UNIQUE (班组id, 月份)",
     16, TableRole::Data},
    {u"班组产量",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 班组月id INTEGER NOT NULL, 日期 TEXT, 产品编号 TEXT, 产品 TEXT, "
     u"计量单位 TEXT, 数量 REAL, 工价 REAL, 金额 REAL",
     16, TableRole::Data},
    {u"班组出勤",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 班组月id INTEGER NOT NULL, 工号 TEXT NOT NULL, 姓名 TEXT, 天数 REAL, "
     u"日工资 REAL, 点数 REAL, 份额 REAL",
     16, TableRole::Data},
    // Rates of time work (计时) per job type or, before it, per employee, by the day they take
    // effect; time lines are production lines with 来源 '计时'.
    {u"计时工价",
     u"id INTEGER PRIMARY KEY AUTOINCREMENT, 工种 TEXT, 工号 TEXT, 计量单位 TEXT NOT NULL, 工价 REAL NOT NULL, "
     u"生效日期 TEXT NOT NULL",
     16, TableRole::Data},
    // Numbers once given and given up (a record deleted, or renumbered while no line named it):
    // never given to another record. 类别 is the table whose number it was; 原ID the record's id.
    {u"停用编号",
     u"类别 TEXT NOT NULL, 编号 TEXT NOT NULL, 名称 TEXT, 原ID INTEGER, 原因 TEXT, 时间 TEXT, "
     u"PRIMARY KEY (类别, 编号)",
     17, TableRole::Data},
};
} // namespace

std::span<const TableDef> schemaTables()
{
    return kTables;
}

QStringList tableNames(TableRole role)
{
    QStringList names;
    for (const TableDef& table : kTables)
        if (table.role == role)
            names << QString::fromUtf16(table.name);
    return names;
}

} // namespace kv
