#pragma once

#include <QString>
#include <QStringList>

// Kills maintenance at random moments and starts the program after each kill, as a user whose
// computer lost power would: the worker program (crash_worker.cpp) runs one operation on a copy
// of a prepared application directory; the round kills it with SIGKILL somewhere between the
// start of the operation and its end, then prepares the folder and opens the data as a start
// does, and checks that the data open, read whole and are the data before or after the operation.

enum class CrashOp { Backup, Restore, Clear, Rekey };

QString crashOpName(CrashOp op);

struct CrashReport {
    int rounds = 0;
    int killed = 0;         // rounds whose worker was killed before it finished
    qint64 operationUs = 0; // how long the operation took uninterrupted
    QStringList failures;   // one line for every start that did not open the data as they should be
};

// Prepares the template directory under `workDir` once per operation, its data `lines`
// production lines long, and runs `rounds` kills at moments drawn from `seed`. `worker` is the
// path of the worker program.
CrashReport runCrashRounds(const QString& worker, CrashOp op, int rounds, quint32 seed, const QString& workDir,
                           int lines);

// Entry point of the worker program: "<op> <appdir>"; returns the exit code (0 when the
// operation ran to its end).
int runCrashWorker(const QString& op, const QString& appDir);
