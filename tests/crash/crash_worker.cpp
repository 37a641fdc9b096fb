#include "CrashRounds.h"

#include <QCoreApplication>

#include <cstdio>

// Runs one maintenance operation on an application directory, for the crash rounds to kill.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: kelvaro_crashworker backup|restore|clear|rekey APPDIR\n", stderr);
        return 64;
    }
    return runCrashWorker(args.at(1), args.at(2));
}
