#include "TestDb.h"
#include "data/Database.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/AdminAccounts.h"
#include "master/PieceRates.h"
#include "tickets/BundleTickets.h"
#include "tickets/OrderStanding.h"
#include "tickets/TicketNumber.h"

#include <QSet>
#include <QTest>

#include <functional>
#include <tuple>
#include <latch>
#include <mutex>
#include <thread>

using namespace kv;
using kv::testing::money;

namespace {
const YearMonth kMay2008{2008, 5};

void seedProducts(Database& db)
{
    db.exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES "
                           "('C1', '上领', '件', 0.35), ('C2', '锁边', '件', 0.125)"));
    db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三'), ('002', '李四')"));
}

WorkOrderDraft order(const char* orderNo, QList<int> bundles = {20, 20, 5})
{
    return {QString::fromUtf8(orderNo), QStringLiteral("款A"), QDate(2008, 5, 2), {"C1", "C2"}, std::move(bundles)};
}

// A production line paying the ticket, as a scan fills it.
LineTexts paying(const BundleTicket& t, const char* date = "2008-5-6")
{
    LineTexts line(ProductionColumnCount);
    line[PDate] = QString::fromUtf8(date);
    line[PProduct] = t.product;
    line[PUnit] = t.unit;
    line[PQuantity] = QString::number(t.quantity);
    line[PPrice] = t.price.plainText();
    line[PProductNo] = t.productNo;
    line[PTicket] = t.number;
    return line;
}

MonthSheet month(const char* employeeNo, QList<LineTexts> lines, const char* monthText = "2008-5")
{
    return readMonthSheet({QString::fromUtf8(monthText), QString::fromUtf8(employeeNo), QString(), std::move(lines), {}});
}

