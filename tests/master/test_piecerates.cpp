#include "TestDb.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/Tables.h"
#include "entry/ClosedMonths.h"
#include "entry/ItemLookup.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "master/MasterRecords.h"
#include "master/PieceRates.h"

#include <QTest>

using namespace kv;

namespace {
const YearMonth kMay2008{2008, 5};

QStringList product(const QString& number, const QString& description, const QString& price)
{
    return {number, description, QStringLiteral("X"), QStringLiteral("个"), price, QString()};
}

qint64 productId(Database& db, const QString& number)
{
    return db.scalar(QStringLiteral("SELECT id FROM 产品工价 WHERE 产品编号 = ?"), {number}).toLongLong();
}

// The price the look-up offers for the product on the day, as the entry window's line takes it.
QString offered(Database& db, const QString& number, const QDate& day)
{
    for (const QStringList& row : lookupItems(db, LookupKind::Product, number, day).rows)
        if (row.at(0) == number)
            return row.at(3);
    return QStringLiteral("(none)");
}

LineTexts line(const QString& date, const QString& product, const QString& quantity, const QString& price)
{
    LineTexts l(ProductionColumnCount);
    l[PDate] = date;
    l[PProduct] = product;
    l[PUnit] = QStringLiteral("个");
    l[PQuantity] = quantity;
    l[PPrice] = price;
    return l;
}

QStringList storedLines(Database& db)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("SELECT 日期, 产品, 工价, 金额 FROM 工资流水 ORDER BY 日期, id"));
    while (st.next())
        out << QStringLiteral("%1 %2 %3 %4").arg(st.text(0), st.text(1), st.decimal(2).plainText(),
                                                 st.decimal(3).plainText());
    return out;
}

QString monthlyTotal(Database& db)
{
    return db.scalar(QStringLiteral("SELECT 生产金额 FROM 月度合计")).toString() + u'/' +
           db.scalar(QStringLiteral("SELECT 生产金额 FROM 员工工资")).toString();
}

int logged(Database& db, const QString& action)
{
    int n = 0;
    for (const LogEntry& e : OperationLog(db).entries())
        n += e.action == action;
    return n;
}

// An account that may do only what `rights` allow, logged in on the shared connection.
void logInClerk(TestApp& app, Rights rights)
{
    Database& db = app.db();
    AdminAccounts accounts(db);
    accounts.add(QStringLiteral("clerk"), QStringLiteral("c1"));
    accounts.change(db.scalar(QStringLiteral("SELECT id FROM 管理员 WHERE 账号 = 'clerk'")).toLongLong(),
                    AccountChange{QStringLiteral("clerk"), {}, {}, rights});
    app.logInAs(QStringLiteral("clerk"));
}

QString refusal(const std::function<void()>& change)
{
    try {
        change();
    } catch (const InputError& e) {
        return e.message();
    }
    return QStringLiteral("(not refused)");
}
} // namespace

