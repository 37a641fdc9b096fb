#include "TestDb.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "lists/AdminAccounts.h"
#include "stats/CashBreakdown.h"
#include "stats/PayMethod.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

using namespace kv;
using kv::testing::money;
using Unit = NetPayRounding::Unit;
using Mode = NetPayRounding::Mode;

namespace {
// The model: the largest note that still fits is taken out of the envelope, one at a time,
// counted in 分.
QList<qint64> modelCounts(qint64 fen, const QList<qint64>& notesFen, qint64* restFen)
{
    QList<qint64> counts(notesFen.size(), 0);
    for (;;) {
        int taken = -1;
        for (int i = 0; i < notesFen.size(); ++i)
            if (notesFen.at(i) <= fen && (taken < 0 || notesFen.at(i) > notesFen.at(taken)))
                taken = i;
        if (taken < 0)
            break;
        fen -= notesFen.at(taken);
        ++counts[taken];
    }
    *restFen = fen;
    return counts;
}
// The brute-force model of the fewest notes: every way of paying up to `largest` 分 with the
// notes, the best way for each amount: the most paid, then the fewest notes, then the larger
// notes (counts compared largest kind first).
struct Way {
    qint64 notes = -1; // -1: no way found yet
    QList<qint64> counts;
};

QList<Way> everyWay(const QList<qint64>& notesFen, qint64 largest)
{
    QList<Way> best(largest + 1);
    QList<qint64> counts(notesFen.size(), 0);
    const std::function<void(int, qint64, qint64)> tryFrom = [&](int kind, qint64 sum, qint64 notes) {
        if (kind == notesFen.size()) {
            Way& way = best[sum];
            if (way.notes < 0 || notes < way.notes || (notes == way.notes && counts > way.counts))
                way = {notes, counts};
            return;
        }
        for (qint64 c = 0; sum + c * notesFen.at(kind) <= largest; ++c) {
            counts[kind] = c;
            tryFrom(kind + 1, sum + c * notesFen.at(kind), notes + c);
        }
        counts[kind] = 0;
    };
    tryFrom(0, 0, 0);
    return best;
}
} // namespace

