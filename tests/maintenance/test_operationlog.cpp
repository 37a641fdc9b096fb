#include "FixedClock.h"
#include "TestDb.h"
#include "data/OperationLog.h"
#include "data/Tables.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "lists/CodeList.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"
#include "maintenance/Integrity.h"
#include "maintenance/RestoreLoss.h"
#include "master/MasterRecords.h"

#include <QFileInfo>
#include <QTest>

#include <functional>

using namespace kv;

namespace {
int entries(Database& db)
{
    return db.scalar("SELECT count(*) FROM 操作日志").toInt();
}

MonthTexts may(const char* amount)
{
    return {"2008-5", "001", "张三", {{"2008-5-2", "外壳", "个", "1", amount, "", amount, ""}}, {}};
}

QStringList employee(const char* no, const char* name)
{
    return {no, name, "", "", "一车间", "装配", "", ""};
}

qint64 idOf(Database& db, const QString& sql)
{
    return db.scalar(sql).toLongLong();
}
} // namespace

class TestOperationLog : public QObject {
    Q_OBJECT
private slots:
    void everyChangeWritesOneEntryForTheAccountLoggedIn()
    {
        TestApp app;
                Database& db = app.db();
        struct Step {
            const char* action;
            const char* target; // a part of what the entry says it touched
            std::function<void()> change;
            int written = 1; // entries the change writes; the step's own is the newest
        };
        const QList<Step> steps{
            {"保存工资", "张三（001）2008-5：生产金额 0 → 15，扣减 0 → 0，实发工资 0 → 15",
             [&] { MonthRecords(db).saveMonth(readMonthSheet(may("15"))); }},
            {"保存工资", "生产金额 15 → 20", [&] { MonthRecords(db).saveMonth(readMonthSheet(may("20"))); }},
            {"清空工资", "张三（001）2008-5：生产金额 20 → 0", [&] { MonthRecords(db).deleteMonth("001", "2008-5"); }},
            // The workshop and job type it brings join their code lists, each with its entry.
            {"新增员工", "001 张三", [&] { MasterRecords(db, MasterKind::Employee).save(0, employee("001", "张三")); }, 3},
            {"修改员工", "001 张叁",
             [&] {
                 MasterRecords(db, MasterKind::Employee).save(idOf(db, "SELECT id FROM 员工"), employee("001", "张叁"));
             }},
            {"删除员工", "001 张叁",
             [&] { MasterRecords(db, MasterKind::Employee).remove(idOf(db, "SELECT id FROM 员工")); }},
            {"新增产品", "C1 外壳",
             [&] {
                 MasterRecords(db, MasterKind::Product).save(0, {"C1", "外壳", "", "个", "1.5", ""});
             },
             2},
            {"新增工种", "质检", [&] { CodeList(db, CodeListKind::JobType).add(" 质检 "); }},
            {"修改工种", "质检 → 检验",
             [&] { CodeList(db, CodeListKind::JobType).rename(idOf(db, "SELECT max(id) FROM 工种"), "检验"); }},
            {"删除工种", "检验",
             [&] { CodeList(db, CodeListKind::JobType).remove(idOf(db, "SELECT max(id) FROM 工种")); }},
            {"新增账号", "会计", [&] { AdminAccounts(db).add("会计", "secret-1"); }},
            {"修改账号", "会计 → 出纳（密码已修改）",
             [&] { AdminAccounts(db).change(idOf(db, "SELECT max(id) FROM 管理员"), "出纳", QString("secret-2")); }},
            {"删除账号", "出纳", [&] { AdminAccounts(db).remove(idOf(db, "SELECT max(id) FROM 管理员")); }},
            {"结账", "2008-4", [&] { ClosedMonths(db).close("2008-4", "t"); }},
            {"反结账", "2008-4", [&] { ClosedMonths(db).reopen("2008-4", "admin123"); }},
            {"数据备份", "2008-5-17.bak", [&] { QVERIFY(backupDatabase(app.ctx()).ok); }},
        };
        for (const Step& step : steps) {
            if (app.db().isServer() && QString(step.action) == "数据备份")
                continue; // backups of a server are the file engine's copies; tested with them
            const int before = entries(app.db());
            step.change();
            QCOMPARE(entries(app.db()), before + step.written);
            const LogEntry last = OperationLog(app.db()).entries().first();
            QCOMPARE(last.action, QString(step.action));
            QVERIFY2(last.target.contains(QString(step.target)), qPrintable(last.target));
            QCOMPARE(last.account, QString("admin"));
            QCOMPARE(last.accountId, QString("1"));
        }
        // A code-list entry learnt through a master record has its own entry beside the list's.
        QCOMPARE(OperationLog(app.db()).entries({{2, "新增工种"}}).size(), 2);
        QCOMPARE(OperationLog(app.db()).entries({{3, "装配"}}).size(), 1);

        // The log keeps every entry through a restore and gains the restore's own.
        if (!app.db().isServer()) {
            const int before = entries(app.db());
            QVERIFY(restoreDatabase(app.ctx(), "2008-5-17.bak").ok);
            QCOMPARE(entries(app.db()), before + 1);
            QCOMPARE(OperationLog(app.db()).entries().first().action, QString("数据恢复"));
            QCOMPARE(app.db().session().account(), QString("admin"));
        } else {
            // A server's backup is the encrypted file of local backups, holding every row of
            // every table, which a local installation and the server alike restore.
            const int before = entries(app.db());
            const CopyOutcome backup = backupDatabase(app.ctx());
            QVERIFY2(backup.ok, qPrintable(backup.error));
            QCOMPARE(entries(app.db()), before + 1);
            // Sound as a local backup, so that a local installation restores it.
            QCOMPARE(inspectDatabaseFile(backup.path, dbPass(app.ctx().paths().keyFile())).state,
                     FileVerdict::State::Sound);
            Database copy(backup.path, dbPass(app.ctx().paths().keyFile()));
            for (const TableDef& table : schemaTables()) {
                const QString name = QString::fromUtf16(table.name);
                const QString key = name == "kelvaro_meta" ? "key"
                                    : name == "月度合计"   ? "工号"
                                    : name == "停用编号"   ? "编号"
                                                           : "id";
                const QString rows = QStringLiteral("SELECT count(*) FROM %1").arg(name);
                const QString last = QStringLiteral("SELECT max(%1) FROM %2").arg(key, name);
                const int loggedSince = name == "操作日志" ? 1 : 0; // the backup's own entry
                QCOMPARE(copy.scalar(rows).toInt(), app.db().scalar(rows).toInt() - loggedSince);
                if (loggedSince == 0)
                    QCOMPARE(copy.scalar(last).toString(), app.db().scalar(last).toString());
            }
            QCOMPARE(copy.scalar("SELECT decimal_sum(金额) FROM 工资流水").toDouble(),
                     app.db().scalar("SELECT decimal_sum(金额) FROM 工资流水").toDouble());
            // Restored into the server: the rows of the backup, with the restore's own entry, and
            // new rows get ids past the restored ones.
            app.db().exec("INSERT INTO 车间 (车间) VALUES ('备份后')");
            // A restore that fails half-way leaves the server's data as they were.
            failInserts(app.db(), "no_lines", "操作日志", "disk full");
            const CopyOutcome failed = restoreDatabase(app.ctx(), "2008-5-17.bak");
            QVERIFY(!failed.ok);
            QVERIFY2(failed.error.contains("disk full"), qPrintable(failed.error));
            liftFailure(app.db(), "no_lines", "操作日志");
            QCOMPARE(app.db().scalar("SELECT count(*) FROM 车间 WHERE 车间 = '备份后'").toInt(), 1);
            QCOMPARE(entries(app.db()), before + 1);
            const CopyOutcome restore = restoreDatabase(app.ctx(), "2008-5-17.bak");
            QVERIFY2(restore.ok, qPrintable(restore.error));
            QVERIFY(QFileInfo::exists(restore.safetyCopy));
            QCOMPARE(app.db().scalar("SELECT count(*) FROM 车间 WHERE 车间 = '备份后'").toInt(), 0);
            QCOMPARE(entries(app.db()), before + 2);
            QCOMPARE(OperationLog(app.db()).entries().first().action, QString("数据恢复"));
            const qint64 highest = app.db().scalar("SELECT max(id) FROM 操作日志").toLongLong();
            OperationLog(app.db()).recordAlone("登录");
            QCOMPARE(app.db().scalar("SELECT max(id) FROM 操作日志").toLongLong(), highest + 1);
        }

        // Passwords appear nowhere in the log.
        QCOMPARE(OperationLog(app.db()).entries({{3, "secret"}}).size(), 0);

        // Clearing keeps the log and adds who cleared.
        const int beforeClearing = entries(app.db());
        clearAllData(app.db());
        const QList<LogEntry> left = OperationLog(app.db()).entries();
        QCOMPARE(left.size(), beforeClearing + 1);
        QCOMPARE(left.first().action, QString("清空数据"));
        QCOMPARE(left.first().account, QString("admin"));
    }

