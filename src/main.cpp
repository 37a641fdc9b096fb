#include "app/AppShell.h"
#include "app/CommandLine.h"
#include "app/ProgramIcon.h"
#include "app/WorkspaceModule.h"
#include "data/AppContext.h"
#include "data/AppLocations.h"
#include "data/Error.h"
#include "data/ServerSetup.h"
#include "master/ImportReader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

kv::AppPaths locate(const QString& appDirOption)
{
    return kv::locateAppPaths(QCoreApplication::applicationDirPath(), appDirOption,
                              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// --help and --version answer on the terminal without a window, so they work without a display.
int answerOnTerminal(int argc, char* argv[], const kv::CommandLine& line)
{
    QCoreApplication app(argc, argv);
    if (line.action == kv::CommandLine::Action::ShowVersion)
        print(stdout, kv::versionText());
    else
        print(stdout, kv::usageText(locate(line.appDir).appDir));
    return 0;
}

// One line of standard input without its line end; on a terminal it is not shown as typed.
QString readHiddenLine()
{
    const bool terminal = isatty(STDIN_FILENO) != 0;
    termios before{};
    if (terminal && tcgetattr(STDIN_FILENO, &before) == 0) {
        termios hidden = before;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line += char(c);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.c_str());
}

// A password typed twice (on the terminal, or two lines of standard input); refused when the two
// differ.
kv::PasswordPrompt passwordPrompt(const QString& whose)
{
    return [whose] {
        print(stderr, QStringLiteral("请输入%1的密码：").arg(whose));
        QString first = readHiddenLine();
        print(stderr, QStringLiteral("请再输入一遍："));
        if (readHiddenLine() != first)
            throw kv::InputError(QStringLiteral("两次输入的密码不一样，什么也没有改。"));
        return first;
    };
}

// --setup-server works on the terminal too: it sets the server up (or adds a clerk) and ends.
int setUpServerOnTerminal(int argc, char* argv[], const kv::CommandLine& line)
{
    QCoreApplication app(argc, argv);
    try {
        if (!line.addClerk.isEmpty())
            print(stdout, kv::addClerk(line.setupServer, line.addClerk,
                                       passwordPrompt(QStringLiteral("登录角色 %1").arg(line.addClerk))));
        else
            print(stdout,
                  kv::setupReport(kv::setUpServer(line.setupServer, passwordPrompt(QStringLiteral("超级管理员")))));
        return 0;
    } catch (const kv::Error& e) {
        print(stderr, QStringLiteral("kelvaro: %1").arg(e.userText()));
        return 1;
    }
}

int refuseArguments(const kv::CommandLine& line)
{
    print(
        stderr,
        QStringLiteral("kelvaro: %1\n运行 kelvaro --help 查看用法。 / Run kelvaro --help for usage.").arg(line.error));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // A reader of one file for import, started by the program itself: no window, no display.
    if (argc == 3 && std::strcmp(argv[1], kv::kReadWorkbookOption) == 0)
        return kv::runImportReader(QFile::decodeName(argv[2]));

    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));

    // Help, version and a wrong argument are answered before a window system is needed, so
    // they work without a display; Qt's own options (-platform, -style, ...) are left to it.
    const kv::CommandLine early = kv::parseCommandLine(kv::withoutToolkitOptions(argumentsOf(argc, argv)));
    if (early.action == kv::CommandLine::Action::ShowHelp || early.action == kv::CommandLine::Action::ShowVersion)
        return answerOnTerminal(argc, argv, early);
    if (early.action == kv::CommandLine::Action::SetupServer)
        return setUpServerOnTerminal(argc, argv, early);
    if (early.action == kv::CommandLine::Action::Error)
        return refuseArguments(early);

    QApplication app(argc, argv);
    const kv::CommandLine line = kv::parseCommandLine(QCoreApplication::arguments());
    if (line.action == kv::CommandLine::Action::Error)
        return refuseArguments(line);
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvaro"));
    QApplication::setWindowIcon(kv::programIcon());

    // Chinese throughout: calendars, dates and the buttons of Qt's own dialogs.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    kv::AppContext ctx(locate(line.appDir));
    ctx.setServer(kv::configuredServer(ctx.paths(), line.server));
    if (!line.printToPdfDir.isEmpty())
        ctx.printToPdfDir = QDir(line.printToPdfDir).absolutePath();

    // The windows after the login come from their module, opened at the first login.
    kv::AppShell shell(ctx, kv::makeModuleWorkspace);
    QObject::connect(&shell, &kv::AppShell::exitRequested, &app, &QApplication::quit);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &shell, &kv::AppShell::finish);
    shell.start();
    // For timing the start-up from outside (bench/bench_startup): end once the first window is up.
    if (qEnvironmentVariableIsSet("KELVARO_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
