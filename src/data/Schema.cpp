#include "data/Schema.h"

#include "data/Database.h"
#include "data/LineItemNumbers.h"
#include "data/MonthlyTotals.h"
#include "data/OperationLog.h"
#include "data/Passwords.h"
#include "data/PaySnapshot.h"
#include "data/Session.h"
#include "data/Tables.h"
#include "data/TextRules.h"
#include "data/UniqueNumbers.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUuid>

namespace kv {

namespace {
constexpr auto kVersionKey = u"schema_version";
constexpr auto kReplacedKey = u"data_replaced";

// Creates the tables of the list that the given version added.
void createTablesOf(Database& db, int version)
{
    for (const TableDef& table : schemaTables())
        if (table.since == version)
            db.execScript(QStringLiteral("CREATE TABLE %1 (%2)")
                              .arg(QString::fromUtf16(table.name), QString::fromUtf16(table.columns)));
}

// Version 1: the ten tables, the indexes the entry window and the statistics read through, and
// the super administrator.
void createVersion1(Database& db)
{
    createTablesOf(db, 1);
    db.execScript(QStringLiteral(R"SQL(
CREATE INDEX 工资流水_工号_日期 ON 工资流水 (工号, 日期);
CREATE INDEX 扣减流水_工号_日期 ON 扣减流水 (工号, 日期);
CREATE INDEX 工资流水_日期_工号_金额 ON 工资流水 (日期, 工号, 金额);
CREATE INDEX 扣减流水_日期_工号_金额 ON 扣减流水 (日期, 工号, 扣减金额);
CREATE INDEX 员工工资_工号_月份 ON 员工工资 (工号, 月份);
CREATE INDEX 员工_工号 ON 员工 (工号);
CREATE INDEX 产品工价_产品编号 ON 产品工价 (产品编号);
CREATE INDEX 扣减项目_扣减项目编号 ON 扣减项目 (扣减项目编号);
)SQL"));
    db.exec(QStringLiteral("INSERT INTO 管理员 (id, 账号, 密码) VALUES (1, ?, ?)"),
            {QString::fromUtf16(kDefaultAccount), hashPassword(QString::fromUtf16(kDefaultPassword))});
}

// Version 2: 月度合计, the monthly sums that the month, quarter and year statistics read, filled
// from the journals already stored.
void createVersion2(Database& db)
{
    createTablesOf(db, 2);
    rebuildMonthlyTotals(db);
}

// Version 3: the closed months.
void createVersion3(Database& db)
{
    createTablesOf(db, 3);
}

// Version 4: the operation log.
void createVersion4(Database& db)
{
    createTablesOf(db, 4);
}

// Version 5: 月度合计 read by employee and month. The statistics of a quarter or a year sum each
// employee's months; this index holds them in that order with both sums, so the grouped query
// reads the index alone and sorts nothing.
void createVersion5(Database& db)
{
    db.execScript(QStringLiteral("CREATE INDEX 月度合计_工号_月份 ON 月度合计 (工号, 月份, 生产金额, 扣减)"));
}

// Version 6: rights per account, account names told apart, the log's account by id. Accounts
// that exist keep what they could do before, except the super administrator's own powers; an
// account whose name an older account already has is renamed after its id, and the log says so.
void createVersion6(Database& db)
{
    db.execScript(QStringLiteral("ALTER TABLE 管理员 ADD COLUMN 权限 INTEGER NOT NULL DEFAULT 0"));
    db.exec(QStringLiteral("UPDATE 管理员 SET 权限 = ?"), {upgradedAccountRights().toInt()});
    db.execScript(QStringLiteral("ALTER TABLE 操作日志 ADD COLUMN 账号ID INTEGER"));

    QList<std::pair<qint64, QString>> accounts;
    QSet<QString> taken;
    Statement st = db.prepare(QStringLiteral("SELECT id, 账号 FROM 管理员 ORDER BY id"));
    while (st.next()) {
        accounts.append({st.integer(0), st.text(1)});
        taken.insert(st.text(1));
    }
    QSet<QString> seen;
    for (const auto& [id, name] : std::as_const(accounts)) {
        if (!seen.contains(name)) {
            seen.insert(name);
            continue;
        }
        QString renamed = QStringLiteral("%1（%2）").arg(name).arg(id);
        while (taken.contains(renamed))
            renamed += u'＊';
        taken.insert(renamed);
        seen.insert(renamed);
        db.exec(QStringLiteral("UPDATE 管理员 SET 账号 = ? WHERE id = ?"), {renamed, id});
        OperationLog(db).record(QStringLiteral("修改账号"),
                                QStringLiteral("%1 → %2（同名账号，升级时改名）").arg(name, renamed));
    }
    db.execScript(QStringLiteral("CREATE UNIQUE INDEX 管理员_账号 ON 管理员 (账号)"));
}

// Version 7: the month of every summary row in its one form ("2008-5"); where two spellings of
// one month left two rows for an employee, the newer one stays, as its save wrote the lines.
void createVersion7(Database& db)
{
    QStringList spellings;
    Statement st = db.prepare(QStringLiteral("SELECT DISTINCT 月份 FROM 员工工资"));
    while (st.next())
        spellings << st.text(0);
    for (const QString& spelling : std::as_const(spellings)) {
        const auto normal = normalMonthText(spelling);
        if (normal && *normal != spelling)
            db.exec(QStringLiteral("UPDATE 员工工资 SET 月份 = ? WHERE 月份 = ?"), {*normal, spelling});
    }
    db.execScript(
        QStringLiteral("DELETE FROM 员工工资 WHERE id NOT IN (SELECT max(id) FROM 员工工资 GROUP BY 工号, 月份)"));
}

// Version 8: every journal line names its product or deduction item by number too, so that two
// records of one description are told apart. Lines stored before get the number where their
// description names exactly one record; the others keep an empty number (LineItemNumbers.h).
void createVersion8(Database& db)
{
    db.execScript(QStringLiteral(R"SQL(
ALTER TABLE 工资流水 ADD COLUMN 产品编号 TEXT;
ALTER TABLE 扣减流水 ADD COLUMN 扣减项目编号 TEXT;
CREATE INDEX 产品工价_产品说明 ON 产品工价 (产品说明);
CREATE INDEX 扣减项目_扣减项目说明 ON 扣减项目 (扣减项目说明);
)SQL"));
    fillLineItemNumbers(db);
    db.execScript(QStringLiteral(R"SQL(
CREATE INDEX 工资流水_产品编号 ON 工资流水 (产品编号);
CREATE INDEX 扣减流水_扣减项目编号 ON 扣减流水 (扣减项目编号);
)SQL"));
}

// Version 9: numbers of employees, products and deduction items unique by an index of each table.
// A table that already holds a number twice keeps going without it: the log names the
// duplicates, the start-up tells of them, and the index is made once they are told apart.
void createVersion9(Database& db)
{
    for (const DuplicateNumbers& d : makeUniqueNumberIndexes(db))
        OperationLog(db).record(QStringLiteral("编号重复"), duplicateNumbersText({d}));
}

// Version 10: piece prices with the day they take effect. Every product's price as it stands
// counts from 1900-1-1 on, so that the lines stored before keep the prices they were paid at.
void createVersion10(Database& db)
{
    createTablesOf(db, 10);
    db.execScript(QStringLiteral(R"SQL(
CREATE UNIQUE INDEX 工价历史_产品ID_生效日期 ON 工价历史 (产品ID, 生效日期);
INSERT INTO 工价历史 (产品ID, 工价, 生效日期) SELECT id, 工价, '1900-01-01' FROM 产品工价 WHERE 工价 IS NOT NULL;
)SQL"));
}

// Adds the TEXT columns the table does not have yet; a column it already has stays as it is.
void addMissingColumns(Database& db, const QString& table, const QStringList& columns)
{
    QStringList present;
    {
        Statement st = db.prepare(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table));
        for (int i = 0; i < st.columnCount(); ++i)
            present << st.columnName(i);
    }
    for (const QString& column : columns)
        if (!present.contains(column))
            db.execScript(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(table, column));
}

// Version 12: how an employee is paid: 开户银行, 银行卡号 (digits only) and 发放方式 (银行, 现金, or
// empty: by bank when a card is stored). Employees stored before have none of them; a column the
// table already has stays as it is.
void createVersion12(Database& db)
{
    addMissingColumns(db, QStringLiteral("员工"),
                      {QStringLiteral("开户银行"), QStringLiteral("银行卡号"), QStringLiteral("发放方式")});
}

// Version 13: each account's check value (Passwords.h), by which a server's functions know the
// account that changes accounts or reopens a month. The super administrator of a new database
// gets it for the password it starts with; other accounts get theirs when they next log in or
// change their password.
void createVersion13(Database& db)
{
    db.execScript(QStringLiteral("ALTER TABLE 管理员 ADD COLUMN 校验 TEXT"));
    const QString start = QString::fromUtf16(kDefaultPassword);
    const QVariant hash = db.scalar(QStringLiteral("SELECT 密码 FROM 管理员 WHERE id = ?"), {kSuperAdministratorId});
    if (!hash.isNull() && verifyPassword(hash.toString(), start))
        db.exec(QStringLiteral("UPDATE 管理员 SET 校验 = ? WHERE id = ?"),
                {makePasswordCheck(start), kSuperAdministratorId});
}

// Version 14: work orders, their bundles and bundle tickets; a production line names the ticket
// it pays, and no ticket is named by two lines.
void createVersion14(Database& db)
{
    createTablesOf(db, 14);
    db.execScript(QStringLiteral(R"SQL(
ALTER TABLE 工资流水 ADD COLUMN 菲票号 TEXT;
CREATE UNIQUE INDEX 工资流水_菲票号 ON 工资流水 (菲票号);
CREATE INDEX 生产单工序_生产单id ON 生产单工序 (生产单id, 序号);
CREATE INDEX 扎_生产单id ON 扎 (生产单id, 扎号);
CREATE INDEX 菲票_生产单id ON 菲票 (生产单id);
CREATE INDEX 菲票_领取 ON 菲票 (领取工号, 领取月份);
)SQL"));
}

// Version 15: what a closed month paid is kept with it: 月结明细, one row per worker paid, and in
// 月结 the rounding and cash denominations the month was paid with. Months closed before get
// their snapshot from the data as they stand now, with the settings in force now.
void createVersion15(Database& db)
{
    createTablesOf(db, 15);
    addMissingColumns(db, QStringLiteral("月结"), {QStringLiteral("取整"), QStringLiteral("零钞面额")});
    db.execScript(QStringLiteral("CREATE INDEX 月结明细_月份 ON 月结明细 (月份, 员工ID)"));
    QList<YearMonth> closed;
    {
        Statement st = db.prepare(QStringLiteral("SELECT 月份 FROM 月结"));
        while (st.next())
            if (const auto month = parseMonthText(st.text(0)))
                closed << *month;
    }
    for (const YearMonth& month : std::as_const(closed))
        snapshotClosedMonth(db, month);
}

// Version 16: teams paid together and time work. A production line names where it came from
// (来源: '集体' with its team month, '计时'; none for the clerk's own lines), so that only the
// team entry and the time entry change them.
void createVersion16(Database& db)
{
    createTablesOf(db, 16);
    // A journal that already has a column (data made again from an older copy) keeps it.
    QStringList present;
    {
        Statement st = db.prepare(QStringLiteral("SELECT * FROM 工资流水 WHERE 1 = 0"));
        for (int i = 0; i < st.columnCount(); ++i)
            present << st.columnName(i);
    }
    if (!present.contains(QStringLiteral("来源")))
        db.execScript(QStringLiteral("ALTER TABLE 工资流水 ADD COLUMN 来源 TEXT"));
    if (!present.contains(QStringLiteral("班组月id")))
        db.execScript(QStringLiteral("ALTER TABLE 工资流水 ADD COLUMN 班组月id INTEGER"));
    db.execScript(QStringLiteral(R"SQL(
CREATE INDEX IF NOT EXISTS 工资流水_班组月id ON 工资流水 (班组月id);
CREATE INDEX 班组成员_班组id ON 班组成员 (班组id, 工号);
CREATE INDEX 班组产量_班组月id ON 班组产量 (班组月id);
CREATE INDEX 班组出勤_班组月id ON 班组出勤 (班组月id);
CREATE INDEX 计时工价_工种 ON 计时工价 (工种, 生效日期);
CREATE INDEX 计时工价_工号 ON 计时工价 (工号, 生效日期);
)SQL"));
}

// Version 17: people leave, numbers stay. An employee whose number stored lines name leaves
// (离职日期) instead of being deleted, a product or deduction item so named is put out of use
// (停用日期); numbers given up otherwise are kept in 停用编号 (NumberHistory.h).
// A table or column the data already have (a file told it was of an older version) stays.
void createVersion17(Database& db)
{
    if (!db.tables().contains(QStringLiteral("停用编号")))
        createTablesOf(db, 17);
    for (const auto& [table, column] : {std::pair{QStringLiteral("员工"), QStringLiteral("离职日期")},
                                        {QStringLiteral("产品工价"), QStringLiteral("停用日期")},
                                        {QStringLiteral("扣减项目"), QStringLiteral("停用日期")}}) {
        const bool missing =
            db.prepare(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table)).columnIndex(column) < 0;
        if (missing)
            db.execScript(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(table, column));
    }
}

// A new version is one function above and one line here.
constexpr SchemaStep kSteps[] = {
    {1, createVersion1},
    {2, createVersion2},
    {3, createVersion3},
    {4, createVersion4},
    {5, createVersion5},
    {6, createVersion6},
    {7, createVersion7},
    {8, createVersion8},
    {9, createVersion9},
    {10, createVersion10},
    {12, createVersion12},
    {13, createVersion13},
    {14, createVersion14},
    {15, createVersion15},
    {16, createVersion16},
    {17, createVersion17},
};

// A server's clerk role neither makes nor upgrades the tables: the database's owner does.
void requireSchemaRights(Database& db, const QString& what)
{
    if (db.mayChangeSchema())
        return;
    throw DbError(QStringLiteral("数据库服务器 %1 上的数据%2，这要由数据库的所有者来做，登录所用的数据库角色不能做。"
                                 "请让管理服务器的人运行 kelvaro --setup-server 设置数据库。")
                      .arg(db.location(), what),
                  Cause::PermissionDenied, EngineKind::Server, db.location());
}

void recordVersion(Database& db, int version)
{
    db.exec(db.upsertSql(QStringLiteral("kelvaro_meta"), {QStringLiteral("key"), QStringLiteral("value")}),
            {QString::fromUtf16(kVersionKey), QString::number(version)});
}
} // namespace

SchemaSteps programSchema()
{
    return kSteps;
}

int latestVersion(SchemaSteps steps)
{
    return steps.empty() ? 0 : steps.back().version;
}

int storedVersion(Database& db)
{
    QVariant value;
    try {
        value = db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"),
                          {QString::fromUtf16(kVersionKey)});
    } catch (const DbError&) {
        // no meta table: not a file of this program
    }
    bool ok = false;
    const int version = value.toString().toInt(&ok);
    if (!ok || version < 1)
        throw DbError(QStringLiteral("数据文件没有版本信息，不是本系统的数据文件。"));
    return version;
}

void markDataReplaced(Database& db)
{
    const QString stamp = QUuid::createUuid().toString(QUuid::WithoutBraces);
    db.exec(db.upsertSql(QStringLiteral("kelvaro_meta"), {QStringLiteral("key"), QStringLiteral("value")}),
            {QString::fromUtf16(kReplacedKey), stamp});
    db.setOwnReplacedStamp(stamp);
}

QString dataReplacedStamp(Database& db)
{
    return db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"), {QString::fromUtf16(kReplacedKey)})
        .toString();
}

void createSchema(Database& db, SchemaSteps steps)
{
    requireSchemaRights(db, QStringLiteral("还没有建立"));
    Transaction tx(db, Access::Maintenance);
    db.createStore();
    for (const SchemaStep& step : steps)
        step.apply(db);
    recordVersion(db, latestVersion(steps));
    tx.commit();
}

void upgradeSchema(Database& db, SchemaSteps steps)
{
    const int stored = storedVersion(db);
    const int latest = latestVersion(steps);
    if (stored > latest)
        throw DbError(QStringLiteral("数据文件来自更新的版本（第 %1 版），本程序只能使用第 %2 版及以前的数据文件。"
                                     "请使用更新版本的程序打开它。")
                          .arg(stored)
                          .arg(latest),
                      Cause::NewerVersion, db.isServer() ? EngineKind::Server : EngineKind::File, db.location());
    if (stored < latest)
        requireSchemaRights(db, QStringLiteral("是第 %1 版，需要升级到本程序的第 %2 版").arg(stored).arg(latest));
    int at = stored;
    for (const SchemaStep& step : steps) {
        if (step.version <= at)
            continue;
        try {
            Transaction tx(db, Access::Maintenance);
            step.apply(db);
            recordVersion(db, step.version);
            tx.commit();
        } catch (const DbError& e) {
            throw e.retold(QStringLiteral("数据文件升级到第 %1 版没有完成，文件仍是第 %2 版，这一步没有改动它。\n%3")
                               .arg(step.version)
                               .arg(at)
                               .arg(e.message()));
        }
        at = step.version;
    }
}

bool createDatabaseIfMissing(const QString& path, const QString& key)
{
    if (QFileInfo::exists(path))
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw DbError(QStringLiteral("无法创建数据目录：%1").arg(QFileInfo(path).absolutePath()));
    try {
        Database db(path, key, true);
        createSchema(db);
        // Later steps replace indexes of earlier ones: a new file starts without the pages they
        // left free.
        db.execScript(QStringLiteral("VACUUM"));
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return true;
}

} // namespace kv
