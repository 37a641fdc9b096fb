#include "TestDb.h"
#include "data/Database.h"
#include "entry/ClosedMonths.h"
#include "entry/EmployeeFinder.h"
#include "entry/ItemCatalog.h"
#include "entry/MonthRecords.h"

#include <QTest>

#include <functional>
#include <latch>
#include <mutex>
#include <thread>

using namespace kv;

namespace {
const YearMonth kMay2008{2008, 5};

MonthTexts sheet(QList<LineTexts> production, QList<LineTexts> deductions = {})
{
    return {QStringLiteral("2008-5"), QStringLiteral("001"), QStringLiteral("张三"), std::move(production),
            std::move(deductions)};
}

LineTexts pline(const char* date, const char* product, const char* qty, const char* amount, const char* price = "1")
{
    return {QString::fromUtf8(date),   QString::fromUtf8(product),
            QStringLiteral("个"),      QString::fromUtf8(qty),
            QString::fromUtf8(amount), QString(),
            QString::fromUtf8(price),  QString()};
}

int count(Database& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt();
}
} // namespace

class TestMonthRecords : public QObject {
    Q_OBJECT
private slots:
    void workingMonthsCountBackAcrossTheYear()
    {
        QCOMPARE(workingMonths(QDate(2009, 1, 15)), QStringList({"2008-11", "2008-12", "2009-1"}));
        QCOMPARE(workingMonths(QDate(2009, 2, 28)), QStringList({"2008-12", "2009-1", "2009-2"}));
        QCOMPARE(workingMonths(QDate(2008, 12, 3)), QStringList({"2008-10", "2008-11", "2008-12"}));
        QCOMPARE(workingMonths(QDate(2008, 5, 31)), QStringList({"2008-3", "2008-4", "2008-5"}));
    }

