#include "ShownWages.h"
#include "TestDb.h"
#include "master/MasterRecords.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "entry/MonthRecords.h"
#include "stats/WageStatistics.h"

#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace kv;

namespace {
const QStringList kNumbers{"E01", "E02", "E03", " E04\t", "E05", "E06", "E07"};

// What one employee's month holds, in whole cents, by the dates of its lines.
struct Held {
    qint64 production = 0;
    qint64 deductions = 0;
    int productionLines = 0;
    int deductionLines = 0;
};
using Key = std::pair<int, int>; // employee index, month index from January 2008
using Model = QMap<Key, Held>;

QDate monthStart(int monthIndex)
{
    return QDate(2008, 1, 1).addMonths(monthIndex);
}

QString cents(qint64 c)
{
    return plainDecimal(double(c) / 100);
}

QStringList expected(const Model& model, int firstMonth, int lastMonth)
{
    QStringList out;
    for (int e = 0; e < kNumbers.size(); ++e) {
        qint64 p = 0;
        qint64 d = 0;
        for (int m = firstMonth; m <= lastMonth; ++m) {
            p += model.value({e, m}).production;
            d += model.value({e, m}).deductions;
        }
        out << QStringLiteral("%1:%2/%3/%4").arg(kNumbers.at(e), cents(p), cents(d), cents(p - d));
    }
    return out;
}

// The rows of 月度合计 as texts, nulls told apart from zeros.
QStringList totalsRows(Database& db)
{
    QStringList rows;
    Statement st = db.prepare(QStringLiteral("SELECT 月份, 工号, 生产金额, 扣减 FROM 月度合计 ORDER BY 月份, 工号"));
    while (st.next())
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(st.text(0), st.text(1), st.isNull(2) ? QStringLiteral("-") : st.decimal(2).plainText(),
                         st.isNull(3) ? QStringLiteral("-") : st.decimal(3).plainText());
    return rows;
}

// Every month, quarter and year of 2008 and 2009, as first and last month index.
QList<std::pair<int, int>> periods()
{
    QList<std::pair<int, int>> out;
    for (int m = 0; m < 24; ++m)
        out.append({m, m});
    for (int q = 0; q < 24; q += 3)
        out.append({q, q + 2});
    out.append({{0, 11}, {12, 23}});
    return out;
}

class RandomMonths {
public:
    explicit RandomMonths(Database& db) : m_db(db), m_records(db) {}

    // Saves, re-saves or deletes one employee's month, and keeps the model in step.
    void step()
    {
        const int e = int(m_rng.bounded(kNumbers.size()));
        const int m = int(m_rng.bounded(24));
        const YearMonth month{monthStart(m).year(), monthStart(m).month()};
        const QString monthText = kv::monthText(month.year, month.month);
        const int action = int(m_rng.bounded(10));
        if (action < 2) {
            m_records.deleteMonth(kNumbers.at(e), monthText);
            m_model.remove({e, m});
            return;
        }
        MonthTexts sheet{monthText, kNumbers.at(e), QStringLiteral("员工"), {}, {}};
        Model after = m_model;
        after.remove({e, m});
        bool elsewhere = false;
        for (int i = int(m_rng.bounded(9)); i > 0; --i) {
            const auto [day, at] = lineDay(m);
            elsewhere = elsewhere || at != m;
            const qint64 amount = m_rng.bounded(10000000); // up to 99,999.99
            sheet.production.append({dateText(day), QStringLiteral("外壳"), QStringLiteral("个"), QStringLiteral("1"),
                                     cents(amount), QString(), cents(amount), QString()});
            after[{e, at}].production += amount;
            ++after[{e, at}].productionLines;
        }
        for (int i = int(m_rng.bounded(4)); i > 0; --i) {
            const auto [day, at] = lineDay(m);
            elsewhere = elsewhere || at != m;
            const qint64 amount = m_rng.bounded(100000);
            sheet.deductions.append({dateText(day), QStringLiteral("罚款"), cents(amount)});
            after[{e, at}].deductions += amount;
            ++after[{e, at}].deductionLines;
        }
        if (action == 9 || elsewhere) {
            // A line whose date cannot be read, or one dated in another month, fails the save
            // half-way: nothing changes.
            sheet.deductions.append({QStringLiteral("2008-2-30"), QStringLiteral("罚款"), QStringLiteral("1")});
            QVERIFY_THROWS_EXCEPTION(InputError, m_records.saveMonth(readMonthSheet(sheet)));
            return;
        }
        m_records.saveMonth(readMonthSheet(sheet));
        m_model = after;
    }