    // A restore undoes the data, never the record of who did what: the live entries stay, the
    // backup's that the live log lost come back once, and the restore adds its own. The question
    // before it names what it undoes, compared on either engine with the backup file.
    void theLogOnlyGrowsThroughARestore()
    {
        TestApp app;
        // The connection is opened again by backup and restore: always the one open now.
        OperationLog(app.db()).recordAlone("登录");
        OperationLog(app.db()).recordAlone("登录"); // alike in every column but the id
        MonthRecords(app.db()).saveMonth(readMonthSheet(may("15")));
        const CopyOutcome backup = backupDatabase(app.ctx());
        QVERIFY2(backup.ok, qPrintable(backup.error));
        const QString name = QFileInfo(backup.path).fileName();

        // Since the backup: a month closed, a month saved again, a login; and one of the two
        // logins lost from the live log, as a restore of an earlier version lost entries.
        QCOMPARE(ClosedMonths(app.db()).close("2008-4", "2008-05-17 09:30:00"), ClosedMonths::Outcome::Done);
        MonthRecords(app.db()).saveMonth(readMonthSheet(may("20")));
        OperationLog(app.db()).recordAlone("登录", "备份之后");
        app.db().exec("DELETE FROM 操作日志 WHERE id = (SELECT min(id) FROM 操作日志)");
        QList<LogEntry> live = OperationLog(app.db()).entries();

        const std::optional<RestoreLoss> loss = restoreLoss(app.ctx(), name);
        QVERIFY(loss);
        QCOMPARE(loss->monthsClosedSince, QStringList{"2008-4"});
        QCOMPARE(loss->linesSince.size(), 1);
        QCOMPARE(loss->linesSince.first().first, QString("2008-5"));
        QCOMPARE(loss->linesSince.first().second, 1);
        const QString question = restoreQuestion(name, *loss);
        QVERIFY2(question.contains("2008-4") && question.contains("2008-5 月 1 条"), qPrintable(question));
        QVERIFY(!restoreLoss(app.ctx(), "no-such.bak"));

        const CopyOutcome restored = restoreDatabase(app.ctx(), name);
        QVERIFY2(restored.ok, qPrintable(restored.error));
        QVERIFY(!ClosedMonths(app.db()).isClosed("2008-4"));
        QCOMPARE(app.db().scalar("SELECT sum(金额) FROM 工资流水").toDouble(), 15.0);
        const QList<LogEntry> after = OperationLog(app.db()).entries();
        QCOMPARE(after.size(), live.size() + 2);
        QCOMPARE(after.first().action, QString("数据恢复"));
        QCOMPARE(after.first().target, name);
        QCOMPARE(after.first().account, QString("admin"));
        // Every live entry kept in its order, the lost login back behind them.
        for (int i = 0; i < live.size(); ++i) {
            QCOMPARE(after.at(i + 2).action, live.at(i).action);
            QCOMPARE(after.at(i + 2).time, live.at(i).time);
        }
        QCOMPARE(after.at(1).action, QString("登录"));
        QCOMPARE(OperationLog(app.db()).entries({{2, "登录"}}).size(), 3);
        QCOMPARE(OperationLog(app.db()).entries({{2, "结账"}}).size(), 1);

        // A second restore of the same backup adds its own entry and nothing else.
        QVERIFY(restoreDatabase(app.ctx(), name).ok);
        QCOMPARE(entries(app.db()), int(after.size()) + 1);
    }