class TestPieceRates : public QObject {
    Q_OBJECT
private slots:
    // A rate change dated mid-month: lines on either side of it take the price of their own
    // date, whenever they are entered; the lines stored before keep theirs.
    void aChangeBetweenTwoLinesOfOneMonthPricesEachByItsDate()
    {
        TestApp app;
        Database& db = app.db();
        MasterRecords products(db, MasterKind::Product);
        QVERIFY(products.save(0, product("C1", "垫片", "1.25")));
        QVERIFY(products.save(0, product("C2", "螺丝", "0.3333")));
        const qint64 c1 = productId(db, "C1");
        PieceRates rates(db);
        QCOMPARE(rates.history(c1).size(), 1);
        QCOMPARE(rates.history(c1).first().from, kFirstRateDay);

        // A line stored at the old price before the change was known.
        MonthRecords records(db);
        records.saveMonth(
            readMonthSheet({"2008-5", "001", "张三", {line("2008-5-3", "垫片", "10", offered(db, "C1", {2008, 5, 3}))}, {}}));

        rates.addChange(c1, " 1.5 ", QDate(2008, 5, 15));
        QCOMPARE(offered(db, "C1", {2008, 5, 14}), QStringLiteral("1.25"));
        QCOMPARE(offered(db, "C1", {2008, 5, 15}), QStringLiteral("1.5"));
        QCOMPARE(offered(db, "C1", {2009, 1, 1}), QStringLiteral("1.5"));
        QCOMPARE(offered(db, "C2", {2008, 5, 15}), QStringLiteral("0.3333"));
        QCOMPARE(*rates.priceOn(c1, {1900, 1, 1}), Decimal::fromUnits(1'250'000));
        QCOMPARE(rates.priceOn(c1, {1899, 12, 31}), std::nullopt);
        QCOMPARE(*rates.priceOn("", "垫片", "个", {2008, 5, 20}), Decimal::fromUnits(1'500'000));
        QCOMPARE(*rates.priceOn("C1", "改名了", "个", {2008, 5, 20}), Decimal::fromUnits(1'500'000));
        QCOMPARE(rates.priceOn("", "垫片", "盒", {2008, 5, 20}), std::nullopt); // another unit: no product
        // The list shows the price of the latest day.
        QCOMPARE(products.load(c1)->at(4), QStringLiteral("1.5"));

        // Last week's tickets entered after the change: each line at its own date's price.
        MonthTexts sheet{"2008-5", "001", "张三", records.loadProduction("001", kMay2008), {}};
        sheet.production << line("2008-5-14", "垫片", "4", offered(db, "C1", {2008, 5, 14}))
                         << line("2008-5-15", "垫片", "4", offered(db, "C1", {2008, 5, 15}))
                         << line("2008-5-16", "螺丝", "3", offered(db, "C2", {2008, 5, 16}));
        records.saveMonth(readMonthSheet(sheet));
        QCOMPARE(storedLines(db), QStringList({"2008-05-03 垫片 1.25 12.5", "2008-05-14 垫片 1.25 5",
                                               "2008-05-15 垫片 1.5 6", "2008-05-16 螺丝 0.3333 0.9999"}));

        // A second change on the same day replaces the first; one later adds to the history.
        rates.addChange(c1, "1.6", QDate(2008, 5, 15));
        rates.addChange(c1, "2", QDate(2008, 7, 1));
        const PriceHistory history = rates.history(c1);
        QCOMPARE(history.size(), 3);
        QCOMPARE(history.at(1).from, QDate(2008, 5, 15));
        QCOMPARE(history.at(1).price, Decimal::fromUnits(1'600'000));
        QCOMPARE(offered(db, "C1", {2008, 6, 30}), QStringLiteral("1.6"));
        QCOMPARE(products.load(c1)->at(4), QStringLiteral("2"));
        // Editing the product's price corrects the price of its latest day only.
        QVERIFY(products.save(c1, product("C1", "垫片", "2.1")));
        QCOMPARE(rates.history(c1).last().price, Decimal::fromUnits(2'100'000));
        QCOMPARE(offered(db, "C1", {2008, 6, 30}), QStringLiteral("1.6"));
        QCOMPARE(logged(db, "调价"), 3);

        // Refusals change nothing.
        const PriceHistory before = rates.history(c1);
        QCOMPARE(refusal([&] { rates.addChange(c1, "1.23456", {2008, 8, 1}); }), QStringLiteral("工价最多保留 4 位小数！"));
        QCOMPARE(refusal([&] { rates.addChange(c1, "一块", {2008, 8, 1}); }), QStringLiteral("新工价必须是数字！"));
        QCOMPARE(refusal([&] { rates.addChange(c1, "1", {1899, 1, 1}); }), QStringLiteral("生效日期不正确。"));
        QCOMPARE(refusal([&] { rates.addChange(9999, "1", {2008, 8, 1}); }), QStringLiteral("该产品已被删除。"));
        logInClerk(app, Right::WageEntry);
        QVERIFY(refusal([&] { rates.addChange(c1, "1", {2008, 8, 1}); }).contains("基础资料"));
        QCOMPARE(rates.history(c1).size(), before.size());
        QCOMPARE(rates.history(c1).last().price, before.last().price);
        QCOMPARE(storedLines(db).size(), 4);

        // A product that lines name is not deleted but goes out of use, its prices kept for them;
        // one without lines takes its history along.
        app.logInAs("admin");
        QCOMPARE(products.remove(c1), Removal::OutOfUse);
        QCOMPARE(rates.history(c1).size(), before.size());
        QVERIFY(products.save(0, product("C9", "弹簧", "0.5")));
        const qint64 c9 = db.scalar("SELECT id FROM 产品工价 WHERE 产品编号 = 'C9'").toLongLong();
        QCOMPARE(products.remove(c9), Removal::Deleted);
        QCOMPARE(db.scalar("SELECT count(*) FROM 工价历史 WHERE 产品ID = ?", {c9}).toInt(), 0);
    }

