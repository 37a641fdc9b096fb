#include "TestDb.h"
#include "data/Database.h"
#include "data/FactoryName.h"
#include "entry/SlipPages.h"
#include "entry/WageSlip.h"
#include "stats/WageStatistics.h"

#include <QTest>

using namespace kv;

namespace {
const YearMonth kMay2008{2008, 5};
using Kind = SlipRowKind;

LineTexts pline(const QString& date, const QString& product, const QString& qty, const QString& amount,
                const QString& price)
{
    return {date, product, QStringLiteral("件"), qty, amount, QString(), price, QString()};
}

// A slip with n production and m deduction lines (contents do not matter to the layout).
WageSlip slipOf(int n, int m)
{
    WageSlip s;
    for (int i = 0; i < n; ++i)
        s.production.append(pline(QStringLiteral("2008-5-1"), QStringLiteral("外壳"), QStringLiteral("1"),
                                  QStringLiteral("1"), QStringLiteral("1")));
    for (int i = 0; i < m; ++i)
        s.deductions.append({QStringLiteral("2008-5-2"), QStringLiteral("罚款"), QStringLiteral("5")});
    return s;
}

// Checks everything a printed slip must keep, whatever the page size; returns what is wrong.
QString layoutProblems(const QList<WageSlip>& slips, const QList<SlipPage>& pages, const SlipMetrics& m)
{
    QList<QList<int>> production(slips.size()), deductions(slips.size());
    QList<int> partsSeen(slips.size(), 0);
    for (int p = 0; p < pages.size(); ++p) {
        double height = 0;
        for (int i = 0; i < pages.at(p).parts.size(); ++i) {
            const SlipPart& part = pages.at(p).parts.at(i);
            height += (i > 0 ? m.cut : 0);
            if (part.part != partsSeen[part.slip]++)
                return QStringLiteral("slip %1: part %2 out of order").arg(part.slip).arg(part.part);
            const QList<SlipRow>& rows = part.rows;
            if (rows.size() < 2 || rows.at(0).kind != Kind::Title || rows.at(1).kind != Kind::Employee)
                return QStringLiteral("slip %1 part %2: no heading").arg(part.slip).arg(part.part);
            const bool last = part.part + 1 == part.partCount;
            const bool hasFoot = rows.size() >= 2 && rows.last().kind == Kind::Signature &&
                                 rows.at(rows.size() - 2).kind == Kind::Totals;
            if (hasFoot != last)
                return QStringLiteral("slip %1 part %2: totals misplaced").arg(part.slip).arg(part.part);
            Kind table = Kind::Title;
            for (int r = 0; r < rows.size(); ++r) {
                const SlipRow& row = rows.at(r);
                height += rowHeight(m, row.kind);
                if (row.kind == Kind::ProductionCaption || row.kind == Kind::DeductionCaption) {
                    const Kind line = row.kind == Kind::ProductionCaption ? Kind::ProductionLine : Kind::DeductionLine;
                    if (r + 1 >= rows.size() || rows.at(r + 1).kind != line)
                        return QStringLiteral("slip %1 part %2: caption without a line").arg(part.slip).arg(part.part);
                    table = line;
                } else if (row.kind == Kind::ProductionLine || row.kind == Kind::DeductionLine) {
                    if (row.kind != table)
                        return QStringLiteral("slip %1 part %2: line without its caption")
                            .arg(part.slip)
                            .arg(part.part);
                    (row.kind == Kind::ProductionLine ? production : deductions)[part.slip].append(row.line);
                }
            }
        }
        if (height > m.page + 1e-9 && pages.at(p).parts.size() > 1)
            return QStringLiteral("page %1 overfull: %2").arg(p).arg(height);
    }
    for (int s = 0; s < slips.size(); ++s) {
        QList<int> all(slips.at(s).production.size()), allDed(slips.at(s).deductions.size());
        std::iota(all.begin(), all.end(), 0);
        std::iota(allDed.begin(), allDed.end(), 0);
        if (production.at(s) != all || deductions.at(s) != allDed)
            return QStringLiteral("slip %1: lines lost, doubled or out of order").arg(s);
    }
    return {};
}
} // namespace