class TestCashBreakdown : public QObject {
    Q_OBJECT
private slots:
    // Random net pays of a month: every envelope matches the model note by note, adds up to
    // its paid figure, and the totals per denomination add up to the paid sum to the cent.
    void envelopesMatchTheModelAndAddUp()
    {
        QRandomGenerator random(2027);
        for (const NetPayRounding rounding :
             {NetPayRounding{}, NetPayRounding{Unit::Jiao, Mode::HalfUp}, NetPayRounding{Unit::Yuan, Mode::Drop}}) {
            QList<ShownPay> pays;
            for (int i = 0; i < 300; ++i)
                pays.append({QString::number(i), QStringLiteral("工%1").arg(i),
                             Decimal::fromUnits(qint64(random.bounded(9'000'000'000.0)) - 1'000'000'000)});
            const CashBreakdown cash = breakDownCash(pays, defaultDenominations(), rounding);
            QList<qint64> notesFen;
            for (const Decimal d : cash.denominations)
                notesFen << d.units() / 10'000;
            QCOMPARE(cash.envelopes.size() + cash.notPaidInCash.size(), pays.size());
            Decimal paidSum;
            QList<qint64> totals(notesFen.size(), 0);
            for (const CashEnvelope& e : cash.envelopes) {
                QCOMPARE(e.paid, paidOut(rounding, e.netPay));
                QVERIFY(!e.paid.isNegative() && !e.paid.isZero());
                qint64 restFen = 0;
                QCOMPARE(e.counts, modelCounts(e.paid.units() / 10'000, notesFen, &restFen));
                // What is below a 分 stays in the remainder with the fen the notes could not pay.
                QCOMPARE(e.remainder, Decimal::fromUnits(restFen * 10'000 + e.paid.units() % 10'000));
                Decimal inNotes = e.remainder;
                for (int i = 0; i < notesFen.size(); ++i) {
                    inNotes += Decimal::fromUnits(e.counts.at(i) * cash.denominations.at(i).units());
                    totals[i] += e.counts.at(i);
                }
                QCOMPARE(inNotes, e.paid);
                paidSum += e.paid;
            }
            QCOMPARE(cash.totals, totals);
            QCOMPARE(cash.totalPaid, paidSum);
            Decimal byDenomination = cash.totalRemainder;
            for (int i = 0; i < notesFen.size(); ++i)
                byDenomination += Decimal::fromUnits(cash.totals.at(i) * cash.denominations.at(i).units());
            QCOMPARE(byDenomination, cash.totalPaid);
        }
        // 188.80 in the usual notes; a negative pay gets no envelope.
        const CashBreakdown one =
            breakDownCash({{"1", "张三", money("188.8")}, {"2", "李四", money("-3")}}, defaultDenominations(), {});
        QCOMPARE(one.envelopes.first().counts, QList<qint64>({1, 1, 1, 1, 1, 3, 1, 3}));
        QCOMPARE(one.notPaidInCash, QStringList({"李四"}));
    }

    // For random sets of denominations, every amount up to 15 元 is broken down as the brute-force
    // model does: the most that can be paid, in the fewest notes; the rest is the remainder and the
    // worker is named. The notes are small enough for the amounts to reach past the point from
    // which the breakdown takes out the largest notes first.
    void fewestNotesForAnyDenominations()
    {
        // With notes of 50 and 20, 60 is three 20s, and 30 cannot be paid exactly.
        const CashBreakdown sixty =
            breakDownCash({{"1", "张三", money("60")}, {"2", "李四", money("30")}}, {money("50"), money("20")}, {});
        QCOMPARE(sixty.envelopes.at(0).counts, QList<qint64>({0, 3}));
        QCOMPARE(sixty.envelopes.at(1).counts, QList<qint64>({0, 1}));
        QCOMPARE(sixty.envelopes.at(1).remainder, money("10"));
        QCOMPARE(sixty.inexact, QStringList{"李四"});

        QRandomGenerator random(4242);
        for (int set = 0; set < 25; ++set) {
            QList<qint64> notesFen;
            const int kinds = random.bounded(1, 4);
            while (notesFen.size() < kinds)
                if (const qint64 n = random.bounded(5, 26); !notesFen.contains(n))
                    notesFen << n;
            std::sort(notesFen.begin(), notesFen.end(), std::greater<>());
            QList<Decimal> denominations;
            for (const qint64 n : notesFen)
                denominations << Decimal::fromUnits(n * 10'000);
            constexpr qint64 kLargest = 1500;
            const QList<Way> model = everyWay(notesFen, kLargest);
            QList<ShownPay> pays;
            for (qint64 fen = 1; fen <= kLargest; ++fen)
                pays.append({QString::number(fen), QString::number(fen), Decimal::fromUnits(fen * 10'000)});
            const CashBreakdown cash = breakDownCash(pays, denominations, {});
            QCOMPARE(cash.envelopes.size(), pays.size());
            QStringList inexact;
            for (qint64 fen = 1; fen <= kLargest; ++fen) {
                qint64 paid = fen;
                while (model.at(paid).notes < 0)
                    --paid;
                const CashEnvelope& e = cash.envelopes.at(fen - 1);
                QVERIFY2(
                    e.counts == model.at(paid).counts,
                    qPrintable(QStringLiteral("%1 分 in notes of %2").arg(fen).arg(denominationsText(denominations))));
                QCOMPARE(e.remainder, Decimal::fromUnits((fen - paid) * 10'000));
                if (paid != fen)
                    inexact << e.name;
            }
            QCOMPARE(cash.inexact, inexact);
        }
    }

    // The denominations are kept with the data; faulty ones are refused whole and named.
    void denominationsAreSetCheckedAndKept()
    {
        TestApp app;
        Database& db = app.db();
        QCOMPARE(cashDenominations(db), defaultDenominations());
        QCOMPARE(denominationsText(defaultDenominations()), QStringLiteral("100 50 20 10 5 1 0.5 0.1"));
        setCashDenominations(db, " 0.5、100，20 10 , 5 1 ");
        QCOMPARE(denominationsText(cashDenominations(*app.connect())), QStringLiteral("100 20 10 5 1 0.5"));
        QCOMPARE(denominationName(money("0.5")), QStringLiteral("5角"));
        QCOMPARE(denominationName(money("0.02")), QStringLiteral("2分"));
        for (const auto& [typed, says] : {std::pair{"100 abc", "面额“abc”不正确"}, {"100 0", "面额“0”不正确"},
                                          {"100 -5", "面额“-5”不正确"}, {"0.005", "面额“0.005”不正确"},
                                          {"50 50", "面额“50”重复了"}, {"  ", "请填写面额"}}) {
            try {
                setCashDenominations(db, QString::fromUtf8(typed));
                QFAIL(typed);
            } catch (const InputError& e) {
                QVERIFY2(e.message().contains(QString::fromUtf8(says)), qPrintable(e.message()));
            }
        }
        QCOMPARE(denominationsText(cashDenominations(db)), QStringLiteral("100 20 10 5 1 0.5"));
        int logged = 0;
        for (const LogEntry& e : OperationLog(db).entries())
            logged += e.action == QStringLiteral("零钞面额");
        QCOMPARE(logged, 1);

        AdminAccounts accounts(db);
        accounts.add("clerk", "c1");
        accounts.change(db.scalar("SELECT id FROM 管理员 WHERE 账号 = 'clerk'").toLongLong(),
                        AccountChange{"clerk", {}, {}, Right::Statistics | Right::MasterData});
        app.logInAs("clerk");
        QVERIFY_THROWS_EXCEPTION(InputError, setCashDenominations(db, "100"));
        QCOMPARE(denominationsText(cashDenominations(db)), QStringLiteral("100 20 10 5 1 0.5"));
    }
};

QTEST_GUILESS_MAIN(TestCashBreakdown)
#include "test_cashbreakdown.moc"
