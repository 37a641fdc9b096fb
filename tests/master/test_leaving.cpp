#include "TestDb.h"
#include "data/Accounts.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "entry/EmployeeFinder.h"
#include "entry/ItemCatalog.h"
#include "entry/MonthRecords.h"
#include "master/MasterRecords.h"
#include "master/NumberHistory.h"
#include "stats/WageStatistics.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kv;
using kv::testing::money;

namespace {

QStringList employee(const QString& number, const QString& name)
{
    return {number,
            name,
            QStringLiteral("男"),
            QString(),
            QStringLiteral("一车间"),
            QStringLiteral("装配"),
            QStringLiteral("2026-1-5"),
            QString()};
}

QStringList valuesOf(MasterKind kind, const QString& number, const QString& name)
{
    switch (kind) {
    case MasterKind::Product:
        return {number, name, QStringLiteral("X"), QStringLiteral("个"), QStringLiteral("1.5"), {}};
    case MasterKind::Deduction: return {number, name, QStringLiteral("X"), QStringLiteral("5"), {}};
    case MasterKind::Employee: break;
    }
    return employee(number, name);
}

qint64 idOf(Database& db, MasterKind kind, const QString& number)
{
    const MasterTable& t = masterTable(kind);
    return db.scalar(QStringLiteral("SELECT id FROM %1 WHERE %2 = ?").arg(t.table, t.numberColumn().name), {number})
        .toLongLong();
}

// Saves and says how it ended: "" when saved, else the refusal's text.
QString saveResult(Database& db, MasterKind kind, qint64 id, const QStringList& values)
{
    try {
        MasterRecords(db, kind).save(id, values);
        return {};
    } catch (const Error& e) {
        return e.message();
    }
}

// One line of production and one of deductions in the month, naming the product and item.
void saveMonth(Database& db, const QString& number, const QString& name, const QDate& day, const char* quantity)
{
    MonthSheet sheet{QStringLiteral("%1-%2").arg(day.year()).arg(day.month()), number, name, {}, {}};
    sheet.production.append({1,
                             day,
                             QStringLiteral("外壳"),
                             QStringLiteral("C7"),
                             QStringLiteral("个"),
                             money(quantity),
                             money("1.5"),
                             {}});
    sheet.deductions.append({1, day, QStringLiteral("罚款"), QStringLiteral("K7"), money("5")});
    MonthRecords(db).saveMonth(sheet);
}

QString statisticsOf(Database& db, const QDate& first, const QDate& last)
{
    QStringList out;
    for (const EmployeeWage& w : WageStatistics(db).compute(PeriodKind::Month, dateRange(first, last)))
        if (!w.production.isZero() || !w.deductions.isZero())
            out << w.number + u' ' + w.name + u' ' + w.netPay().plainText();
    return out.join(u',');
}

} // namespace