QString refusal(const std::function<void()>& change)
{
    try {
        change();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

// Runs both at the same moment on two threads; the messages of those that failed.
QStringList atOnce(const std::function<void()>& a, const std::function<void()>& b)
{
    std::latch start(2);
    QStringList failures;
    std::mutex guard;
    const auto run = [&](const std::function<void()>& change) {
        start.arrive_and_wait();
        const QString message = refusal(change);
        const std::lock_guard lock(guard);
        if (!message.isEmpty())
            failures << message;
    };
    std::thread other(run, b);
    run(a);
    other.join();
    return failures;
}
} // namespace

class TestBundleTickets : public QObject {
    Q_OBJECT
private slots:
    void checkDigitCatchesEverySingleDigitErrorAndNeighbourSwap()
    {
        for (const qint64 serial : {1LL, 2LL, 10LL, 123456789LL, 999999999LL, 500000000LL, 47LL, 8080808LL}) {
            const QString number = ticketNumber(serial);
            QCOMPARE(number.size(), kTicketNumberDigits);
            QCOMPARE(ticketSerial(number), std::optional<qint64>(serial));
            for (int at = 0; at < number.size(); ++at) {
                for (char digit = '0'; digit <= '9'; ++digit) {
                    QString typed = number;
                    typed[at] = QChar::fromLatin1(digit);
                    QCOMPARE(isValidTicketNumber(typed), typed == number);
                }
                if (at + 1 < number.size() && number.at(at) != number.at(at + 1)) {
                    QString swapped = number;
                    std::swap(swapped[at], swapped[at + 1]);
                    QVERIFY2(!isValidTicketNumber(swapped), qPrintable(swapped));
                }
            }
            QVERIFY(!isValidTicketNumber(number.chopped(1)));
            QVERIFY(!isValidTicketNumber(number + u'0'));
        }
        QVERIFY(!isValidTicketNumber(u"00000001２3"));

        QCOMPARE(quickFillBundles(105, 20), QList<int>({20, 20, 20, 20, 20, 5}));
        QCOMPARE(quickFillBundles(100, 25), QList<int>({25, 25, 25, 25}));
        QCOMPARE(quickFillBundles(3, 10), QList<int>({3}));
        QVERIFY(quickFillBundles(0, 10).isEmpty());
        QVERIFY(quickFillBundles(10, 0).isEmpty());
    }

    void workOrdersIssueUniqueNumbersOnTwoConnectionsAtOnce()
    {
        TestApp app;
        seedProducts(app.db());
        const std::unique_ptr<Database> second = app.connect();
        BundleTickets mine(app.db());
        BundleTickets theirs(*second);

        QList<qint64> orders;
        std::mutex guard;
        const auto make = [&](BundleTickets& tickets, const QString& prefix) {
            for (int i = 0; i < 4; ++i) {
                const qint64 id = tickets.createWorkOrder(order(qPrintable(prefix + QString::number(i)), {7, 7, 7}));
                const std::lock_guard lock(guard);
                orders << id;
            }
        };
        QCOMPARE(atOnce([&] { make(mine, "甲"); }, [&] { make(theirs, "乙"); }), QStringList());
        QSet<QString> numbers;
        for (const qint64 id : std::as_const(orders)) {
            const QList<BundleTicket> tickets = mine.ticketsOf(id);
            QCOMPARE(tickets.size(), 6);
            QCOMPARE(tickets.at(1).bundleNo, 1);
            QCOMPARE(tickets.at(1).productNo, QStringLiteral("C2"));
            QCOMPARE(tickets.at(1).price.plainText(), QStringLiteral("0.125"));
            for (const BundleTicket& t : tickets) {
                QVERIFY(isValidTicketNumber(t.number));
                QVERIFY(!t.isClaimed());
                numbers.insert(t.number);
            }
        }
        QCOMPARE(numbers.size(), 8 * 6);

        // Refused whole: a taken order number, an unknown product, a bundle of nothing; nothing
        // of them stored, and no number spent on them.
        const int before = app.db().scalar(QStringLiteral("SELECT count(*) FROM 菲票")).toInt();
        QCOMPARE(refusal([&] { mine.createWorkOrder(order("甲0")); }), QStringLiteral("生产单号 甲0 已存在！"));
        WorkOrderDraft unknown = order("丙");
        unknown.productNos << "C9";
        QCOMPARE(refusal([&] { mine.createWorkOrder(unknown); }), QStringLiteral("没有编号为 C9 的产品！"));
        QCOMPARE(refusal([&] { mine.createWorkOrder(order("丙", {5, 0})); }), QStringLiteral("第 2 扎的数量必须大于 0！"));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 菲票")).toInt(), before);
        const QList<BundleTicket> next = mine.ticketsOf(mine.createWorkOrder(order("丙", {1})));
        QCOMPARE(ticketSerial(next.at(0).number), std::optional<qint64>(8 * 6 + 1));
    }

    void aTicketIsPaidOnceAndReleasedWithItsLine()
    {
        TestApp app;
        seedProducts(app.db());
        BundleTickets tickets(app.db());
        const QList<BundleTicket> all = tickets.ticketsOf(tickets.createWorkOrder(order("S1")));
        QCOMPARE(all.size(), 6);
        MonthRecords records(app.db());

        // Claimed by the save that names it, the line keeping the ticket.
        records.saveMonth(month("001", {paying(all.at(0)), paying(all.at(5), "2008-5-7")}));
        const BundleTicket claimed = tickets.ticket(all.at(0).number);
        QCOMPARE(claimed.claimedBy, QStringLiteral("001"));
        QCOMPARE(claimed.claimedMonth, QStringLiteral("2008-5"));
        const QDateTime at = claimed.claimedAt;
        QVERIFY(at.isValid());
        const QList<LineTexts> stored = records.loadProduction("001", kMay2008);
        QCOMPARE(stored.value(0).value(PTicket), all.at(0).number);
        QCOMPARE(stored.value(0).value(PAmount), QStringLiteral("7"));

        // Another employee, or the same employee's other month, is refused and keeps nothing.
        const QString taken = QStringLiteral("该菲票已由 张三（001）于 %1-%2-%3 领取")
                                  .arg(at.date().year())
                                  .arg(at.date().month())
                                  .arg(at.date().day());
        QCOMPARE(refusal([&] { tickets.openTicket(all.at(0).number); }), taken);
        QCOMPARE(refusal([&] { records.saveMonth(month("002", {paying(all.at(1)), paying(all.at(0))})); }), taken);
        const MonthSheet june = month("001", {paying(all.at(0), "2008-6-1")}, "2008-6");
        QCOMPARE(refusal([&] { records.saveMonth(june); }), taken);
        QVERIFY(records.loadProduction("002", kMay2008).isEmpty());
        QVERIFY(!tickets.ticket(all.at(1).number).isClaimed());

        // Mistyped, unknown or named twice: refused.
        QString typo = all.at(1).number;
        typo[3] = typo.at(3) == u'7' ? u'8' : u'7';
        QVERIFY(refusal([&] { tickets.openTicket(typo); }).contains(QStringLiteral("校验位")));
        QVERIFY(refusal([&] { records.saveMonth(month("002", {paying(all.at(1)), paying(all.at(1))})); })
                    .contains(QStringLiteral("出现了两次")));
        BundleTicket unknown = all.at(1);
        unknown.number = ticketNumber(900000000);
        QCOMPARE(refusal([&] { records.saveMonth(month("002", {paying(unknown)})); }),
                 QStringLiteral("没有菲票号为 %1 的菲票！").arg(unknown.number));
        QCOMPARE(tickets.openTicket(" " + all.at(1).number + " ").bundleNo, 1);

        // A scan: refused while a shown line names the ticket or another month holds it; the
        // month that holds it gets its line back once the line was dropped on screen.
        const QDate day(2008, 5, 9);
        QVERIFY(refusal([&] { tickets.scannedLine(all.at(0).number, "001", "2008-5", day, stored); })
                    .contains(QStringLiteral("已在本月的生产记录中")));
        QCOMPARE(refusal([&] { tickets.scannedLine(all.at(0).number, "001", "2008-6", day, {}); }), taken);
        const LineTexts back = tickets.scannedLine(all.at(0).number, " 001 ", "2008-5", day, {stored.at(1)});
        QCOMPARE(back.value(PDate), QStringLiteral("2008-5-9"));
        QCOMPARE(back.value(PTicket), all.at(0).number);
        QCOMPARE(back.value(PAmount), QStringLiteral("7"));
        // The price in force on the scan's day, as for a typed line.
        app.db().exec(QStringLiteral("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) SELECT id, 工价, '1900-01-01' FROM 产品工价"));
        PieceRates(app.db()).addChange(app.db().scalar(QStringLiteral("SELECT id FROM 产品工价 WHERE 产品编号 = 'C1'")).toLongLong(),
                                       QStringLiteral("0.4"), QDate(2008, 5, 10));
        for (const auto& [scanDay, amount] : {std::pair{day, "7"}, std::pair{QDate(2008, 5, 10), "8"}})
            QCOMPARE(tickets.scannedLine(all.at(0).number, "001", "2008-5", scanDay, {stored.at(1)}).value(PAmount),
                     QString::fromUtf8(amount));

        // Saved again as loaded: the claim and its time stay. The line gone: open again.
        records.saveMonth(month("001", stored));
        QCOMPARE(tickets.ticket(all.at(0).number).claimedAt, at);
        records.saveMonth(month("001", {stored.at(0)}));
        QVERIFY(!tickets.ticket(all.at(5).number).isClaimed());
        records.saveMonth(month("002", {paying(all.at(5))}));
        QCOMPARE(tickets.ticket(all.at(5).number).claimedBy, QStringLiteral("002"));

        // A closed month keeps its tickets; the month cleared once reopened releases them.
        QCOMPARE(ClosedMonths(app.db()).close("2008-5", "t"), ClosedMonths::Outcome::Done);
        QCOMPARE(refusal([&] { records.saveMonth(month("001", {})); }), QString::fromUtf16(kMonthClosedText));
        QCOMPARE(refusal([&] { records.deleteMonth("001", "2008-5"); }), QString::fromUtf16(kMonthClosedText));
        QVERIFY(tickets.ticket(all.at(0).number).isClaimed());
        QCOMPARE(ClosedMonths(app.db()).reopen("2008-5", "admin123"), ClosedMonths::Outcome::Done);
        records.deleteMonth("001", "2008-5");
        QVERIFY(!tickets.ticket(all.at(0).number).isClaimed());
        QCOMPARE(tickets.ticket(all.at(5).number).claimedBy, QStringLiteral("002"));

        // Rights: scanning and saving with 工资录入, work orders with 基础资料.
        QCOMPARE(AdminAccounts(app.db()).add("clerk", "c1"), ListChange::Done);
        app.db().exec(QStringLiteral("UPDATE 管理员 SET 权限 = ? WHERE 账号 = 'clerk'"), {int(Right::WageEntry)});
        app.logInAs("clerk");
        QCOMPARE(refusal([&] { tickets.createWorkOrder(order("S2")); }), refusalText(Right::MasterData));
        records.saveMonth(month("001", {paying(all.at(2))}));
        QVERIFY(tickets.ticket(all.at(2).number).isClaimed());
    }

    // Where an order stands: counts per operation, and the labour paid is what the journal holds
    // for its tickets, a line repriced or typed over included; a month cleared takes it back.
    void anOrdersStandingIsWhatTheJournalPays()
    {
        TestApp app;
        seedProducts(app.db());
        BundleTickets tickets(app.db());
        const qint64 id = tickets.createWorkOrder(order("S1", {20, 20, 5}));
        const QList<BundleTicket> all = tickets.ticketsOf(id);
        tickets.createWorkOrder(order("S2")); // another order's tickets stay out
        MonthRecords records(app.db());
        LineTexts retyped = paying(all.at(1)); // 锁边, bundle 1: 20 at 0.125 typed as 0.13
        retyped[PPrice] = QStringLiteral("0.13");
        records.saveMonth(month("001", {paying(all.at(0)), retyped}));
        records.saveMonth(month("002", {paying(all.at(4))})); // 上领, bundle 3: 5 at 0.35

        OrderStanding s = orderStanding(app.db(), id);
        QCOMPARE(s.tickets.size(), 6);
        QCOMPARE(s.claimed, 3);
        QCOMPARE(s.tickets.at(0).claimedName, QStringLiteral("张三"));
        QVERIFY(!s.tickets.at(2).paid);
        QCOMPARE(s.operations.size(), 2);
        const OperationStanding& collar = s.operations.at(0);
        QCOMPARE(collar.productNo, QStringLiteral("C1"));
        QCOMPARE(std::tuple(collar.tickets, collar.claimed, collar.piecesClaimed, collar.piecesOpen),
                 std::tuple(3, 2, 25, 20));
        QCOMPARE(collar.paid, money("8.75"));
        QCOMPARE(s.operations.at(1).paid, money("2.6"));
        QCOMPARE(s.labourCost, money("11.35"));
        Statement journal = app.db().prepare(QStringLiteral("SELECT decimal_sum(金额) FROM 工资流水"));
        QVERIFY(journal.next());
        QCOMPARE(s.labourCost, journal.decimal(0));

        records.deleteMonth("001", "2008-5");
        s = orderStanding(app.db(), id);
        QCOMPARE(s.claimed, 1);
        QCOMPARE(s.labourCost, money("1.75"));
        QCOMPARE(s.operations.at(1).claimed, 0);
    }

    // A ticket pays its bundle's pieces of its operation once: a line that changed what its ticket
    // says is refused whole, an order cannot list an operation twice, and where the journal still
    // pays more (lines stored before these checks, an older order listing an operation twice) the
    // order's standing marks every such line.
    void aTicketPaysItsBundleOnceAndTheStandingMarksWhatPaysMore()
    {
        TestApp app;
        seedProducts(app.db());
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES "
                                     "('C3', '大外壳', '件', 2.5)"));
        BundleTickets tickets(app.db());
        const qint64 id = tickets.createWorkOrder(order("S1", {20, 20}));
        const QList<BundleTicket> all = tickets.ticketsOf(id); // 上领 1, 锁边 1, 上领 2, 锁边 2
        MonthRecords records(app.db());

        LineTexts more = paying(all.at(0));
        more[PQuantity] = QStringLiteral("200");
        LineTexts other = paying(all.at(1));
        other[PProduct] = QStringLiteral("大外壳");
        other[PProductNo] = QStringLiteral("C3");
        other[PPrice] = QStringLiteral("2.5");
        LineTexts unit = paying(all.at(2));
        unit[PUnit] = QStringLiteral("打");
        for (const LineTexts& changed : {more, other, unit}) {
            const QString why = refusal([&] { records.saveMonth(month("001", {paying(all.at(3)), changed})); });
            QVERIFY2(why.startsWith(QStringLiteral("生产记录第 2 行与菲票 %1 不符").arg(changed.at(PTicket))),
                     qPrintable(why));
            QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 工资流水")).toInt(), 0);
            QVERIFY(!tickets.ticket(all.at(3).number).isClaimed());
        }
        // Date, remark and the price in force may differ from the order's.
        LineTexts fine = paying(all.at(0), "2008-5-20");
        fine[PRemark] = QStringLiteral("夜班");
        fine[PPrice] = QStringLiteral("0.4");
        records.saveMonth(month("001", {fine}));
        QCOMPARE(tickets.ticket(all.at(0).number).claimedBy, QStringLiteral("001"));

        WorkOrderDraft twice = order("S2");
        twice.productNos = QStringList{"C1", " C2", "C2 "};
        const int before = app.db().scalar(QStringLiteral("SELECT count(*) FROM 菲票")).toInt();
        QCOMPARE(refusal([&] { tickets.createWorkOrder(twice); }), QStringLiteral("工序 C2 重复"));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 菲票")).toInt(), before);
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT count(*) FROM 生产单 WHERE 单号 = 'S2'")).toInt(), 0);

        QCOMPARE(orderStanding(app.db(), id).overpaid, 0);
        // What an earlier version let through: bundle 1's second operation made 上领 as well (an
        // order listing C1 twice), both of its tickets paid, and bundle 2's 上领 paid 200 pieces.
        app.db().exec(QStringLiteral("UPDATE 生产单工序 SET 产品编号 = 'C1', 产品说明 = '上领', 工价 = 0.35 "
                                     "WHERE 生产单id = ? AND 序号 = 2"),
                      {id});
        const QList<BundleTicket> old = tickets.ticketsOf(id);
        records.saveMonth(month("002", {paying(old.at(1)), paying(old.at(2))}));
        app.db().exec(QStringLiteral("UPDATE 工资流水 SET 数量 = 200, 金额 = 70 WHERE 菲票号 = ?"), {old.at(2).number});
        const OrderStanding s = orderStanding(app.db(), id);
        QCOMPARE(s.overpaid, 3);
        QCOMPARE(s.tickets.at(0).overpaid, QStringLiteral("第 1 扎的 上领 共付了 40 件，本扎只有 20 件"));
        QCOMPARE(s.tickets.at(1).overpaid, s.tickets.at(0).overpaid);
        QCOMPARE(s.tickets.at(2).overpaid, QStringLiteral("付了 200 件，本扎只有 20 件"));
        QVERIFY(s.tickets.at(3).overpaid.isEmpty()); // open
        // A product retyped on the line is marked for what it is.
        app.db().exec(QStringLiteral("UPDATE 工资流水 SET 产品 = '大外壳', 数量 = 20 WHERE 菲票号 = ?"),
                      {old.at(2).number});
        QCOMPARE(orderStanding(app.db(), id).tickets.at(2).overpaid,
                 QStringLiteral("付的是 大外壳（件），不是本票的 上领（件）"));
    }

    void twoClerksScanningOneTicketAtOnceOneWins()
    {
        TestApp app;
        seedProducts(app.db());
        BundleTickets tickets(app.db());
        const QList<BundleTicket> all = tickets.ticketsOf(tickets.createWorkOrder(order("S1", {10, 10, 10, 10})));
        const std::unique_ptr<Database> second = app.connect();
        MonthRecords mine(app.db());
        MonthRecords theirs(*second);
        for (int i = 0; i < all.size(); ++i) {
            const BundleTicket& t = all.at(i);
            const QStringList failures = atOnce([&] { mine.saveMonth(month("001", {paying(t)})); },
                                                [&] { theirs.saveMonth(month("002", {paying(t)})); });
            QCOMPARE(failures.size(), 1);
            QVERIFY2(failures.at(0).startsWith(QStringLiteral("该菲票已由 ")), qPrintable(failures.at(0)));
            const BundleTicket now = tickets.ticket(t.number);
            const QString loser = now.claimedBy == QStringLiteral("001") ? "002" : "001";
            QCOMPARE(mine.loadProduction(now.claimedBy, kMay2008).value(0).value(PTicket), t.number);
            QVERIFY(mine.loadProduction(loser, kMay2008).isEmpty());
            QVERIFY(failures.at(0).contains(now.claimedBy));
            // Both months emptied again for the next round: the ticket is open.
            mine.deleteMonth(now.claimedBy, "2008-5");
            QVERIFY(!tickets.ticket(t.number).isClaimed());
        }
    }
};

QTEST_GUILESS_MAIN(TestBundleTickets)
#include "test_bundletickets.moc"
