#include "BenchData.h"

#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/AppPaths.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/MonthlyTotals.h"
#include "data/Schema.h"
#include "data/TextRules.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <map>
#include <memory>

namespace kv::bench {

namespace {
QString employeeNo(int i)
{
    return QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
}

void fill(Database& db, const BenchDataShape& shape)
{
    QRandomGenerator rng(2008);
    // The lines go in by employee while the date indexes are ordered by day: with the whole file
    // in the page cache, index pages are not written out and read back again while filling.
    db.execScript(QStringLiteral("PRAGMA cache_size = -1500000"));
    Transaction tx(db);
    Statement emp =
        db.prepare(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '一车间', '装配')"));
    Statement line = db.prepare(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 计量单位, 数量, 工价, 金额, "
                                               "备注) VALUES (?, ?, '外壳', '个', ?, 1.25, ?, '')"));
    Statement ded =
        db.prepare(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '罚款', ?)"));
    const auto addLines = [&](const QString& no, int month, int lines, int deductions) {
        for (int i = 0; i < lines; ++i) {
            const int qty = 1 + int(rng.bounded(100));
            line.bindAll({no, isoDate(QDate(2008, month, 1 + i % 28)), qty, qty * 1.25});
            line.run();
            line.reset();
        }
        for (int i = 0; i < deductions; ++i) {
            ded.bindAll({no, isoDate(QDate(2008, month, 1 + i % 28)), 5});
            ded.run();
            ded.reset();
        }
    };
    for (int e = 1; e <= shape.employees; ++e) {
        const QString no = employeeNo(e);
        emp.bindAll({no, QStringLiteral("员工%1").arg(e)});
        emp.run();
        emp.reset();
        for (int m = 1; m <= shape.months; ++m)
            addLines(no, m, shape.linesPerMonth, shape.deductionsPerMonth);
    }
    db.exec(QStringLiteral("DELETE FROM 工资流水 WHERE 工号 = ? AND 日期 >= '2008-05-01' AND 日期 < '2008-06-01'"),
            {employeeNo(1)});
    db.exec(QStringLiteral("DELETE FROM 扣减流水 WHERE 工号 = ? AND 日期 >= '2008-05-01' AND 日期 < '2008-06-01'"),
            {employeeNo(1)});
    addLines(employeeNo(1), 5, 300, 30);

    // Descriptions of two to four syllables, with their initials as pinyin code.
    const QString syllables = QStringLiteral("外壳螺丝钉垫片大小盖板线");
    const QString initials = QStringLiteral("WKLSDDPDXGBX");
    Statement product = db.prepare(QStringLiteral(
        "INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) VALUES (?, ?, ?, '个', ?)"));
    for (int p = 1; p <= shape.products; ++p) {
        QString description;
        QString code;
        for (int n = 2 + int(rng.bounded(3)); n > 0; --n) {
            const int s = int(rng.bounded(syllables.size()));
            description += syllables.at(s);
            code += initials.at(s);
        }
        product.bindAll({QStringLiteral("P%1").arg(p, 5, 10, QLatin1Char('0')), description + QString::number(p % 97),
                         code, 0.5 + rng.bounded(400) / 100.0});
        product.run();
        product.reset();
    }
    // The lines went in past the month save, so their monthly sums are made as the upgrade makes
    // them: the statistics of a month, quarter or year read nothing else.
    rebuildMonthlyTotals(db);
    tx.commit();
}
} // namespace

QString benchAppDir(const BenchDataShape& shape)
{
    QString name = QStringLiteral("kelvaro-bench-%1x%2x%3x%4")
                       .arg(shape.employees)
                       .arg(shape.months)
                       .arg(shape.linesPerMonth)
                       .arg(shape.deductionsPerMonth);
    if (shape.products > 0)
        name += QStringLiteral("-%1products").arg(shape.products);
    const QString dir = QDir::temp().filePath(name);
    const AppPaths paths{dir, dir};
    if (QFile::exists(paths.database())) {
        // A database kept from a run of an earlier version is given the present key once.
        const DatabaseKeys keys = readKeyFile(paths.keyFile());
        bool oldKey = false;
        openWithKeys(paths.database(), keys, &oldKey);
        if (oldKey)
            rekeyDatabaseFile(paths.database(), keys);
        return dir;
    }
    QDir().mkpath(dir);
    createKeyFile(paths.keyFile());
    const QString building = paths.database() + QStringLiteral(".building");
    QFile::remove(building);
    {
        QDir().mkpath(paths.dataDir());
        Database db(building, dbPass(paths.keyFile()), true);
        createSchema(db);
        fill(db, shape);
    }
    QFile::rename(building, paths.database());
    return dir;
}

AppContext& benchContext(const BenchDataShape& shape)
{
    static std::map<QString, std::unique_ptr<AppContext>> contexts; // by application directory
    const QString dir = benchAppDir(shape);
    std::unique_ptr<AppContext>& ctx = contexts[dir];
    if (!ctx) {
        ctx = std::make_unique<AppContext>(dir);
        // The benchmarks work as the owner, who may change everything.
        if (ctx->reconnect())
            if (const auto owner = accountSession(ctx->conn(), kSuperAdministratorId))
                ctx->setSession(*owner);
    }
    return *ctx;
}

} // namespace kv::bench