    void aFailedChangeWritesNoEntryAndAFailedEntryUndoesTheChange()
    {
        TestApp app;
        Database& db = app.db();
        MonthRecords(db).saveMonth(readMonthSheet(may("15")));
        const int before = entries(db);

        // The summary row cannot be written: neither the lines nor an entry are kept.
        failInserts(db, "no_summary", "员工工资", "disk full");
        QVERIFY_THROWS_EXCEPTION(DbError, MonthRecords(db).saveMonth(readMonthSheet(may("99"))));
        QCOMPARE(entries(db), before);
        liftFailure(db, "no_summary", "员工工资");

        // The entry cannot be written: the change it records is undone with it.
        failInserts(db, "no_log", "操作日志", "log full");
        QVERIFY_THROWS_EXCEPTION(DbError, MonthRecords(db).saveMonth(readMonthSheet(may("99"))));
        QVERIFY_THROWS_EXCEPTION(DbError, CodeList(db, CodeListKind::Workshop).add("二车间"));
        QVERIFY_THROWS_EXCEPTION(DbError, ClosedMonths(db).close("2008-5", "t"));
        QCOMPARE(db.scalar("SELECT 生产金额 FROM 员工工资").toDouble(), 15.0);
        QCOMPARE(db.scalar("SELECT sum(金额) FROM 工资流水").toDouble(), 15.0);
        QCOMPARE(db.scalar("SELECT count(*) FROM 车间").toInt(), 0);
        QVERIFY(!ClosedMonths(db).isClosed("2008-5"));
        QCOMPARE(entries(db), before);
    }

