#include "CrashRounds.h"

#include <QTemporaryDir>
#include <QTest>

#include <random>

// Backup, restore, clearing and the key change killed at random moments (ten times each): every
// start after a kill opens the data, whole, as they were before or after the operation. The moments
// differ from run to run; KV_CRASH_SEED repeats a run's.
class TestCrashRounds : public QObject {
    Q_OBJECT
private slots:
    void everyStartAfterAKillOpensTheData_data()
    {
        QTest::addColumn<int>("op");
        for (const CrashOp op : {CrashOp::Backup, CrashOp::Restore, CrashOp::Clear, CrashOp::Rekey})
            QTest::newRow(qPrintable(crashOpName(op))) << int(op);
    }

    void everyStartAfterAKillOpensTheData()
    {
        QFETCH(int, op);
        constexpr int kRounds = 10;
        constexpr int kLines = 1500; // small data: the suite stays quick; bench_crash runs more
        const quint32 seed = qEnvironmentVariableIsSet("KV_CRASH_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("KV_CRASH_SEED"))
                                 : std::random_device{}();
        QTemporaryDir work;
        const CrashReport report =
            runCrashRounds(QStringLiteral(KV_CRASH_WORKER), CrashOp(op), kRounds, seed, work.path(), kLines);
        qInfo("%s: seed %u, operation %lld µs, %d of %d rounds killed", qPrintable(crashOpName(CrashOp(op))), seed,
              report.operationUs, report.killed, report.rounds);
        QVERIFY2(report.failures.isEmpty(), qPrintable(report.failures.join(u'\n')));
        QCOMPARE(report.rounds, kRounds);
        // Moments spread over the operation and the worker's exit: some rounds cut it short (how
        // many depends on the machine's load; the benchmark counts them over more rounds).
        QVERIFY2(report.killed >= 1, qPrintable(QString::number(report.killed)));
    }
};

QTEST_GUILESS_MAIN(TestCrashRounds)
#include "test_crashrounds.moc"