    // "按新工价重算": refused on a closed month with nothing changed; on the open month the lines
    // of known products take their date's price, the totals follow, and the log says so.
    void repricingAMonthIsRefusedWhenClosedAndLogged()
    {
        TestApp app;
        Database& db = app.db();
        MasterRecords products(db, MasterKind::Product);
        QVERIFY(products.save(0, product("C1", "垫片", "1")));
        MonthRecords records(db);
        records.saveMonth(readMonthSheet({"2008-5", "001", "张三",
                                          {line("2008-5-2", "垫片", "3", "1"), line("2008-5-20", "垫片", "-2", "1"),
                                           line("2008-5-21", "手工活", "1", "7")},
                                          {{"2008-5-9", "饭卡", "0.5"}}}));
        // The rate went up from the 10th, entered late.
        PieceRates(db).addChange(productId(db, "C1"), "1.05", {2008, 5, 10});
        const QStringList stored = storedLines(db);
        QCOMPARE(monthlyTotal(db), QStringLiteral("8/8"));

        QCOMPARE(ClosedMonths(db).close("2008-5", "t"), ClosedMonths::Outcome::Done);
        const qint64 loaded = records.version("001", "2008-5");
        QCOMPARE(refusal([&] { records.repriceMonth("001", "2008-5", loaded); }), QString::fromUtf16(kMonthClosedText));
        QCOMPARE(storedLines(db), stored);
        QCOMPARE(logged(db, "按新工价重算"), 0);

        QCOMPARE(ClosedMonths(db).reopen("2008-5", QString::fromUtf16(kDefaultPassword)), ClosedMonths::Outcome::Done);
        // Another clerk saved the month meanwhile: the version loaded is refused.
        QCOMPARE(refusal([&] { records.repriceMonth("001", "2008-5", loaded - 1); }),
                 QString::fromUtf16(kMonthChangedText));
        logInClerk(app, Right::Statistics | Right::MasterData);
        QVERIFY(refusal([&] { records.repriceMonth("001", "2008-5", loaded); }).contains("工资录入"));
        QCOMPARE(storedLines(db), stored);

        app.logInAs("admin");
        qint64 saved = 0;
        QCOMPARE(records.repriceMonth("001", " 2008-05 ", loaded, &saved), 1);
        QCOMPARE(saved, records.version("001", "2008-5"));
        QCOMPARE(storedLines(db), QStringList({"2008-05-02 垫片 1 3", "2008-05-20 垫片 1.05 -2.1",
                                               "2008-05-21 手工活 7 7"}));
        QCOMPARE(monthlyTotal(db), QStringLiteral("7.9/7.9"));
        QCOMPARE(records.loadDeductions("001", kMay2008).size(), 1);
        QCOMPARE(logged(db, "按新工价重算"), 1);
        // Nothing left to re-price: nothing written, nothing logged.
        QCOMPARE(records.repriceMonth("001", "2008-5", saved), 0);
        QCOMPARE(records.version("001", "2008-5"), saved);
        QCOMPARE(logged(db, "按新工价重算"), 1);
    }

    // A file of the version before dated prices: its products' prices count from 1900-1-1 on,
    // a product without a price gets no history, and nothing already stored is repriced.
    void anOldFileIsUpgradedWithItsPricesSeeded()
    {
        TestApp app;
        Database& db = app.db();
        dropBundleTickets(db);
        int dated = 0;
        for (const TableDef& table : schemaTables())
            if (QString::fromUtf16(table.name) == QStringLiteral("工价历史"))
                dated = table.since;
        for (const TableDef& table : schemaTables())
            if (table.since >= dated)
                db.execScript(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QString::fromUtf16(table.name)));
        dropAccountChecks(db);
        db.exec(db.upsertSql("kelvaro_meta", {"key", "value"}), {"schema_version", QString::number(dated - 1)});
        db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES ('C1', '垫片', '个', 0.125)");
        db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES ('C2', '螺丝', '个', NULL)");
        db.exec("INSERT INTO 工资流水 (工号, 日期, 产品, 计量单位, 数量, 工价, 金额) "
                "VALUES ('001', '2008-05-02', '垫片', '个', 8, 0.1, 0.8)");
        upgradeSchema(db);
        QCOMPARE(storedVersion(db), latestVersion());
        PieceRates rates(db);
        const PriceHistory seeded = rates.history(productId(db, "C1"));
        QCOMPARE(seeded.size(), 1);
        QCOMPARE(seeded.first().from, QDate(1900, 1, 1));
        QCOMPARE(seeded.first().price, Decimal::fromUnits(125'000));
        QVERIFY(rates.history(productId(db, "C2")).isEmpty());
        QCOMPARE(rates.priceOn(productId(db, "C2"), {2008, 5, 1}), std::nullopt);
        QCOMPARE(storedLines(db), QStringList({"2008-05-02 垫片 0.1 0.8"}));
        // One history row per product and day.
        QVERIFY_THROWS_EXCEPTION(DbError, db.exec("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) VALUES (?, 1, '1900-01-01')",
                                                  {productId(db, "C1")}));
    }
};

QTEST_GUILESS_MAIN(TestPieceRates)
#include "test_piecerates.moc"