    void entriesTakeTheClockOfTheDataAndOnAServerTheServers()
    {
        TestApp app;
        app.clock().set(QDateTime(QDate(2008, 5, 17), QTime(10, 40, 14)));
        // A second clerk's PC whose clock is years off.
        std::unique_ptr<Database> other = app.connect();
        other->setClock(std::make_shared<FixedClock>(QDate(2031, 2, 3), QTime(4, 5, 6)));
        const auto serverTime = [&] {
            return app.db().scalar("SELECT to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS')").toString();
        };

        const QString before = app.db().isServer() ? serverTime() : QString();
        OperationLog(app.db()).recordAlone("登录");
        OperationLog(*other).recordAlone("登录");
        ClosedMonths(app.db()).close("2008-4", app.db().now().toString("yyyy-MM-dd HH:mm:ss"));
        const QList<LogEntry> log = OperationLog(app.db()).entries();
        QCOMPARE(log.size(), 3);
        const QString closedAt = app.db().scalar("SELECT 结账时间 FROM 月结").toString();
        if (!app.db().isServer()) {
            // The file: each program's own clock.
            QCOMPARE(log.at(2).time, QString("2008-05-17 10:40:14"));
            QCOMPARE(log.at(0).time, QString("2008-05-17 10:40:14"));
            QCOMPARE(log.at(1).time, QString("2031-02-03 04:05:06"));
            QCOMPARE(closedAt, QString("2008-05-17 10:40:14"));
        } else {
            // The server: its own clock for every clerk, whatever their PCs say.
            const QString after = serverTime();
            for (const QString& at : {log.at(0).time, log.at(1).time, log.at(2).time, closedAt})
                QVERIFY2(before <= at && at <= after, qPrintable(at + " not within " + before + " – " + after));
        }
    }
};

QTEST_MAIN(TestOperationLog)
#include "test_operationlog.moc"