class TestWageSlips : public QObject {
    Q_OBJECT
private slots:
    void slipHoldsExactlyTheStoredMonth()
    {
        TestApp app;
        Database& db = app.db();
        db.exec("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES ('001', '张三', '一车间', '车工'), "
                "('002', '李四', '二车间', '包装')");
        QCOMPARE(factoryName(db), QString()); // empty until set
        setFactoryName(db, QStringLiteral(" 宏达服装厂\t"));
        MonthRecords records(db);
        // Amounts whose sum shows any slip of the arithmetic (0.1 + 0.2), the month before and
        // another employee's month, which the slip must not take. (A line without its date is
        // refused by the save, never skipped: test_monthrecords.)
        records.saveMonth(readMonthSheet(
            {QStringLiteral("2008-5"),
             QStringLiteral("001"),
             QStringLiteral("张三"),
             {pline("2008-5-20", "外壳", "40", "50", "1.25"), pline("2008-5-3", "大外壳", "1", "0.1", "0.1"),
              pline("2008-5-9", "螺丝", "2", "0.2", "0.1")},
             {{"2008-5-7", "罚款", "20.5"}, {"2008-5-1", "迟到", "0.3"}}}));
        records.saveMonth(readMonthSheet({"2008-4", "001", "张三", {pline("2008-4-30", "外壳", "8", "10", "1.25")}, {}}));
        records.saveMonth(readMonthSheet({"2008-5", "002", "李四", {pline("2008-5-5", "外壳", "80", "100", "1.25")}, {}}));

        WageSlips slips(db);
        const auto employee = EmployeeFinder(db).byNumber(QStringLiteral(" 001 "));
        QVERIFY(employee);
        QCOMPARE(employee->workshop, QStringLiteral("一车间"));
        QCOMPARE(employee->jobType, QStringLiteral("车工"));
        const WageSlip slip = slips.slip(*employee, kMay2008);
        QCOMPARE(slip.factory, QStringLiteral("宏达服装厂"));
        QCOMPARE(slip.monthText, QStringLiteral("2008-5"));
        QCOMPARE(slip.production, records.loadProduction(QStringLiteral("001"), kMay2008));
        QCOMPARE(slip.deductions, records.loadDeductions(QStringLiteral("001"), kMay2008));
        QCOMPARE(slip.production.size(), 3);
        QCOMPARE(slip.deductions.size(), 2);

        // The totals are the stored month's, as the statistics sum it.
        const QList<EmployeeWage> wages = WageStatistics(db).compute(PeriodKind::Month, {"2008-05-01", "2008-05-31"});
        QCOMPARE(wages.first().number, QStringLiteral("001"));
        QCOMPARE(slip.productionTotal, wages.first().production);
        QCOMPARE(slip.deductionTotal, wages.first().deductions);
        QCOMPARE(slip.productionTotal.plainText(), QStringLiteral("50.3"));
        QCOMPARE(slip.netPay().plainText(), QStringLiteral("29.5"));

        QVERIFY(MonthRecords(db).isStored(QStringLiteral("001"), kMay2008));
        QVERIFY(!MonthRecords(db).isStored(QStringLiteral("001"), {2008, 6}));
        // A month saved empty is stored too: its summary row says so.
        records.saveMonth(readMonthSheet({"2008-6", "001", "张三", {}, {}}));
        QVERIFY(MonthRecords(db).isStored(QStringLiteral("001"), {2008, 6}));
        QVERIFY(!EmployeeFinder(db).byNumber(QStringLiteral("009")));

        QVERIFY(factoryNameProblem(QString(40, u'厂')).isEmpty());
        QVERIFY(!factoryNameProblem(QString(41, u'厂')).isEmpty());
        QVERIFY(!factoryNameProblem(QStringLiteral("宏达\x01")).isEmpty());
        setFactoryName(db, QString());
        QCOMPARE(factoryName(db), QString());
        QCOMPARE(db.scalar("SELECT count(*) FROM kelvaro_meta WHERE key = 'factory_name'").toInt(), 1);
    }

    void unsavedChangesAreSeen()
    {
        const QList<LineTexts> stored{pline("2008-5-3", "大外壳", "1", "0.1", "0.1"),
                                      pline("2008-5-20", "外壳", "40", "50", "1.25")};
        const QList<LineTexts> storedDed{{"2008-5-7", "罚款", "20.5"}};
        // The screen in another order, dates and numbers written otherwise, empty rows below.
        QList<LineTexts> shown{pline("2008-05-20", "外壳", "40", "50.00", "1.25"),
                               pline("2008-5-3", "大外壳", "1.0", "0.1", "0.1"), pline("", "", "", "", "")};
        QList<LineTexts> shownDed{{"", "", ""}, {"2008-5-7", "罚款", "20.50"}};
        QVERIFY(sameAsStored(shown, shownDed, stored, storedDed));

        QList<LineTexts> changed = shown;
        changed[0][PQuantity] = QStringLiteral("41");
        QVERIFY(!sameAsStored(changed, shownDed, stored, storedDed));
        QVERIFY(!sameAsStored(shown.mid(1), shownDed, stored, storedDed)); // a line deleted
        QVERIFY(!sameAsStored(shown, {{"2008-5-7", "罚款", "20.5"}, {"2008-5-8", "迟到", "1"}}, stored, storedDed));
        changed = shown;
        changed[1][PRemark] = QStringLiteral("返工");
        QVERIFY(!sameAsStored(changed, shownDed, stored, storedDed));
    }

    void layoutPlacesEveryLineOnce()
    {
        const SlipMetrics m{40, 2, 1, 1};
        // Three short slips, one without lines, one longer than a page, one short after it.
        const QList<WageSlip> slips{slipOf(3, 1), slipOf(2, 0), slipOf(0, 0), slipOf(70, 5), slipOf(1, 1)};
        const QList<SlipPage> pages = layOutSlips(slips, m);
        const QString problems = layoutProblems(slips, pages, m);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(pages.first().parts.size(), 3);
        QCOMPARE(pages.at(1).parts.first().slip, 3); // the long one starts a page
        const int parts = pages.at(1).parts.first().partCount;
        QVERIFY(parts >= 2);
        QCOMPARE(pages.size(), 1 + parts);
        QCOMPARE(pages.last().parts.size(), 2); // the last short one follows on its last page
        QCOMPARE(pages.last().parts.last().slip, 4);

        // The deductions cut off after their caption would leave it alone: caption and first
        // line go on together. And pages too small for anything still end, with every line.
        for (double page : {5.0, 8.0, 12.0, 13.0, 14.0, 15.0, 20.0}) {
            const SlipMetrics small{page, 2, 1, 1};
            const QList<WageSlip> some{slipOf(6, 3), slipOf(9, 9), slipOf(1, 0)};
            const QString p = layoutProblems(some, layOutSlips(some, small), small);
            QVERIFY2(p.isEmpty(), qPrintable(QStringLiteral("page %1: %2").arg(page).arg(p)));
        }
    }
};

QTEST_GUILESS_MAIN(TestWageSlips)
#include "test_wageslips.moc"
