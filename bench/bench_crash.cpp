// Kills backup, restore, clearing and the key change at random moments, many rounds each, and
// starts the program's data after every kill: reports how many starts opened the data as they
// should be. Usage: kelvaro_bench_crash [ROUNDS] [SEED] [LINES]
#include "CrashRounds.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int rounds = args.size() > 1 ? args.at(1).toInt() : 50;
    const quint32 seed = args.size() > 2 ? args.at(2).toUInt() : std::random_device{}();
    const int lines = args.size() > 3 ? args.at(3).toInt() : 12000;
    QTemporaryDir work;
    int failed = 0;
    std::printf("seed %u, %d rounds per operation, %d production lines\n", seed, rounds, lines);
    for (const CrashOp op : {CrashOp::Backup, CrashOp::Restore, CrashOp::Clear, CrashOp::Rekey}) {
        const CrashReport report =
            runCrashRounds(QStringLiteral(KV_CRASH_WORKER), op, rounds, seed, work.path(), lines);
        std::printf("%-8s operation %7.1f ms  killed %3d of %3d  starts that opened the data %3d of %3d\n",
                    qPrintable(crashOpName(op)), double(report.operationUs) / 1000.0, report.killed, report.rounds,
                    report.rounds - int(report.failures.size()), report.rounds);
        for (const QString& failure : report.failures)
            std::printf("  %s\n", qPrintable(failure));
        failed += int(report.failures.size());
        std::fflush(stdout);
    }
    return failed == 0 ? 0 : 1;
}
