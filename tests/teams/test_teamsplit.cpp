#include "TestDb.h"
#include "data/Error.h"
#include "teams/TeamSplit.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace kv;
using kv::testing::money;

namespace {
Decimal fromUnits(qint64 units)
{
    return Decimal::fromUnits(units);
}

QHash<QString, Decimal> sharesByNumber(const TeamSplit& split)
{
    QHash<QString, Decimal> out;
    for (const SplitShare& s : split.shares)
        out.insert(s.employeeNo, s.share);
    return out;
}
} // namespace

class TestTeamSplit : public QObject {
    Q_OBJECT
private slots:
    // Three members by days × day rate, worked by hand: weights 4,680, 4,900 and 3,200 of 12,780.
    // 1,250 pieces at 6.8321 make 8,540.125, paid 8,540.13; the cut shares 3,127.37, 3,274.38 and
    // 2,138.37 leave one 分, which goes to the largest remainder (0.474 of a 分, the second).
    void handWorkedTable()
    {
        const Decimal total = money("1250") * money("6.8321");
        QCOMPARE(total, money("8540.125"));
        const QList<SplitMember> members{{"003", splitWeight(SplitRule::DaysByRate, money("26"), money("180"), {})},
                                         {"005", splitWeight(SplitRule::DaysByRate, money("24.5"), money("200"), {})},
                                         {"007", splitWeight(SplitRule::DaysByRate, money("20"), money("160"), {})}};
        const TeamSplit split = splitTeamPay(total, members);
        QCOMPARE(split.total, money("8540.13"));
        QCOMPARE(split.weightSum, money("12780"));
        QCOMPARE(split.shares.size(), 3);
        QCOMPARE(split.shares.at(0).exact, money("3127.371549"));
        QCOMPARE(split.shares.at(1).exact, money("3274.384741"));
        QCOMPARE(split.shares.at(2).exact, money("2138.373708"));
        QCOMPARE(split.shares.at(0).share, money("3127.37"));
        QCOMPARE(split.shares.at(1).share, money("3274.39"));
        QCOMPARE(split.shares.at(2).share, money("2138.37"));
        QCOMPARE(split.shares.at(1).roundedUp, true);
        QVERIFY(!split.shares.at(0).roundedUp && !split.shares.at(2).roundedUp);

        // A round total: 10,000.00 gives 3,661.97, 3,834.12 (remainder 0.58) and 2,503.91.
        const TeamSplit round = splitTeamPay(money("10000"), members);
        QCOMPARE(round.shares.at(0).share, money("3661.97"));
        QCOMPARE(round.shares.at(1).share, money("3834.12"));
        QCOMPARE(round.shares.at(2).share, money("2503.91"));
    }

    // Equal remainders give the 分 to the lower numbers, whatever order the members come in and
    // however their numbers are written ("9" before "10").
    void tiesGoToTheLowerNumber()
    {
        QList<SplitMember> members{{"10", money("1")}, {"9", money("1")}, {"011", money("1")}};
        for (int turn = 0; turn < 3; ++turn) {
            std::rotate(members.begin(), members.begin() + 1, members.end());
            const auto shares = sharesByNumber(splitTeamPay(money("0.02"), members));
            QCOMPARE(shares.value("9"), money("0.01"));
            QCOMPARE(shares.value("10"), money("0.01"));
            QCOMPARE(shares.value("011"), money("0"));
        }
        // Equal points over a total that divides evenly: nobody is rounded.
        const TeamSplit even = splitTeamPay(money("300"), {{"1", money("2")}, {"2", money("2")}, {"3", money("2")}});
        for (const SplitShare& s : even.shares) {
            QCOMPARE(s.share, money("100"));
            QVERIFY(!s.roundedUp);
        }
    }

