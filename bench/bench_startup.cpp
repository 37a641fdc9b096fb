// Start-up to the login window against a Qt hello world, each a whole process of this program
// started anew: `--login DIR` gets the data folder DIR ready and shows the login window as the
// program does, `--hello` shows one label; each quits as soon as its window is shown. The
// first login run makes the database, so every measured run opens an existing one.
#include "app/AppShell.h"
#include "app/LoginWindow.h"
#include "data/AppContext.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {
// Quits once the event loop has run, that is once the window shown before has been laid out.
int quitWhenShown(QApplication& app)
{
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

int showLogin(int argc, char** argv, const QString& dir)
{
    QApplication app(argc, argv);
    kv::AppContext ctx(dir);
    kv::AppShell shell(ctx);
    shell.start();
    return shell.loginWindow() && shell.loginWindow()->isVisible() ? quitWhenShown(app) : 1;
}

int showHello(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel hello(QStringLiteral("你好"));
    hello.show();
    return quitWhenShown(app);
}

void runSelf(benchmark::State& state, const QStringList& args)
{
    for (auto _ : state) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            state.SkipWithError("the run failed");
    }
}

QString& dataFolder()
{
    static QString path;
    return path;
}

void BM_HelloWorld(benchmark::State& state)
{
    runSelf(state, {QStringLiteral("--hello")});
}
BENCHMARK(BM_HelloWorld)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StartUpToLogin(benchmark::State& state)
{
    runSelf(state, {QStringLiteral("--login"), dataFolder()});
}
BENCHMARK(BM_StartUpToLogin)->Unit(benchmark::kMillisecond)->Iterations(20);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--login") == 0)
        return showLogin(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc == 2 && std::strcmp(argv[1], "--hello") == 0)
        return showHello(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    dataFolder() = dir.path();
    QProcess first;
    first.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--login"), dir.path()});
    if (!first.waitForFinished(60000) || first.exitCode() != 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
