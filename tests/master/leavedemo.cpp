// Lays out a data folder for trying by hand how an employee leaves: three workers with lines in
// 2026-10, that month closed, and a clerk "录入员" (password 1) who keeps master data. Not a
// test and not installed.
//   master_leavedemo DIR      then: kelvaro --appdir DIR
#include "TestDb.h"
#include "data/Accounts.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/Schema.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "master/MasterRecords.h"

#include <QCoreApplication>
#include <QDir>

using namespace kv;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: master_leavedemo DIR");
        return 2;
    }
    const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(dir);
    layOutAppDir(dir);
    AppContext ctx(dir);
    createDatabaseIfMissing(ctx.paths().database(), dbPass(ctx.paths().keyFile()));
    QString error;
    if (!ctx.reconnect(&error)) {
        qWarning("%s", qPrintable(error));
        return 1;
    }
    Database& db = ctx.conn();
    ctx.setSession(*accountSession(db, kSuperAdministratorId));
    const char* staff[][3] = {{"007", "张三", "80"}, {"008", "吴十", "207.23"}, {"009", "李四", "150"}};
    MasterRecords(db, MasterKind::Product)
        .save(0, {QStringLiteral("C7"), QStringLiteral("外壳"), {}, QStringLiteral("个"), QStringLiteral("1.5"), {}});
    for (const auto& s : staff) {
        MasterRecords(db, MasterKind::Employee)
            .save(0, {QString::fromUtf8(s[0]),
                      QString::fromUtf8(s[1]),
                      QStringLiteral("男"),
                      {},
                      QStringLiteral("一车间"),
                      QStringLiteral("装配"),
                      QStringLiteral("2026-1-5"),
                      {}});
        MonthSheet sheet{QStringLiteral("2026-10"), QString::fromUtf8(s[0]), QString::fromUtf8(s[1]), {}, {}};
        sheet.production.append({1,
                                 QDate(2026, 10, 12),
                                 QStringLiteral("外壳"),
                                 QStringLiteral("C7"),
                                 QStringLiteral("个"),
                                 *Decimal::parse(QString::fromUtf8(s[2])),
                                 *Decimal::parse(QStringLiteral("1.5")),
                                 {}});
        MonthRecords(db).saveMonth(sheet);
    }
    ClosedMonths(db).close(QStringLiteral("2026-10"), QStringLiteral("2026-11-5 10:00:00"));
    AdminAccounts(db).add(QStringLiteral("录入员"), QStringLiteral("1"),
                          Rights(Right::WageEntry) | Right::Statistics | Right::MasterData);
    return 0;
}