class TestLeaving : public QObject {
    Q_OBJECT
private slots:
    // An employee whose number a closed month's lines carry: the delete makes him leave. The
    // closed month and its statistics keep him as he was; look-ups for new entries no longer find
    // him, the list shows him only when asked, and his number is refused for anybody else.
    void anEmployeeWithLinesLeavesAndKeepsHisMonths()
    {
        TestApp app(QDate(2026, 12, 8));
        Database& db = app.db();
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("007", "张三")), QString());
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("008", "吴十")), QString());
        QCOMPARE(saveResult(db, MasterKind::Product, 0, valuesOf(MasterKind::Product, "C7", "外壳")), QString());
        QCOMPARE(saveResult(db, MasterKind::Deduction, 0, valuesOf(MasterKind::Deduction, "K7", "罚款")), QString());
        saveMonth(db, "007", "张三", QDate(2026, 10, 3), "100");
        saveMonth(db, "008", "吴十", QDate(2026, 10, 4), "210");
        QCOMPARE(ClosedMonths(db).close("2026-10", "2026-11-5 10:00:00"), ClosedMonths::Outcome::Done);
        const QString before = statisticsOf(db, QDate(2026, 10, 1), QDate(2026, 10, 31));
        QCOMPARE(before, QStringLiteral("007 张三 145,008 吴十 310"));

        MasterRecords employees(db, MasterKind::Employee);
        const qint64 wu = idOf(db, MasterKind::Employee, "008");
        QCOMPARE(employees.remove(wu), Removal::OutOfUse);
        const QDate leftOn = db.now().date(); // on a server, by its clock
        QCOMPARE(outOfUseSince(db, MasterKind::Employee, wu), leftOn);
        QCOMPARE(employees.remove(wu), Removal::AlreadyOutOfUse);
        QCOMPARE(statisticsOf(db, QDate(2026, 10, 1), QDate(2026, 10, 31)), before);
        QCOMPARE(MonthRecords(db).loadProduction("008", YearMonth{2026, 10}).size(), 1);

        EmployeeFinder finder(db);
        QVERIFY(finder.nameContains("吴").isEmpty());
        QVERIFY(!finder.nameExists("吴十"));
        QVERIFY(!finder.byNumber("008"));
        QCOMPARE(finder.all().size(), 1);
        QCOMPARE(finder.byNumber("008", true)->name, QStringLiteral("吴十"));
        QCOMPARE(finder.byId(wu)->name, QStringLiteral("吴十"));

        // No day after he left is paid; the months before stay open to correction.
        try {
            saveMonth(db, "008", "吴十", leftOn.addDays(1), "1");
            QFAIL("a day after he left was paid");
        } catch (const InputError& e) {
            QCOMPARE(e.message(), QStringLiteral("该员工已于 %1 离职，不能再记 %2 的工资（第 1 行）。")
                                      .arg(dateText(leftOn), dateText(leftOn.addDays(1))));
        }
        saveMonth(db, "008", "吴十", leftOn, "1");
        QCOMPARE(MonthRecords(db).loadProduction("008", YearMonth{leftOn.year(), leftOn.month()}).size(), 1);
        QCOMPARE(employees.list({}, false).rows.size(), 1);
        const RecordRows all = employees.list({}, true);
        QCOMPARE(all.rows.size(), 2);
        QCOMPARE(all.rows.at(1).at(all.fields.indexOf(QStringLiteral("离职日期"))), dateText(leftOn));
        QCOMPARE(employees.list({{QStringLiteral("离职日期"), leftOn.toString("yyyy/M/d")}}, true).rows.size(), 1);
        QVERIFY(!employees.list().fields.contains(QStringLiteral("离职日期")));

        // Nobody else gets 008, neither new nor renumbered; his own record keeps it on an edit.
        const QString refusal = QStringLiteral("该工号曾属于 吴十（已离职），不能再用");
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("008", "李雷")), refusal);
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("009", "韩梅")), QString());
        QCOMPARE(saveResult(db, MasterKind::Employee, idOf(db, MasterKind::Employee, "009"), employee("008", "韩梅")),
                 refusal);
        QCOMPARE(employees.formerOwner(" 008 ", 0), refusal);
        QCOMPARE(saveResult(db, MasterKind::Employee, wu, employee("008", "吴十")), QString());
        QCOMPARE(statisticsOf(db, QDate(2026, 10, 1), QDate(2026, 10, 31)), before);
        QCOMPARE(db.scalar("SELECT count(*) FROM 员工 WHERE 工号 = '008'").toInt(), 1);
        QStringList left;
        for (const LogEntry& e : OperationLog(db).entries())
            if (e.action == QStringLiteral("员工离职"))
                left << e.target;
        QCOMPARE(left, QStringList{"008 吴十"});
    }

    // Products and deduction items that lines name go out of use (停用) the same way: kept for the
    // lines, no longer offered for a new line, their numbers never given again. Without lines the
    // record goes, and its number stays given: also a number a record gave up by renumbering.
    void numbersOnceGivenAreNeverGivenAgain()
    {
        for (const MasterKind kind : {MasterKind::Employee, MasterKind::Product, MasterKind::Deduction}) {
            TestApp app(QDate(2026, 12, 8));
            Database& db = app.db();
            const MasterTable& t = masterTable(kind);
            const QString n = t.numberColumn().name;
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A1", "甲")), QString());
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A2", "乙")), QString());
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A3", "丙")), QString());
            // A line names A1 by its number.
            if (kind == MasterKind::Employee)
                db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES ('A1', '2026-10-03', '罚款', 5)");
            else if (kind == MasterKind::Product)
                db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 产品编号, 金额) VALUES ('9', '2026-10-03', '甲', "
                        "'A1', 1)");
            else
                db.exec("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减项目编号, 扣减金额) "
                        "VALUES ('9', '2026-10-03', '甲', 'A1', 5)");

            MasterRecords records(db, kind);
            QCOMPARE(records.remove(idOf(db, kind, "A1")), Removal::OutOfUse);
            QCOMPARE(records.remove(idOf(db, kind, "A2")), Removal::Deleted);
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(t.table)).toInt(), 2);
            // A3 becomes B3 while no line names it: A3 is given up, yet its own record may go back.
            const qint64 third = idOf(db, kind, "A3");
            QCOMPARE(saveResult(db, kind, third, valuesOf(kind, "B3", "丙")), QString());

            const QString state = kind == MasterKind::Employee ? QStringLiteral("已离职") : QStringLiteral("已停用");
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A1", "丁")),
                     QStringLiteral("该%1曾属于 甲（%2），不能再用").arg(n, state));
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A2", "丁")),
                     QStringLiteral("该%1曾属于 乙（已删除），不能再用").arg(n));
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "A3", "丁")),
                     QStringLiteral("该%1曾属于 丙（已改用 B3），不能再用").arg(n));
            QCOMPARE(saveResult(db, kind, third, valuesOf(kind, "A3", "丙")), QString());
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, "B3", "丁")),
                     QStringLiteral("该%1曾属于 丙（已改用 A3），不能再用").arg(n));

            // The automatic number passes over numbers once given: the highest id is 3, and …00004
            // was given and deleted.
            const QString fourth = t.numberLetter + QStringLiteral("00004");
            QCOMPARE(saveResult(db, kind, 0, valuesOf(kind, fourth, "戊")), QString());
            QCOMPARE(records.remove(idOf(db, kind, fourth)), Removal::Deleted);
            QCOMPARE(records.automaticNumber(), t.numberLetter + QStringLiteral("00005"));

            if (kind != MasterKind::Employee) {
                // No new line is offered the item out of use, all others are.
                ItemCatalog catalog(kind == MasterKind::Product ? LookupKind::Product : LookupKind::Deduction);
                catalog.refresh(db);
                QStringList offered;
                for (int i : catalog.matches(QString()))
                    offered << catalog.rows().at(i).at(0);
                QCOMPARE(offered, QStringList{"A3"});
                QVERIFY(catalog.matches("A1").isEmpty());
            }
        }
    }

    // A delete that fails half way (the record of the given-up number cannot be written) leaves
    // the record and everything else as they were; so does one refused for want of the right.
    void aFailedDeleteChangesNothing()
    {
        TestApp app(QDate(2026, 12, 8));
        Database& db = app.db();
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("001", "张三")), QString());
        const qint64 id = idOf(db, MasterKind::Employee, "001");
        const qsizetype logged = OperationLog(db).entries().size();
        failInserts(db, "停用编号_满", "停用编号", "磁盘已满");
        try {
            MasterRecords(db, MasterKind::Employee).remove(id);
            QFAIL("the delete went through");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("磁盘已满")), qPrintable(e.message()));
        }
        liftFailure(db, "停用编号_满", "停用编号");
        QCOMPARE(storedRow(db, "SELECT 工号, 姓名 FROM 员工"), QStringLiteral("001|张三"));
        QCOMPARE(db.scalar("SELECT count(*) FROM 停用编号").toInt(), 0);
        QCOMPARE(OperationLog(db).entries().size(), logged);
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("001", "李四")), QString::fromUtf16(u"编号已存在"));
    }

    // A file of the version before: its records get the columns, all in use, and their numbers
    // keep their rules.
    void anOlderFileGetsTheColumns()
    {
        if (TestApp::onServer())
            QSKIP("a file of an earlier version is made with the file engine");
        QTemporaryDir dir;
        Database db(dir.filePath("old.db"), QStringLiteral("key"), true);
        const SchemaSteps steps = programSchema();
        createSchema(db, steps.first(steps.size() - 1));
        QCOMPARE(storedVersion(db), latestVersion() - 1);
        db.exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')");
        upgradeSchema(db);
        db.setSession(*accountSession(db, kSuperAdministratorId));
        QCOMPARE(storedVersion(db), latestVersion());
        QCOMPARE(MasterRecords(db, MasterKind::Employee).list({}, false).rows.size(), 1);
        QCOMPARE(MasterRecords(db, MasterKind::Employee).remove(idOf(db, MasterKind::Employee, "001")),
                 Removal::Deleted);
        QCOMPARE(saveResult(db, MasterKind::Employee, 0, employee("001", "李四")),
                 QStringLiteral("该工号曾属于 张三（已删除），不能再用"));
    }
};

QTEST_GUILESS_MAIN(TestLeaving)
#include "test_leaving.moc"