    // Random team totals among 1 to 40 members with random days and rates: the shares add up to
    // the total to the 分 and each lies within one 分 of total × weight ÷ Σ weight, checked by
    // cross-multiplying in whole numbers; a member without days gets nothing. Members given in
    // another order get the same shares.
    void randomSplitsAddUpAndStayWithinOneFen()
    {
        QRandomGenerator rng(20261208);
        for (int run = 0; run < 3000; ++run) {
            const int n = 1 + int(rng.bounded(40));
            const SplitRule rule = SplitRule(rng.bounded(3));
            QList<SplitMember> members;
            for (int i = 0; i < n; ++i) {
                const Decimal days = fromUnits(qint64(rng.bounded(3200)) * 10'000);         // 0–31.99 days
                const Decimal rate = fromUnits(qint64(8000 + rng.bounded(50000)) * 10'000); // 80–579.99
                const Decimal points = fromUnits(qint64(rng.bounded(1000)) * 100'000);      // 0–99.9
                members.append({QString::number(1000 + i), splitWeight(rule, days, rate, points)});
            }
            if (std::all_of(members.cbegin(), members.cend(), [](const SplitMember& m) { return m.weight.isZero(); }))
                members[0].weight = money("1");
            // Totals up to ten million with up to six places, as quantities × prices make them.
            const Decimal total = fromUnits(qint64(rng.generate64() % 10'000'000'000'000ULL));
            const TeamSplit split = splitTeamPay(total, members);

            QCOMPARE(split.shares.size(), n);
            Decimal sum;
            const __int128 fen = split.total.units() / 10'000;
            QVERIFY(qAbs(split.total.units() - total.units()) <= 5'000);
            for (qsizetype i = 0; i < n; ++i) {
                const SplitShare& s = split.shares.at(i);
                QCOMPARE(s.employeeNo, members.at(i).employeeNo);
                QCOMPARE(s.share.units() % 10'000, 0);
                sum += s.share;
                const __int128 paid = __int128(s.share.units() / 10'000) * split.weightSum.units();
                const __int128 exact = fen * members.at(i).weight.units();
                const __int128 gap = paid > exact ? paid - exact : exact - paid;
                QVERIFY2(gap < __int128(split.weightSum.units()),
                         qPrintable(QStringLiteral("run %1 member %2").arg(run).arg(i)));
                if (members.at(i).weight.isZero())
                    QVERIFY(s.share.isZero());
            }
            QCOMPARE(sum, split.total);

            if (run % 50 == 0) {
                QList<SplitMember> reversed(members.crbegin(), members.crend());
                QCOMPARE(sharesByNumber(splitTeamPay(total, reversed)), sharesByNumber(split));
            }
        }
    }

    void refusesWhatCannotBeSplit()
    {
        QVERIFY_THROWS_EXCEPTION(InputError, splitTeamPay(money("10"), {}));
        QVERIFY_THROWS_EXCEPTION(InputError, splitTeamPay(money("10"), {{"1", money("0")}, {"2", money("0")}}));
        QVERIFY_THROWS_EXCEPTION(InputError, splitTeamPay(money("10"), {{"1", money("1")}, {"1", money("2")}}));
        QVERIFY_THROWS_EXCEPTION(InputError, splitWeight(SplitRule::Days, money("-1"), {}, {}));
        // Nothing to pay among members without days is no fault: everybody gets 0.
        const TeamSplit none = splitTeamPay(money("0"), {{"1", money("0")}});
        QCOMPARE(none.shares.at(0).share, money("0"));
        // A negative total (a returned batch taken back) is split the same way, every share ≤ 0.
        const TeamSplit back = splitTeamPay(money("-0.02"), {{"1", money("1")}, {"2", money("1")}, {"3", money("1")}});
        QCOMPARE(back.shares.at(0).share + back.shares.at(1).share + back.shares.at(2).share, money("-0.02"));
        QCOMPARE(back.shares.at(2).share, money("0"));
    }
};

QTEST_GUILESS_MAIN(TestTeamSplit)
#include "test_teamsplit.moc"
