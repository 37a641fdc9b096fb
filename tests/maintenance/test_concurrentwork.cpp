#include "TestDb.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"

#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <latch>
#include <map>
#include <mutex>
#include <thread>

using namespace kv;

namespace {
const QStringList kMonths{QStringLiteral("2008-4"), QStringLiteral("2008-5")};
constexpr int kClerks = 3;
constexpr int kRounds = 3;

QString employeeOf(int clerk)
{
    return QStringLiteral("10%1").arg(clerk);
}

// A month save whose lines all carry its tag in their remark, so that a month holding lines of two
// saves shows.
MonthTexts taggedSheet(const QString& employee, const QString& month, const QString& tag, int size)
{
    MonthTexts sheet{month, employee, QStringLiteral("员工") + employee, {}, {}};
    for (int i = 0; i < size; ++i)
        sheet.production << LineTexts{month + QStringLiteral("-%1").arg(1 + i), QStringLiteral("外壳"),
                                      QStringLiteral("个"), QString::number(i + 1), QString(), tag,
                                      QStringLiteral("1.25"), QString()};
    sheet.deductions << LineTexts{month + QStringLiteral("-2"), QStringLiteral("罚款"), QString::number(size * 0.5)};
    return sheet;
}

// A wait for the lock that ran out, on either engine.
bool waitedPastPatience(const DbError& e)
{
    return e.cause() == Cause::Busy;
}

struct Figures {
    std::atomic<int> saves{0};
    std::condition_variable saved;
    std::atomic<int> refusals{0};
    std::atomic<int> failures{0};
    // The file's lock is not queued: a writer that keeps meeting others' saves can wait past the
    // engine's patience. Counted, not a fault of the data.
    std::atomic<int> timedOut{0};
    std::mutex mutex;
    QStringList failureTexts;
    std::map<std::pair<QString, QString>, QString> lastTags; // employee, month → tag of the last save
};

// One clerk's copy of the program: saves its employee's months over and over until told to stop,
// waits while the data are checked, then saves each month once more. Remembers which save of each
// month came last.
void clerkAtWork(const TestApp& app, int clerk, const std::atomic<bool>& stop, std::latch& paused,
                 const std::latch& resume, Figures& figures)
{
    std::unique_ptr<Database> db;
    try {
        db = app.connect();
    } catch (const DbError& e) {
        const std::lock_guard hold(figures.mutex);
        figures.failureTexts << e.userText();
        paused.count_down();
        return;
    }
    MonthRecords records(*db);
    const QString employee = employeeOf(clerk);
    const auto saveOnce = [&](const QString& month, int n) {
        const QString tag = QStringLiteral("c%1-%2").arg(clerk).arg(n);
        try {
            MonthTexts sheet = taggedSheet(employee, month, tag, 1 + n % 4);
            sheet.loadedVersion = records.version(employee, month);
            records.saveMonth(readMonthSheet(sheet));
            const std::lock_guard hold(figures.mutex);
            ++figures.saves;
            figures.lastTags[{employee, month}] = tag;
            figures.saved.notify_all();
            return true;
        } catch (const InputError&) {
            ++figures.refusals; // changed meanwhile by maintenance, or closed
        } catch (const DbError& e) {
            if (waitedPastPatience(e)) {
                ++figures.timedOut;
                return false;
            }
            ++figures.failures;
            const std::lock_guard hold(figures.mutex);
            figures.failureTexts << e.userText();
        }
        return false;
    };
    int n = 0;
    for (; !stop; ++n)
        saveOnce(kMonths.at(n % kMonths.size()), n);
    paused.count_down();
    resume.wait();
    for (const QString& month : kMonths)
        while (!saveOnce(month, n++)) {
        }
}

// Waits until the clerks have saved `more` times more, so that every maintenance step meets saves
// under way whatever the speed of the machine.
void letClerksSave(Figures& figures, int more)
{
    std::unique_lock hold(figures.mutex);
    const int target = figures.saves + more;
    figures.saved.wait(hold, [&] { return figures.saves >= target; });
}

void expectWholeMonths(Database& db, Figures* lastSaves);

// The same as it stands at one moment while the clerks go on saving.
void expectWholeMonthsNow(Database& db)
{
    Transaction snapshot(db, Access::Snapshot);
    expectWholeMonths(db, nullptr);
}

double rounded(double x)
{
    return std::round(x * 100) / 100;
}

// Every month holds one summary row and the lines of one save, with sums that match them; no line
// lies outside a saved month; the monthly totals are the journals' sums. With `lastSaves`, also:
// every month was saved last by the save the clerk remembers.
void expectWholeMonths(Database& db, Figures* lastSaves)
{
    // Each month: one summary row, the lines of one save, sums that match them.
    Statement months = db.prepare(QStringLiteral(
        "SELECT 工号, 月份, count(*), max(生产金额), max(扣减) FROM 员工工资 GROUP BY 工号, 月份 ORDER BY 工号, 月份"));
    int monthsSeen = 0;
    qint64 linesSeen = 0;
    while (months.next()) {
        ++monthsSeen;
        const QString employee = months.text(0), month = months.text(1);
        const QString what = employee + u' ' + month;
        QVERIFY2(months.integer(2) == 1, qPrintable(what));
        const QDate first = QDate::fromString(month + QStringLiteral("-1"), QStringLiteral("yyyy-M-d"));
        const QVariantList bounds{employee, first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate)};
        Statement lines = db.prepare(QStringLiteral("SELECT count(DISTINCT 备注), max(备注), total(金额), count(*) "
                                                     "FROM 工资流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?"));
        lines.bindAll(bounds);
        QVERIFY(lines.next());
        QVERIFY2(lines.integer(0) == 1, qPrintable(what + QStringLiteral(" holds lines of several saves")));
        QCOMPARE(rounded(lines.number(2)), rounded(months.number(3)));
        linesSeen += lines.integer(3);
        if (lastSaves) {
            // The clerk's last save is the one stored: none went astray.
            const std::lock_guard hold(lastSaves->mutex);
            QCOMPARE(lines.text(1), lastSaves->lastTags.at({employee, month}));
        }
        const QVariant deducted = db.scalar(
            QStringLiteral("SELECT total(扣减金额) FROM 扣减流水 WHERE 工号 = ? AND 日期 >= ? AND 日期 < ?"), bounds);
        QCOMPARE(rounded(deducted.toDouble()), rounded(months.number(4)));
    }
    if (lastSaves)
        QCOMPARE(monthsSeen, kClerks * int(kMonths.size()));
    // No line outside a saved month.
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toLongLong(), linesSeen);

    // The monthly totals are the journals' sums, row for row.
    const auto rows = [&](const QString& sql) {
        std::map<QString, std::pair<double, double>> out;
        Statement st = db.prepare(sql);
        while (st.next())
            out[st.text(0) + u' ' + st.text(1)] = {rounded(st.number(2)), rounded(st.number(3))};
        return out;
    };
    const auto stored = rows(QStringLiteral("SELECT 月份, 工号, 生产金额, 扣减 FROM 月度合计"));
    const auto summed = rows(QStringLiteral(
        "SELECT m, 工号, sum(p), sum(d) FROM (SELECT substr(日期, 1, 7) AS m, 工号, 金额 AS p, 0 AS d FROM 工资流水 "
        "UNION ALL SELECT substr(日期, 1, 7), 工号, 0, 扣减金额 FROM 扣减流水) x GROUP BY m, 工号"));
    QCOMPARE(stored.size(), summed.size());
    QVERIFY(stored == summed);
}
} // namespace

