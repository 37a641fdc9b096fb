#include "TestDb.h"
#include "data/Database.h"
#include "data/MonthlyTotals.h"
#include "master/ImportFile.h"
#include "stats/BankTransfer.h"
#include "stats/CashBreakdown.h"
#include "stats/PayMethod.h"
#include "stats/StatsPeriod.h"
#include "stats/WageStatistics.h"
#include "stats/WorkerYear.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;
using kv::testing::money;
using Unit = NetPayRounding::Unit;
using Mode = NetPayRounding::Mode;

namespace {
struct Staff {
    const char* number;
    const char* name;
    const char* card;   // "" for none
    const char* method; // 发放方式 as stored
};
// 孙八 is to be paid by bank without a card; 周九 pays back more than earned.
const Staff kStaff[] = {
    {"001", "张三", "6222021234567890128", ""},
    {"002", "李四", "", ""},
    {"003", "王五", "6217001234567893", "现金"},
    {"004", "赵六", "622202123452", "银行"},
    {"005", "钱七", "", "现金"},
    {"006", "孙八", "", "银行"},
    {"007", "周九", "62122612345675", ""},
};

void seedStaff(Database& db)
{
    for (const Staff& s : kStaff)
        db.exec(QStringLiteral(
                    "INSERT INTO 员工 (工号, 姓名, 开户银行, 银行卡号, 发放方式) VALUES (?, ?, '工商银行', ?, ?)"),
                {QString::fromUtf8(s.number), QString::fromUtf8(s.name),
                 *s.card ? QVariant(QString::fromUtf8(s.card)) : QVariant(), QString::fromUtf8(s.method)});
}

// A year of lines: amounts of up to four places, so that rounding has work to do; 周九 is
// charged more than he earns in every month.
void seedYear(Database& db, int year, quint32 seed)
{
    QRandomGenerator random(seed);
    for (const Staff& s : kStaff) {
        const QString number = QString::fromUtf8(s.number);
        for (int month = 1; month <= 12; ++month) {
            if (random.bounded(5) == 0)
                continue; // a month without lines
            const QString day = QStringLiteral("%1-%2-%3").arg(year).arg(month, 2, 10, QChar(u'0'));
            for (int i = 0, n = random.bounded(1, 4); i < n; ++i)
                db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES (?, ?, '外壳', ?)"),
                        {number, day.arg(random.bounded(1, 28), 2, 10, QChar(u'0')),
                         Decimal::fromUnits(qint64(random.bounded(1, 300'000)) * 100).toDouble()});
            const qint64 charged =
                number == QStringLiteral("007") ? 40'000'000'000LL : random.bounded(0, 50'000) * 100LL;
            db.exec(QStringLiteral("INSERT INTO 扣减流水 (工号, 日期, 扣减项目, 扣减金额) VALUES (?, ?, '罚款', ?)"),
                    {number, day.arg(28), Decimal::fromUnits(charged).toDouble()});
        }
    }
    // Another year's line belongs to no month of this one.
    db.exec(QStringLiteral("INSERT INTO 工资流水 (工号, 日期, 产品, 金额) VALUES ('001', ?, '外壳', 99)"),
            {QStringLiteral("%1-12-31").arg(year - 1)});
    rebuildMonthlyTotals(db);
}

DateRange monthRange(int year, int month)
{
    return readPeriod(PeriodKind::Month, QStringLiteral("%1-%2").arg(year).arg(month)).range;
}

QList<PayDue> dues(const QList<EmployeeWage>& wages)
{
    QList<PayDue> out;
    for (const EmployeeWage& w : wages)
        out.append({w.id, w.number, w.name, w.netPay()});
    return out;
}
} // namespace

class TestBankTransfer : public QObject {
    Q_OBJECT
private slots:
    // The sheet of each month is the statistics of the month, sorted by how each is paid, the
    // amounts rounded as set and whole 分 when none is; 孙八, to be paid by bank without a card,
    // keeps the sheet from the bank, named; pay of zero or less is left out, named.
    void theSheetIsTheMonthsStatisticsSortedByHowEachIsPaid()
    {
        TestApp app;
        Database& db = app.db();
        seedStaff(db);
        seedYear(db, 2008, 7);
        for (const NetPayRounding rounding :
             {NetPayRounding{}, NetPayRounding{Unit::Jiao, Mode::HalfUp}, NetPayRounding{Unit::Yuan, Mode::Drop}}) {
            const NetPayRounding paidAs = rounding.isNone() ? NetPayRounding{Unit::Fen, Mode::HalfUp} : rounding;
            for (int month = 1; month <= 12; ++month) {
                const QList<EmployeeWage> wages =
                    WageStatistics(db).compute(PeriodKind::Month, monthRange(2008, month));
                const TransferSheet sheet = transferSheet(db, dues(wages), rounding);
                QStringList bank, cash, notPaid, withoutCard;
                Decimal bankSum, cashSum;
                for (const EmployeeWage& w : wages) {
                    const Decimal paid = paidAs.apply(w.netPay());
                    if (paid.isNegative() || paid.isZero())
                        notPaid << w.name;
                    else if (w.name == QStringLiteral("孙八"))
                        withoutCard << w.name;
                    else if (QStringList({"张三", "赵六", "周九"}).contains(w.name)) {
                        bank << w.name + u' ' + paid.plainText();
                        bankSum += paid;
                    } else {
                        cash << w.name + u' ' + paid.plainText();
                        cashSum += paid;
                    }
                }
                QStringList shownBank, shownCash;
                for (const Payment& p : sheet.transfers) {
                    QCOMPARE(p.amount.units() % 10'000, 0); // whole 分
                    shownBank << p.name + u' ' + p.amount.plainText();
                }
                for (const Payment& p : sheet.cash) {
                    QVERIFY(p.card.isEmpty());
                    shownCash << p.name + u' ' + p.amount.plainText();
                }
                QCOMPARE(shownBank, bank);
                QCOMPARE(shownCash, cash);
                QCOMPARE(sheet.notPaid, notPaid);
                QCOMPARE(sheet.withoutCard, withoutCard);
                QCOMPARE(sheet.transferTotal, bankSum);
                QCOMPARE(sheet.cashTotal, cashSum);
                QCOMPARE(sheet.refused(), !withoutCard.isEmpty());
                if (sheet.refused())
                    QVERIFY(transferRefusal(sheet).contains(QStringLiteral("孙八")));
            }
        }
        // The card in full on the sheet, the bank with it; a worker deleted since the run refuses it.
        const QList<EmployeeWage> may = WageStatistics(db).compute(PeriodKind::Month, monthRange(2008, 5));
        db.exec(QStringLiteral("UPDATE 员工 SET 发放方式 = '现金' WHERE 姓名 = '孙八'"));
        TransferSheet sheet = transferSheet(db, dues(may), {});
        for (const Payment& p : sheet.transfers)
            if (p.name == QStringLiteral("张三"))
                QCOMPARE(p.card + u' ' + p.bank, QStringLiteral("6222021234567890128 工商银行"));
        QVERIFY(transferRefusal(sheet).isEmpty());
        db.exec(QStringLiteral("DELETE FROM 员工 WHERE 姓名 = '赵六'"));
        sheet = transferSheet(db, dues(may), {});
        QCOMPARE(sheet.gone, QStringList({"赵六"}));
        QVERIFY(transferRefusal(sheet).contains(QStringLiteral("请重新统计")));
    }

    // Pay day's two sheets split the month between them: every worker paid is in exactly one,
    // the envelopes of 零钞统计 are the cash part of 银行代发 to the 分, and the two totals add up
    // to what the month pays out. A worker with nothing to pay (no lines: net pay zero) is in
    // neither and changes no total.
    void cashAndBankTogetherPayTheMonth()
    {
        TestApp app;
        Database& db = app.db();
        seedStaff(db);
        db.exec("INSERT INTO 员工 (工号, 姓名, 发放方式) VALUES ('008', '吴十', '现金')");
        seedYear(db, 2008, 11);
        const QList<Decimal> notes{money("50"), money("20"), money("5"), money("0.5")};
        for (const NetPayRounding rounding : {NetPayRounding{}, NetPayRounding{Unit::Jiao, Mode::Drop}}) {
            for (int month = 1; month <= 12; ++month) {
                const QList<PayDue> pays = dues(WageStatistics(db).compute(PeriodKind::Month, monthRange(2008, month)));
                const TransferSheet sheet = transferSheet(db, pays, rounding);
                const CashBreakdown cash = breakDownCash(cashPays(sheet), notes, rounding);
                Decimal paidOutSum;
                QStringList everyone;
                for (const PayDue& p : pays) {
                    const Decimal paid = paidOut(rounding, p.netPay);
                    if (paid.isZero() || paid.isNegative() || p.name == QStringLiteral("孙八"))
                        continue;
                    paidOutSum += paid;
                    everyone << p.name;
                }
                QStringList sheets;
                for (const Payment& p : sheet.transfers)
                    sheets << p.name;
                for (const CashEnvelope& e : cash.envelopes) {
                    sheets << e.name;
                    Decimal inNotes = e.remainder;
                    for (int i = 0; i < notes.size(); ++i)
                        inNotes += Decimal::fromUnits(e.counts.at(i) * cash.denominations.at(i).units());
                    QCOMPARE(inNotes, e.paid);
                }
                sheets.sort();
                everyone.sort();
                QCOMPARE(sheets, everyone);
                QCOMPARE(cash.totalPaid, sheet.cashTotal);
                QCOMPARE(cash.totalPaid + sheet.transferTotal, paidOutSum);
                QVERIFY(cash.notPaidInCash.isEmpty());
                QVERIFY(sheet.notPaid.contains(QStringLiteral("吴十")));
            }
        }
        // A zero net pay alone: no envelope, no transfer, nothing paid.
        const qint64 wu = db.scalar("SELECT id FROM 员工 WHERE 工号 = '008'").toLongLong();
        const TransferSheet none = transferSheet(db, {{wu, "008", "吴十", Decimal()}}, {});
        QCOMPARE(none.notPaid, QStringList{"吴十"});
        const CashBreakdown empty = breakDownCash({{"008", "吴十", Decimal()}}, notes, {});
        QVERIFY(empty.envelopes.isEmpty());
        QCOMPARE(empty.notPaidInCash, QStringList{"吴十"});
        QCOMPARE(empty.totals, QList<qint64>(notes.size(), 0));
        QVERIFY(empty.totalPaid.isZero());
    }

    // The CSV file read back as a spreadsheet would: the Chinese intact behind its byte-order
    // mark, each hostile name one field of text that no spreadsheet runs as a formula.
    void hostileNamesComeOutOfTheCsvInert()
    {
        const QStringList names{QStringLiteral("=cmd|' /C calc'!A0"),
                                QStringLiteral("+1+1"),
                                QStringLiteral("-2"),
                                QStringLiteral("@SUM(A1)"),
                                QStringLiteral("张\"三\",逗号"),
                                QStringLiteral("换\n行"),
                                QStringLiteral("\t=1"),
                                QStringLiteral("李四")};
        TransferSheet sheet;
        for (int i = 0; i < names.size(); ++i)
            sheet.transfers.append({QString::number(i), names.at(i), QString(), QStringLiteral("622202123452"),
                                    money("1234.5"), money("1234.5")});
        const QByteArray bytes = transferCsv(sheet, QStringLiteral("=2008-5工资"));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const SourceSheet read = readCsv(bytes);
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.rows.size(), names.size() + 1);
        QCOMPARE(read.rows.at(0).cells, QStringList({"姓名", "卡号", "金额", "备注"}));
        for (int i = 0; i < names.size(); ++i) {
            const QStringList cells = read.rows.at(i + 1).cells;
            QCOMPARE(cells.size(), 4);
            const QString name = names.at(i);
            const bool formula = QStringLiteral("=+-@\t").contains(name.at(0));
            QCOMPARE(cells.at(0), formula ? u'\'' + name : name);
            QCOMPARE(cells.at(1), QStringLiteral("622202123452"));
            QCOMPARE(cells.at(2), QStringLiteral("1234.50"));
            QCOMPARE(cells.at(3), QStringLiteral("'=2008-5工资"));
            for (const QString& cell : cells)
                QVERIFY2(!QStringLiteral("=+-@\t\r").contains(cell.at(0)), qPrintable(cell));
        }

        // Written whole or not at all: a file that cannot be replaced stays as it was.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("银行代发2008-5.csv"));
        QString error;
        QVERIFY(saveTransferCsv(sheet, QString(), path, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(readCsv(file.readAll()).rows.size(), names.size() + 1);
        file.close();
        QVERIFY(!saveTransferCsv(sheet, QString(), dir.filePath(QStringLiteral("无此目录/x.csv")), &error));
        QVERIFY2(error.contains(QStringLiteral("无法保存文件")), qPrintable(error));
    }

    // A worker's year from the monthly totals is, month by month, what twelve statistics runs of
    // the months give, with the year's totals their sums; the paid year sums the rounded months.
    void aWorkersYearIsTwelveMonthRuns()
    {
        TestApp app;
        Database& db = app.db();
        seedStaff(db);
        seedYear(db, 2008, 11);
        // Workers without a line, so that all of them are more than a few, read the other way.
        for (int i = 0; i < 60; ++i)
            db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (?, ?)"),
                    {QStringLiteral("1%1").arg(i), QStringLiteral("新人%1").arg(i)});
        // And one under 王五's number typed with a blank: both are given its months.
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名) VALUES (' 003', '王五二')"));
        QList<qint64> ids;
        Statement st = db.prepare(QStringLiteral("SELECT id FROM 员工 ORDER BY id DESC"));
        while (st.next())
            ids << st.integer(0);
        ids << 999; // gone: left out
        // Open months are paid out as set now.
        const NetPayRounding rounding{Unit::Yuan, Mode::HalfUp};
        setNetPayRounding(db, rounding);
        QList<WorkerYear> years = workerYears(db, 2008, ids);
        QCOMPARE(years.size(), ids.size() - 1);
        QCOMPARE(years.at(61).name, QStringLiteral("周九")); // in the order asked
        QCOMPARE(years.at(0).name, QStringLiteral("王五二"));
        QVERIFY(!years.at(0).production().isZero());
        QCOMPARE(years.at(0).production(), years.at(65).production()); // 王五
        years += workerYears(db, 2008, ids.mid(58, 5));      // a few, one at a time
        QCOMPARE(years.size(), ids.size() - 1 + 5);
        QList<QHash<qint64, EmployeeWage>> months;
        for (int month = 1; month <= 12; ++month) {
            QHash<qint64, EmployeeWage> byId;
            for (const EmployeeWage& w : WageStatistics(db).fromJournals(monthRange(2008, month)))
                byId.insert(w.id, w);
            months << byId;
        }
        for (const WorkerYear& y : years) {
            QCOMPARE(y.months.size(), 12);
            Decimal production, deductions, paid;
            for (int m = 0; m < 12; ++m) {
                const EmployeeWage& w = months.at(m).value(y.id);
                QCOMPARE(y.months.at(m).production, w.production);
                QCOMPARE(y.months.at(m).deductions, w.deductions);
                production += w.production;
                deductions += w.deductions;
                paid += rounding.apply(w.netPay());
            }
            QCOMPARE(y.production(), production);
            QCOMPARE(y.netPay(), production - deductions);
            QCOMPARE(y.paid(), paid);
        }
        // A year without lines is twelve zero months.
        const QList<WorkerYear> empty = workerYears(db, 2010, {ids.at(60)});
        QCOMPARE(empty.size(), 1);
        QVERIFY(empty.first().production().isZero() && empty.first().deductions().isZero());
    }
};

QTEST_GUILESS_MAIN(TestBankTransfer)
#include "test_banktransfer.moc"