    const Model& model() const { return m_model; }

private:
    // A day of the month, now and then one of the month after (a line dated elsewhere, which
    // the save refuses).
    std::pair<QDate, int> lineDay(int m)
    {
        const int at = m < 23 && m_rng.bounded(10) == 0 ? m + 1 : m;
        return {monthStart(at).addDays(m_rng.bounded(monthStart(at).daysInMonth())), at};
    }

    Database& m_db;
    MonthRecords m_records;
    QRandomGenerator m_rng{20080517};
    Model m_model;
};
} // namespace

namespace {

// The accounts as the first version had them, without the rights added later.
void dropAccountRights(Database& db)
{
    db.execScript(QStringLiteral("ALTER TABLE 管理员 RENAME TO 管理员_later; "
                                 "CREATE TABLE 管理员 (id INTEGER PRIMARY KEY, 账号 TEXT, 密码 TEXT); "
                                 "INSERT INTO 管理员 SELECT id, 账号, 密码 FROM 管理员_later; DROP TABLE 管理员_later"));
}

} // namespace

class TestMonthlyTotals : public QObject {
    Q_OBJECT
private slots:
    // Random saves, re-saves and deletes of months with cent amounts. After each round every
    // month, quarter and year of every employee reads the same texts from the monthly totals,
    // from the journals and from the exact cents of what was stored; a rebuild by the upgrade
    // step gives the same rows.
    void totalsFollowEverySaveAndDelete()
    {
        TestApp app;
        Database& db = app.db();
        for (const QString& number : kNumbers)
            db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (?, '员工')"), {number});
        RandomMonths months(db);
        WageStatistics stats(db);
        for (int round = 0; round < 6; ++round) {
            for (int i = 0; i < 40; ++i) {
                months.step();
                if (QTest::currentTestFailed())
                    return;
            }
            for (const auto& [first, last] : periods()) {
                const DateRange range{isoDate(monthStart(first)), isoDate(monthStart(last + 1).addDays(-1))};
                const QStringList fromTotals = shownWages(stats.fromMonthlyTotals(range));
                QCOMPARE(fromTotals, shownWages(stats.fromJournals(range)));
                QCOMPARE(fromTotals, expected(months.model(), first, last));
            }
        }

        // A row for every employee and month with lines, a null sum where a journal has none.
        const QStringList rows = totalsRows(db);
        int withLines = 0;
        for (const Held& held : months.model())
            withLines += held.productionLines + held.deductionLines > 0;
        QCOMPARE(rows.size(), withLines);
        const auto nullDeductions = std::count_if(months.model().begin(), months.model().end(),
                                                  [](const Held& h) { return h.deductionLines == 0; });
        QCOMPARE(rows.filter(QRegularExpression(QStringLiteral(" -$"))).size(), nullDeductions);
        QVERIFY(nullDeductions > 0 && nullDeductions < withLines);

        // A file from before the monthly totals gets them from its journals when it opens.
        for (const TableDef& table : schemaTables())
            if (table.since > 1)
                db.execScript(QStringLiteral("DROP TABLE %1").arg(QString::fromUtf16(table.name)));
        dropAccountRights(db);
        dropLineItemNumbers(db);
        db.execScript(QStringLiteral("UPDATE kelvaro_meta SET value = '1' WHERE key = 'schema_version'"));
        upgradeSchema(db);
        QCOMPARE(storedVersion(db), latestVersion());
        QCOMPARE(totalsRows(db), rows);
        // and the index the statistics of several months read by employee
        const QString index = QStringLiteral("月度合计_工号_月份");
        const QString indexCount = db.isServer()
                                       ? QStringLiteral("SELECT count(*) FROM pg_indexes "
                                                        "WHERE schemaname = current_schema() AND indexname = ?")
                                       : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = ?");
        QCOMPARE(db.scalar(indexCount, {index}).toInt(), 1);
        // The statistics' sums of several months and 年度汇总's months of everybody read it alone,
        // in its order, with no sort.
        for (const char* reading :
             {"SELECT 工号, sum(生产金额), sum(扣减) FROM 月度合计 WHERE %1 BETWEEN ? AND ? GROUP BY 工号",
              "SELECT 工号, 月份, 生产金额, 扣减 FROM 月度合计 WHERE %1 BETWEEN ? AND ? ORDER BY 工号"}) {
            if (db.isServer())
                break;
            Statement plan = db.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") +
                                        QString::fromUtf8(reading).arg(monthsByEmployeeTerm(db)));
            plan.bindAll({QStringLiteral("2008-01"), QStringLiteral("2008-12")});
            QStringList steps;
            while (plan.next())
                steps << plan.text(plan.columnCount() - 1);
            QVERIFY2(steps.size() == 1 && steps.first().contains(QStringLiteral("COVERING INDEX ") + index),
                     qPrintable(steps.join(QStringLiteral("; "))));
        }
    }

    // Small amounts many times over: a plain running sum of 100 lines of 0.1 comes to
    // 9.99999999999998, of 31 lines of 0.03 to 0.930000000000001. Every period shows the exact cents.
    void manySmallAmountsSumToTheirCents()
    {
        TestApp app;
        Database& db = app.db();
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES ('E01', '甲')"));
        MonthTexts sheet{QStringLiteral("2008-5"), QStringLiteral("E01"), QStringLiteral("甲"), {}, {}};
        for (int i = 0; i < 100; ++i)
            sheet.production.append({QStringLiteral("2008-5-17"), QStringLiteral("垫片"), QStringLiteral("个"),
                                     QStringLiteral("1"), QStringLiteral("0.1"), QString(), QStringLiteral("0.1"),
                                     QString()});
        for (int i = 0; i < 31; ++i)
            sheet.deductions.append({QStringLiteral("2008-5-17"), QStringLiteral("罚款"), QStringLiteral("0.03")});
        MonthRecords(db).saveMonth(readMonthSheet(sheet));
        WageStatistics stats(db);
        for (const auto& [kind, text] : {std::pair{PeriodKind::Month, "2008-5"},
                                         {PeriodKind::Quarter, "2008-2"},
                                         {PeriodKind::Year, "2008"},
                                         {PeriodKind::Day, "2008-5-17"}})
            QCOMPARE(shownWages(stats.compute(kind, readPeriod(kind, QString::fromUtf8(text)).range)),
                     QStringList{QStringLiteral("E01:10/0.93/9.07")});
    }

    // A file of the first version holds the doubles its program computed: 3 × 0.1 stored as
    // 0.30000000000000004, a net pay of 90.025 − 100 as -9.974999999999994. Opened here, every
    // line, sum and total comes back as the decimal that was meant, and a save of the month as
    // loaded changes no cent.
    void aFileOfTheFirstVersionKeepsEveryCent()
    {
        TestApp app;
        Database& db = app.db();
        for (const TableDef& table : schemaTables())
            if (table.since > 1)
                db.execScript(QStringLiteral("DROP TABLE %1").arg(QString::fromUtf16(table.name)));
        dropAccountRights(db);
        dropLineItemNumbers(db);
        db.execScript(QStringLiteral("UPDATE kelvaro_meta SET value = '1' WHERE key = 'schema_version'"));

        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三')"));
        struct Old {
            const char* day;
            double quantity;
            double price;
        };
        const Old lines[] = {{"2008-05-02", 3, 0.1},
                             {"2008-05-03", 72.02, 1.25},
                             {"2008-05-04", 2718, 0.025},
                             {"2008-05-05", 7, 0.05},
                             {"2008-04-30", 1, 0.7}};
        double production = 0; // summed as the first version did, line by line in doubles
        for (const Old& l : lines) {
            const double amount = l.quantity * l.price;
            if (QByteArray(l.day).startsWith("2008-05"))
                production += amount;
            db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 计量单位, 数量, 工价, 金额) "
                                   "VALUES ('001', ?, '外壳', '个', ?, ?, ?)"),
                    {QString::fromUtf8(l.day), l.quantity, l.price, amount});
        }
        const double deductions = 0.1 + 0.2 + 99.7;
        db.exec(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES "
                               "('001', '2008-05-09', '罚款', ?), ('001', '2008-05-10', '罚款', ?), "
                               "('001', '2008-05-11', '罚款', ?)"),
                {0.1, 0.2, 99.7});
        db.exec(QStringLiteral("INSERT INTO 员工工资 (月份, 工号, 姓名, 生产金额, 扣减, 实发工资) "
                               "VALUES ('2008-5', '001', '张三', ?, ?, ?)"),
                {production, deductions, production - deductions});
        QVERIFY(production != 158.625 && production - deductions != 58.625); // the noise is there
        // Its lines name products by description: 外壳 is two products' now, 罚款 one item's.
        db.exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 工价) VALUES ('P01', '外壳', 1), "
                               "('P001', '外壳', 1)"));
        db.exec(QStringLiteral("INSERT INTO 扣减项目 (扣减项目编号, 扣减项目说明) VALUES ('K1', '罚款')"));

        upgradeSchema(db);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 工资流水 WHERE 产品编号 IS NULL")).toInt(), 5);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM 扣减流水 WHERE 扣减项目编号 = 'K1'")).toInt(), 3);
        const LineReferences p01 = MasterRecords(db, MasterKind::Product).referringLines(1);
        QCOMPARE(QList<qint64>({p01.production, p01.uncertainProduction}), QList<qint64>({0, 5}));
        MonthRecords records(db);
        QStringList amounts;
        for (const LineTexts& line : records.loadProduction(QStringLiteral("001"), {2008, 5}))
            amounts << line.at(PQuantity) + u'×' + line.at(PPrice) + u'=' + line.at(PAmount);
        QCOMPARE(amounts, QStringList({"3×0.1=0.3", "72.02×1.25=90.025", "2718×0.025=67.95", "7×0.05=0.35"}));
        WageStatistics stats(db);
        for (const auto& [kind, text] :
             {std::pair{PeriodKind::Month, "2008-5"}, {PeriodKind::Quarter, "2008-2"}, {PeriodKind::Day, "2008-5-2"}}) {
            const QString expected = kind == PeriodKind::Quarter ? QStringLiteral("001:159.325/100/59.325")
                                     : kind == PeriodKind::Month ? QStringLiteral("001:158.625/100/58.625")
                                                                 : QStringLiteral("001:0.3/0/0.3");
            QCOMPARE(shownWages(stats.compute(kind, readPeriod(kind, QString::fromUtf8(text)).range)),
                     QStringList{expected});
        }
        QCOMPARE(totalsRows(db), QStringList({"2008-04 001 0.7 -", "2008-05 001 158.625 100"}));

        // Saved again as loaded: the log shows the stored month unchanged to the last place.
        records.saveMonth(readMonthSheet({QStringLiteral("2008-5"), QStringLiteral("001"), QStringLiteral("张三"),
                           records.loadProduction(QStringLiteral("001"), {2008, 5}),
                           records.loadDeductions(QStringLiteral("001"), {2008, 5})}));
        QCOMPARE(db.scalar(QStringLiteral("SELECT 内容 FROM 操作日志 ORDER BY id DESC")).toString(),
                 QStringLiteral("张三（001）2008-5：生产金额 158.625 → 158.625，扣减 100 → 100，"
                                "实发工资 58.625 → 58.625"));
        QCOMPARE(shownWages(stats.compute(PeriodKind::Month, readPeriod(PeriodKind::Month, "2008-5").range)),
                 QStringList{"001:158.625/100/58.625"});
    }
};

QTEST_MAIN(TestMonthlyTotals)
#include "test_monthlytotals.moc"