class TestConcurrentWork : public QObject {
    Q_OBJECT
private slots:
    // Clerks save while another restores, clears and closes months: afterwards every month holds
    // the lines of one save and its summary row, the monthly totals are those of the journals, and
    // every clerk's last save is there.
    void savesStayWholeWhileDataAreRestoredClearedAndClosed()
    {
        TestApp app;
        {
            MonthRecords records(app.db());
            for (int clerk = 0; clerk < kClerks; ++clerk)
                for (const QString& month : kMonths)
                    records.saveMonth(readMonthSheet(taggedSheet(employeeOf(clerk), month, QStringLiteral("backup"), 6)));
        }
        QVERIFY(backupDatabase(app.ctx()).ok);

        Figures figures;
        std::atomic<bool> stop{false};
        std::latch paused(kClerks), resume(1);
        std::vector<std::thread> clerks;
        for (int clerk = 0; clerk < kClerks; ++clerk)
            clerks.emplace_back(clerkAtWork, std::cref(app), clerk, std::cref(stop), std::ref(paused),
                                std::cref(resume), std::ref(figures));
        // Whatever goes wrong, the clerks are let go and waited for.
        const auto releaseClerks = qScopeGuard([&] {
            stop = true;
            resume.count_down();
            for (std::thread& clerk : clerks)
                clerk.join();
            clerks.clear();
        });

        int restores = 0, clears = 0, closes = 0;
        QString maintenanceFailure;
        std::unique_ptr<Database> checker = app.connect();
        try {
            for (int round = 0; round < kRounds && maintenanceFailure.isEmpty(); ++round) {
                letClerksSave(figures, 10);
                CopyOutcome restored = restoreDatabase(app.ctx(), QStringLiteral("2008-5-17.bak"));
                for (int again = 0; !restored.ok && restored.error.contains(QStringLiteral("正被另一个程序")) && again < 5;
                     ++again) {
                    ++figures.timedOut;
                    restored = restoreDatabase(app.ctx(), QStringLiteral("2008-5-17.bak"));
                }
                if (!restored.ok)
                    maintenanceFailure = restored.error;
                restores += restored.ok;
                expectWholeMonthsNow(*checker);
                letClerksSave(figures, 10);
                for (int again = 0;; ++again) {
                    try {
                        clearAllData(app.db());
                        break;
                    } catch (const DbError& e) {
                        if (!waitedPastPatience(e) || again == 5)
                            throw;
                        ++figures.timedOut;
                    }
                }
                ++clears;
                expectWholeMonthsNow(*checker);
                letClerksSave(figures, 10);
                ClosedMonths months(app.db());
                if (months.close(kMonths.first(), QStringLiteral("2008-05-17 12:00:00")) ==
                    ClosedMonths::Outcome::Done)
                    ++closes;
                letClerksSave(figures, 5);
                months.reopen(kMonths.first(), QStringLiteral("admin123"));
            }
        } catch (const Error& e) {
            maintenanceFailure = e.userText();
        }
        stop = true;
        paused.wait();
        if (QTest::currentTestFailed())
            return;
        qInfo("%s: %d saves, %d refused as changed or closed, %d failed, %d timed out waiting for the lock; "
              "%d restores, %d clearings, %d closings",
              app.ctx().usesServer() ? "server" : "file", figures.saves.load(), figures.refusals.load(),
              figures.failures.load(), figures.timedOut.load(), restores, clears, closes);
        QVERIFY2(maintenanceFailure.isEmpty(), qPrintable(maintenanceFailure));
        QVERIFY2(figures.failureTexts.isEmpty(), qPrintable(figures.failureTexts.join(u'\n')));
        QCOMPARE(restores, kRounds);
        QCOMPARE(closes, kRounds);

        std::unique_ptr<Database> db = app.connect();
        expectWholeMonths(*db, nullptr);
        if (QTest::currentTestFailed())
            return;
        // The clerks save each month once more: saves after the maintenance are all kept.
        resume.count_down();
        for (std::thread& clerk : clerks)
            clerk.join();
        clerks.clear();
        QVERIFY2(figures.failureTexts.isEmpty(), qPrintable(figures.failureTexts.join(u'\n')));
        expectWholeMonths(*db, &figures);
    }
};

QTEST_GUILESS_MAIN(TestConcurrentWork)
#include "test_concurrentwork.moc"
