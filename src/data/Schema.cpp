#include "data/Schema.h"

#include "data/Database.h"
#include "data/Passwords.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {
constexpr int kSchemaVersion = 1;

// Amounts are REAL, dates ISO text (YYYY-MM-DD), ids never reused.
const char16_t* const kTables = uR"SQL(
CREATE TABLE kelvaro_meta (key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE 员工 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 姓名 TEXT, 性别 TEXT, 身份证号 TEXT,
  车间 TEXT, 工种 TEXT, 上岗时间 TEXT, 备注 TEXT);
CREATE TABLE 产品工价 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 产品编号 TEXT, 产品说明 TEXT, 拼音编码 TEXT,
  计量单位 TEXT, 工价 REAL, 备注 TEXT);
CREATE TABLE 扣减项目 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 扣减项目编号 TEXT, 扣减项目说明 TEXT, 拼音编码 TEXT,
  扣减金额 REAL, 备注 TEXT);
CREATE TABLE 工资流水 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 日期 TEXT, 产品 TEXT, 计量单位 TEXT,
  数量 REAL, 工价 REAL, 金额 REAL, 备注 TEXT);
CREATE TABLE 扣减流水 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 工号 TEXT, 日期 TEXT, 扣减项目 TEXT, 扣减金额 REAL);
CREATE TABLE 员工工资 (
  id INTEGER PRIMARY KEY AUTOINCREMENT, 月份 TEXT, 工号 TEXT, 姓名 TEXT, 生产金额 REAL,
  扣减 REAL, 实发工资 REAL);
CREATE TABLE 管理员 (id INTEGER PRIMARY KEY AUTOINCREMENT, 账号 TEXT, 密码 TEXT);
CREATE TABLE 车间 (id INTEGER PRIMARY KEY AUTOINCREMENT, 车间 TEXT);
CREATE TABLE 工种 (id INTEGER PRIMARY KEY AUTOINCREMENT, 工种 TEXT);
CREATE TABLE 计量单位 (id INTEGER PRIMARY KEY AUTOINCREMENT, 计量单位 TEXT);

CREATE INDEX 工资流水_工号_日期 ON 工资流水 (工号, 日期);
CREATE INDEX 扣减流水_工号_日期 ON 扣减流水 (工号, 日期);
CREATE INDEX 工资流水_日期_工号_金额 ON 工资流水 (日期, 工号, 金额);
CREATE INDEX 扣减流水_日期_工号_金额 ON 扣减流水 (日期, 工号, 扣减金额);
CREATE INDEX 员工工资_工号_月份 ON 员工工资 (工号, 月份);
CREATE INDEX 员工_工号 ON 员工 (工号);
CREATE INDEX 产品工价_产品编号 ON 产品工价 (产品编号);
CREATE INDEX 扣减项目_扣减项目编号 ON 扣减项目 (扣减项目编号);
)SQL";
} // namespace

void createSchema(Database& db)
{
    Transaction tx(db);
    db.execScript(QString::fromUtf16(kTables));
    db.exec(QStringLiteral("INSERT INTO kelvaro_meta (key, value) VALUES ('schema_version', ?)"),
            {QString::number(kSchemaVersion)});
    db.exec(QStringLiteral("INSERT INTO 管理员 (id, 账号, 密码) VALUES (1, ?, ?)"),
            {QString::fromUtf16(kDefaultAccount), hashPassword(QString::fromUtf16(kDefaultPassword))});
    tx.commit();
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
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return true;
}

} // namespace kv