    void saveThenLoadGivesFilledLinesOrderedByDate()
    {
        TestApp app;
        MonthRecords records(app.db());
        MonthTexts s =
            sheet({pline("2008-5-20", "外壳", "40", "50", "1.25"),
                   pline("2008-5-3", "大外壳", "2", "9.99", "1.75"),       // stale amount
                   pline("2008-5-9", " \t ", "5", "5"),                    // blank product
                   pline("", "外壳", "1", "1"),                            // no date
                   LineTexts(ProductionColumnCount, QStringLiteral(" "))}, // nothing in it: not a line
                  {{"2008-5-7", "罚款", ""}, {"2008-5-1", "", "9"}, {"", "罚款", "4"}, {"2008-5-8", "迟到", "20"}});
        // A line that shows something is stored whole or refused, naming it: never left out.
        const auto refusal = [](const MonthTexts& texts) {
            try {
                readMonthSheet(texts);
            } catch (const InputError& e) {
                return e.message();
            }
            return QString();
        };
        QCOMPARE(refusal(s), QStringLiteral("第 3 行没有产品，请选择产品或删除该行"));
        s.production.removeAt(2);
        QCOMPARE(refusal(s), QStringLiteral("生产记录第 3 行没有日期，请选择日期后再保存。"));
        s.production.removeAt(2);
        QCOMPARE(refusal(s), QStringLiteral("扣减记录第 2 行没有扣减项目，请选择扣减项目或删除该行"));
        s.deductions.removeAt(1);
        QCOMPARE(refusal(s), QStringLiteral("扣减记录第 2 行没有日期，请选择日期后再保存。"));
        s.deductions.removeAt(1);
        QCOMPARE(count(app.db(), QStringLiteral("工资流水")), 0);
        records.saveMonth(readMonthSheet(s));

        const QList<LineTexts> production = records.loadProduction(QStringLiteral(" 001\t"), kMay2008);
        QCOMPARE(production.size(), 2);
        // Stored with the amount its quantity and price make, whatever the line showed.
        QCOMPARE(production.at(0).mid(0, 7), QStringList({"2008-5-3", "大外壳", "个", "2", "3.5", "", "1.75"}));
        QCOMPARE(production.at(1).mid(0, 7), QStringList({"2008-5-20", "外壳", "个", "40", "50", "", "1.25"}));
        QVERIFY(production.at(1).at(PId).toLongLong() > 0);

        const QList<LineTexts> deductions = records.loadDeductions(QStringLiteral("001"), kMay2008);
        QCOMPARE(deductions.size(), 2);
        QCOMPARE(deductions.at(0), QStringList({"2008-5-7", "罚款", "0", ""})); // empty amount stored as 0

        // The summary counts the stored lines only, never the amounts of lines left out.
        Statement summary = app.db().prepare(QStringLiteral("SELECT 月份, 生产金额, 扣减, 实发工资 FROM 员工工资"));
        QVERIFY(summary.next());
        QCOMPARE(QVariantList({summary.value(0), summary.value(1), summary.value(2), summary.value(3)}),
                 QVariantList({"2008-5", 53.5, 20.0, 33.5}));
        QVERIFY(!summary.next());
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 日期 FROM 工资流水 ORDER BY 日期 LIMIT 1")).toString(),
                 QStringLiteral("2008-05-03"));
    }

    void savingTwiceKeepsOneMonthAndOtherMonthsAlone()
    {
        TestApp app;
        MonthRecords records(app.db());
        // Neighbouring months, another employee and a summary written as "2008-05" by other means.
        records.saveMonth(readMonthSheet({QStringLiteral("2008-4"),
                                          QStringLiteral("001"),
                                          QStringLiteral("张三"),
                                          {pline("2008-4-30", "外壳", "1", "1")},
                                          {{"2008-4-1", "罚款", "2"}}}));
        records.saveMonth(readMonthSheet({QStringLiteral("2008-6"),
                                          QStringLiteral("001"),
                                          QStringLiteral("张三"),
                                          {pline("2008-6-1", "外壳", "1", "1")},
                                          {}}));
        records.saveMonth(readMonthSheet({QStringLiteral("2008-5"),
                                          QStringLiteral("002"),
                                          QStringLiteral("张四"),
                                          {pline("2008-5-5", "外壳", "1", "1")},
                                          {}}));
        app.db().exec(QStringLiteral("INSERT INTO 员工工资 (月份, 工号) VALUES ('2008-05', '001')"));

        records.saveMonth(
            readMonthSheet(sheet({pline("2008-5-1", "外壳", "1", "1"), pline("2008-5-31", "外壳", "1", "1")})));
        records.saveMonth(readMonthSheet(sheet({pline("2008-5-2", "外壳", "1", "1")})));

        QCOMPARE(records.loadProduction(QStringLiteral("001"), kMay2008).size(), 1);
        QCOMPARE(
            app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 工号='001' AND 月份='2008-5'")).toInt(),
            1);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 月份='2008-05'")).toInt(), 1);
        QCOMPARE(records.loadProduction(QStringLiteral("001"), {2008, 4}).size(), 1);
        QCOMPARE(records.loadDeductions(QStringLiteral("001"), {2008, 4}).size(), 1);
        QCOMPARE(records.loadProduction(QStringLiteral("001"), {2008, 6}).size(), 1);
        QCOMPARE(records.loadProduction(QStringLiteral("002"), kMay2008).size(), 1);

        records.deleteMonth(QStringLiteral("001"), QStringLiteral("2008-5"));
        QCOMPARE(records.loadProduction(QStringLiteral("001"), kMay2008).size(), 0);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 员工工资 WHERE 工号='001'")).toInt(), 3);
        QCOMPARE(count(app.db(), QStringLiteral("工资流水")), 3);
    }

    // However the month is written, it is one month; a line dated in another month is refused
    // by name, and a closed month refuses every spelling of itself.
    void aSaveKeepsToItsOneMonthWrittenOneWay()
    {
        TestApp app;
        Database& db = app.db();
        MonthRecords records(db);
        records.saveMonth(readMonthSheet({QStringLiteral("2008-4"),
                                          QStringLiteral("001"),
                                          QStringLiteral("张三"),
                                          {pline("2008-4-30", "外壳", "3", "3")},
                                          {}}));
        MonthTexts may = sheet({pline("2008-5-2", "外壳", "1", "5")});
        for (const char* spelling : {"2008-05", " 2008-5 ", "2008-5"}) {
            may.monthText = QString::fromUtf8(spelling);
            records.saveMonth(readMonthSheet(may));
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) || ' ' || max(月份) FROM 员工工资 WHERE 工号 = '001' "
                                          "AND 月份 <> '2008-4'"))
                     .toString(),
                 QStringLiteral("1 2008-5"));
        QCOMPARE(records.version(QStringLiteral("001"), QStringLiteral("2008-05")),
                 records.version(QStringLiteral("001"), QStringLiteral("2008-5")));

        // A line of April or June on May's sheet: refused, naming the line, nothing changed.
        const qint64 stored = records.version(QStringLiteral("001"), QStringLiteral("2008-5"));
        const auto refusal = [&](const MonthTexts& wrong) {
            try {
                records.saveMonth(readMonthSheet(wrong));
            } catch (const InputError& e) {
                return e.message();
            }
            return QString();
        };
        QVERIFY(refusal(sheet({pline("2008-5-2", "外壳", "1", "5"), pline("2008-4-30", "底座", "1", "9")}))
                    .startsWith(QStringLiteral("生产记录第 2 行的日期 2008-4-30 不在计工月份 2008-5 内")));
        QVERIFY(refusal(sheet({}, {{"2008-5-3", "罚款", "1"}, {"2008-6-1", "罚款", "2"}}))
                    .startsWith(QStringLiteral("扣减记录第 2 行的日期 2008-6-1 不在计工月份 2008-5 内")));
        QCOMPARE(records.version(QStringLiteral("001"), QStringLiteral("2008-5")), stored);
        QCOMPARE(records.loadProduction(QStringLiteral("001"), {2008, 4}).value(0).value(PAmount), QStringLiteral("3"));
        QCOMPARE(count(db, QStringLiteral("工资流水")), 2);

        // Closed April is closed however it is written.
        QCOMPARE(ClosedMonths(db).close(QStringLiteral("2008-4"), QStringLiteral("t")), ClosedMonths::Outcome::Done);
        MonthTexts april{QStringLiteral("2008-04"),
                         QStringLiteral("001"),
                         QStringLiteral("张三"),
                         {pline("2008-4-29", "外壳", "1", "7")},
                         {}};
        QVERIFY_THROWS_EXCEPTION(InputError, records.saveMonth(readMonthSheet(april)));
        QVERIFY_THROWS_EXCEPTION(InputError, records.deleteMonth(QStringLiteral("001"), QStringLiteral(" 2008-04 ")));
        QCOMPARE(records.loadProduction(QStringLiteral("001"), {2008, 4}).value(0).value(PAmount), QStringLiteral("3"));
    }

    // Typed lines meet the rules of the save whoever hands them over: a number of more places
    // than allowed or too large to store, a day of another month or none, a line without its
    // product or item is refused naming its line, and nothing of the sheet is written.
    void aTypedLineThatCannotBeStoredIsRefusedWithTheWholeSheet()
    {
        TestApp app;
        MonthRecords records(app.db());
        records.saveMonth(readMonthSheet(sheet({pline("2008-5-1", "旧", "2", "2")})));
        const qint64 stored = records.version("001", "2008-5");
        const ProductionLine good{
            1, QDate(2008, 5, 2), "外壳", "P01", "个", Decimal::fromInteger(3), *Decimal::parse(u"1.25"), "夜班"};
        const DeductionLine fine{1, QDate(2008, 5, 3), "罚款", "K1", *Decimal::parse(u"0.000001")};
        const auto with = [&](auto change) {
            ProductionLine line = good;
            line.row = 2;
            change(line);
            return MonthSheet{"2008-5", "001", "张三", {good, line}, {fine}};
        };
        const std::pair<MonthSheet, QString> refused[] = {
            {with([](ProductionLine& l) { l.quantity = *Decimal::parse(u"0.125"); }),
             "生产记录第 2 行：数量最多保留 2 位小数"},
            {with([](ProductionLine& l) { l.price = *Decimal::parse(u"0.00001"); }),
             "生产记录第 2 行：工价最多保留 4 位小数"},
            {with([](ProductionLine& l) { l.quantity = Decimal::fromUnits(Decimal::kStoredLimit); }), "数量太大"},
            {with([](ProductionLine& l) { l.date = QDate(2008, 6, 1); }),
             "生产记录第 2 行的日期 2008-6-1 不在计工月份"},
            {with([](ProductionLine& l) { l.date = QDate(); }), "生产记录第 2 行没有日期"},
            {with([](ProductionLine& l) { l.product = " \t"; }), "第 2 行没有产品，请选择产品或删除该行"},
            {MonthSheet{"2008-5", "001", "张三", {good}, {fine, {2, QDate(2008, 5, 4), "", "", {}}}},
             "扣减记录第 2 行没有扣减项目"},
        };
        for (const auto& [wrong, why] : refused) {
            try {
                records.saveMonth(wrong);
                QFAIL(qPrintable(QStringLiteral("not refused: ") + why));
            } catch (const InputError& e) {
                QVERIFY2(e.message().contains(why), qPrintable(e.message()));
            }
            QCOMPARE(records.version("001", "2008-5"), stored);
            QCOMPARE(count(app.db(), "工资流水"), 1);
        }

        // The same lines, sound, are stored as handed over, the amount their own product.
        records.saveMonth({"2008-5", "001", "张三", {good}, {fine}});
        QCOMPARE(records.loadProduction("001", kMay2008).value(0),
                 QStringList({"2008-5-2", "外壳", "个", "3", "3.75", "夜班", "1.25",
                              records.loadProduction("001", kMay2008).value(0).value(PId), "P01", "", ""}));
        QCOMPARE(records.loadDeductions("001", kMay2008).value(0), QStringList({"2008-5-3", "罚款", "0.000001", "K1"}));
    }

    void failedSaveLeavesStoredMonthUnchanged()
    {
        TestApp app;
        MonthRecords records(app.db());
        records.saveMonth(
            readMonthSheet(sheet({pline("2008-5-1", "旧", "1", "1"), pline("2008-5-2", "旧", "2", "2")})));
        // The third line written fails inside the database.
        failInserts(app.db(), "abort_third", "工资流水", "disk full",
                    "(SELECT count(*) FROM 工资流水 WHERE 产品 = '新') >= 2");
        try {
            records.saveMonth(
                readMonthSheet(sheet({pline("2008-5-3", "新", "1", "1"), pline("2008-5-4", "新", "1", "1"),
                                      pline("2008-5-5", "新", "1", "1")})));
            QFAIL("the save should have failed");
        } catch (const DbError& e) {
            QCOMPARE(e.message(), QStringLiteral("disk full"));
        }
        const auto lines = records.loadProduction(QStringLiteral("001"), kMay2008);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0).at(PProduct), QStringLiteral("旧"));
        QCOMPARE(count(app.db(), QStringLiteral("员工工资")), 1);

        // A date the program cannot read is refused before anything changes.
        QVERIFY_THROWS_EXCEPTION(InputError,
                                 records.saveMonth(readMonthSheet(sheet({pline("2008-5-40", "新", "1", "1")}))));
        QCOMPARE(records.loadProduction(QStringLiteral("001"), kMay2008).size(), 2);
    }

    // Two clerks, two connections: different employees saved at once both stay; a month saved
    // or cleared by the other clerk after it was loaded is never overwritten.
    void aMonthChangedElsewhereAfterLoadingIsRefused()
    {
        TestApp app;
        const std::unique_ptr<Database> second = app.connect();
        MonthRecords mine(app.db());
        MonthRecords theirs(*second);
        const auto refused = [](const std::function<void()>& change) {
            try {
                change();
            } catch (const InputError& e) {
                return e.message() == QString::fromUtf16(kMonthChangedText);
            }
            return false;
        };

        // At the same moment: employee 001 here, 002 there, then both over the same loaded 003.
        const auto atOnce = [](const std::function<void()>& a, const std::function<void()>& b) {
            std::latch start(2);
            QStringList failures;
            std::mutex guard;
            const auto run = [&](const std::function<void()>& change) {
                start.arrive_and_wait();
                try {
                    change();
                } catch (const Error& e) {
                    const std::lock_guard lock(guard);
                    failures << e.message();
                }
            };
            std::thread other(run, b);
            run(a);
            other.join();
            return failures;
        };
        MonthTexts first = sheet({pline("2008-5-1", "甲", "1", "1")});
        first.loadedVersion = mine.version("001", "2008-5");
        MonthTexts other = sheet({pline("2008-5-1", "乙", "2", "2")});
        other.employeeNo = QStringLiteral("002");
        other.loadedVersion = theirs.version("002", "2008-5");
        QCOMPARE(
            atOnce([&] { mine.saveMonth(readMonthSheet(first)); }, [&] { theirs.saveMonth(readMonthSheet(other)); }),
            QStringList());
        QCOMPARE(mine.loadProduction("002", kMay2008).value(0).value(PProduct), QStringLiteral("乙"));
        QCOMPARE(theirs.loadProduction("001", kMay2008).value(0).value(PProduct), QStringLiteral("甲"));

        MonthTexts here = sheet({pline("2008-5-2", "这边", "1", "1")});
        here.employeeNo = QStringLiteral("003");
        here.loadedVersion = mine.version("003", "2008-5");
        MonthTexts there = here;
        there.production = {pline("2008-5-2", "那边", "1", "1")};
        const QStringList failures =
            atOnce([&] { mine.saveMonth(readMonthSheet(here)); }, [&] { theirs.saveMonth(readMonthSheet(there)); });
        QCOMPARE(failures, QStringList({QString::fromUtf16(kMonthChangedText)}));
        QCOMPARE(mine.loadProduction("003", kMay2008).size(), 1);
        QCOMPARE(count(app.db(), QStringLiteral("员工工资 WHERE 工号 = '003'")), 1);

        // One after the other: the clerk who loaded before the other's save is refused, also
        // when clearing, and nothing changes; loaded again, the save goes through.
        const qint64 loadedHere = mine.version("001", "2008-5");
        MonthTexts changedThere = first;
        changedThere.production = {pline("2008-5-3", "丙", "3", "3")};
        changedThere.loadedVersion = theirs.version("001", "2008-5");
        const qint64 savedThere = theirs.saveMonth(readMonthSheet(changedThere));
        QVERIFY(savedThere != loadedHere);
        MonthTexts stale = first;
        stale.production = {pline("2008-5-4", "丁", "4", "4")};
        stale.loadedVersion = loadedHere;
        QVERIFY(refused([&] { mine.saveMonth(readMonthSheet(stale)); }));
        QVERIFY(refused([&] { mine.deleteMonth("001", "2008-5", loadedHere); }));
        QCOMPARE(mine.loadProduction("001", kMay2008).value(0).value(PProduct), QStringLiteral("丙"));
        QCOMPARE(mine.version("001", "2008-5"), savedThere);
        stale.loadedVersion = mine.version("001", "2008-5");
        const qint64 savedHere = mine.saveMonth(readMonthSheet(stale));
        QCOMPARE(savedHere, mine.version("001", "2008-5"));
        // Cleared there: a month loaded here before is not written back either.
        const qint64 beforeClearing = mine.version("001", "2008-5");
        theirs.deleteMonth("001", "2008-5", theirs.version("001", "2008-5"));
        QVERIFY(refused([&] { mine.saveMonth(readMonthSheet(stale)); }));
        QCOMPARE(mine.version("001", "2008-5"), 0);
        QVERIFY(beforeClearing != 0);
    }

    void awkwardTextsRoundTrip()
    {
        TestApp app;
        MonthRecords records(app.db());
        LineTexts line = pline("2008-5-1", "O'Neil 100% \\ 件", "1", "1");
        line[PRemark] = QStringLiteral("备注'\n第二行");
        records.saveMonth(readMonthSheet(sheet({line}, {{"2008-5-1", "迟到'%", "5"}})));
        const auto lines = records.loadProduction(QStringLiteral("001"), kMay2008);
        QCOMPARE(lines.at(0).at(PProduct), line.at(PProduct));
        QCOMPARE(lines.at(0).at(PRemark), line.at(PRemark));
        QCOMPARE(records.loadDeductions(QStringLiteral("001"), kMay2008).at(0).at(DItem), QStringLiteral("迟到'%"));

        // A byte order mark is text like any other: a product of only U+FEFF loads as itself,
        // so saving what was loaded keeps the line.
        const QString bom(QChar(0xFEFF));
        LineTexts marked = pline("2008-5-2", "", "1", "1");
        marked[PProduct] = bom;
        LineTexts leading = pline("2008-5-3", "", "1", "1");
        leading[PProduct] = bom + QStringLiteral("外壳");
        records.saveMonth(readMonthSheet(sheet({marked, leading})));
        for (int round = 0; round < 2; ++round) {
            const auto loaded = records.loadProduction(QStringLiteral("001"), kMay2008);
            QCOMPARE(loaded.size(), 2);
            QCOMPARE(loaded.at(0).at(PProduct), bom);
            QCOMPARE(loaded.at(1).at(PProduct), leading.at(PProduct));
            records.saveMonth(readMonthSheet(sheet(loaded)));
        }
    }

    void lookupMatchesDescriptionEndNumberOrPinyin()
    {
        TestApp app;
        const auto add = [&](const char* no, const char* desc, const char* code, double price) {
            app.db().exec(
                QStringLiteral(
                    "INSERT INTO 产品工价 (产品编号, 产品说明, 拼音编码, 计量单位, 工价) VALUES (?,?,?,?,?)"),
                {QString::fromUtf8(no), QString::fromUtf8(desc), QString::fromUtf8(code), QStringLiteral("个"), price});
        };
        add("P01", "外壳", "WK", 1.25);
        add("P02", "大外壳", "DWK", 3);
        add("X%1", "百分", "BF", 2);
        const auto numbers = [&](const QString& typed) {
            QStringList out;
            for (const QStringList& row : lookupItems(app.db(), LookupKind::Product, typed).rows)
                out << row.at(0);
            return out;
        };
        QCOMPARE(numbers(QStringLiteral("WK")), QStringList({"P01", "P02"}));
        QCOMPARE(numbers(QStringLiteral("wk")), QStringList({"P01", "P02"}));
        QCOMPARE(numbers(QStringLiteral("外壳")), QStringList({"P01", "P02"}));
        QCOMPARE(numbers(QStringLiteral("大外")), QStringList());
        QCOMPARE(numbers(QStringLiteral("P0")), QStringList({"P01", "P02"}));
        QCOMPARE(numbers(QStringLiteral("%")), QStringList({"X%1"}));
        QCOMPARE(numbers(QString()).size(), 3);
        // A NUL ends the engine's reading of a pattern; it must not turn the key into "match all".
        QCOMPARE(numbers(QChar(0) + QStringLiteral("大外壳")), QStringList({"P02"}));

        const LookupResult all = lookupItems(app.db(), LookupKind::Product);
        QCOMPARE(all.fields, QStringList({"产品编号", "产品说明", "计量单位", "工价"}));
        QCOMPARE(all.rows.at(0), QStringList({"P01", "外壳", "个", "1.25"}));
        QCOMPARE(lookupItems(app.db(), LookupKind::Deduction).fields,
                 QStringList({"扣减项目编号", "扣减项目说明", "扣减金额"}));

        // The entry window's catalog reads the table again after a change to it, and only then
        // where the engine can tell (the file's); on a server it reads at every refresh.
        const bool watched = !app.db().isServer();
        ItemCatalog catalog(LookupKind::Product);
        catalog.refresh(app.db());
        QCOMPARE(catalog.rows(), all.rows);
        const auto unchanged = [&] {
            const QStringList* before = catalog.rows().constData();
            catalog.refresh(app.db());
            return catalog.rows().constData() == before;
        };
        QCOMPARE(unchanged(), watched);
        app.db().exec("UPDATE 产品工价 SET 拼音编码 = 'QK' WHERE 产品编号 = 'P02'");
        QVERIFY(!unchanged());
        QCOMPARE(catalog.matches("qk"), QList<int>{1});
        {
            Transaction tx(app.db()); // rolled back: nothing changed
            app.db().exec("DELETE FROM 产品工价");
        }
        QCOMPARE(unchanged(), watched);
        app.db().exec("DELETE FROM 产品工价 WHERE 产品编号 = 'P01'");
        QVERIFY(!unchanged());
        QCOMPARE(catalog.rows().size(), 2);
        // A new connection (after a restore, say) is read anew and watched in turn.
        QVERIFY(app.ctx().reconnect());
        QVERIFY(!unchanged());
        QCOMPARE(unchanged(), watched);
        add("P04", "垫片", "DP", 0.1);
        QVERIFY(!unchanged());
        QCOMPARE(catalog.matches("dp"), QList<int>{2});
    }

    void employeeFinder()
    {
        TestApp app;
        for (const auto& [no, name] : {std::pair{"001", "张三"}, {"002", "张四"}, {"003", "O'Hara"}})
            app.db().exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '一车间', '装配')"),
                          {QString::fromUtf8(no), QString::fromUtf8(name)});
        EmployeeFinder finder(app.db());
        const auto zhang = finder.nameContains(QStringLiteral(" 张\t"));
        QCOMPARE(zhang.size(), 2);
        QCOMPARE(zhang.at(0).candidateText(), QStringLiteral("张三-001"));
        QCOMPARE(zhang.at(1).workshopLine(), QStringLiteral("所在车间：一车间  工种：装配"));
        QCOMPARE(finder.nameContains(QStringLiteral("'H")).size(), 1);
        QCOMPARE(finder.nameContains(QStringLiteral("%")).size(), 0);
        QCOMPARE(finder.nameContains(QChar(0) + QStringLiteral("张四")).size(), 1);
        QVERIFY(finder.nameExists(QStringLiteral("O'Hara ")));
        QVERIFY(!finder.nameExists(QStringLiteral("张")));
        QCOMPARE(finder.byNumber(QStringLiteral(" 002 "))->name, QStringLiteral("张四"));
        QVERIFY(!finder.byNumber(QString()));
        QCOMPARE(finder.byId(zhang.at(0).id)->number, QStringLiteral("001"));
        QCOMPARE(finder.all().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMonthRecords)
#include "test_monthrecords.moc"
