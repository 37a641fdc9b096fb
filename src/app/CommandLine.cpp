#include "app/CommandLine.h"

#include "data/AppLocations.h"

#include <QCommandLineParser>
#include <QDir>
#include <QSet>

namespace kv {

CommandLine parseCommandLine(const QStringList& arguments)
{
    // The parser's own help and version options would print Qt's English-only layout; the
    // usage text below is written out in both languages instead.
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption appDir(QStringLiteral("appdir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption pdfDir(QStringLiteral("print-to-pdf"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption server(QStringLiteral("server"), QString(), QStringLiteral("CONNECTION"));
    const QCommandLineOption setup(QStringLiteral("setup-server"), QString(), QStringLiteral("CONNECTION"));
    const QCommandLineOption clerk(QStringLiteral("add-clerk"), QString(), QStringLiteral("NAME"));
    parser.addOptions({help, version, appDir, pdfDir, server, setup, clerk});

    CommandLine result;
    const bool parsed = parser.parse(arguments);
    result.appDir = parser.value(appDir);
    result.printToPdfDir = parser.value(pdfDir);
    result.server = parser.value(server).trimmed();
    result.setupServer = parser.value(setup).trimmed();
    result.addClerk = parser.value(clerk).trimmed();
    if (parser.isSet(help) || parser.isSet(version)) {
        result.action = parser.isSet(help) ? CommandLine::Action::ShowHelp : CommandLine::Action::ShowVersion;
        return result;
    }

    if (!parsed)
        result.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        result.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    for (const QCommandLineOption* folder : {&appDir, &pdfDir}) {
        if (result.error.isEmpty() && parser.isSet(*folder) && parser.value(*folder).trimmed().isEmpty())
            result.error = QStringLiteral("Empty folder after --%1.").arg(folder->names().constFirst());
    }
    if (result.error.isEmpty() && parser.isSet(server) && result.server.isEmpty())
        result.error = QStringLiteral("Empty connection after --server.");
    if (result.error.isEmpty() && parser.isSet(setup) && result.setupServer.isEmpty())
        result.error = QStringLiteral("Empty connection after --setup-server.");
    if (result.error.isEmpty() && parser.isSet(clerk) && (result.addClerk.isEmpty() || !parser.isSet(setup)))
        result.error = result.addClerk.isEmpty() ? QStringLiteral("Empty name after --add-clerk.")
                                                 : QStringLiteral("--add-clerk needs --setup-server CONNECTION.");
    if (!result.error.isEmpty())
        result.action = CommandLine::Action::Error;
    else if (parser.isSet(setup))
        result.action = CommandLine::Action::SetupServer;
    return result;
}

QStringList withoutToolkitOptions(const QStringList& arguments)
{
    // Those of QGuiApplication, its X11 platform and QApplication; Qt takes each with one dash
    // or two, and a value after a space or an equals sign.
    static const QSet<QString> withValue{QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
                                         QStringLiteral("platformtheme"), QStringLiteral("plugin"),
                                         QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
                                         QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
                                         QStringLiteral("session"),       QStringLiteral("display"),
                                         QStringLiteral("geometry"),      QStringLiteral("title"),
                                         QStringLiteral("name"),          QStringLiteral("visual"),
                                         QStringLiteral("style"),         QStringLiteral("stylesheet")};
    static const QSet<QString> flags{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                                     QStringLiteral("dograb"), QStringLiteral("sync")};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (i == 0 || !arg.startsWith(u'-') || arg == QStringLiteral("--")) {
            kept << arg;
            continue;
        }
        const QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1).section(u'=', 0, 0);
        if (flags.contains(name))
            continue;
        if (withValue.contains(name)) {
            if (!arg.contains(u'='))
                ++i; // the value follows as the next argument
            continue;
        }
        kept << arg;
    }
    return kept;
}

QString usageText(const QString& dataFolder)
{
    return QStringLiteral(
               "用法 / Usage: kelvaro [选项 / options]\n"
               "\n"
               "Kelvaro 计件工资：按月登记每位员工的生产和扣减，计算实发工资。\n"
               "Kelvaro piece-rate wages: records each worker's monthly production and deductions\n"
               "and works out the net pay.\n"
               "\n"
               "选项 / Options:\n"
               "  --appdir DIR        数据文件夹用 DIR：数据库、密钥、备份和导出的文件都放在这里。\n"
               "                      Keep the data (database, key, backups, exports) in DIR.\n"
               "  --print-to-pdf DIR  打印不送打印机，每次打印在 DIR 中存为以标题命名的 PDF 文件。\n"
               "                      Print into PDF files named after their titles in DIR\n"
               "                      instead of the printer.\n"
               "  --server CONNECTION 使用 PostgreSQL 服务器上的数据（几位操作员共用），例如\n"
               "                      \"postgresql://wages@192.168.1.10/kelvaro\"；密码写在 ~/.pgpass 中。\n"
               "                      不给时读数据文件夹中的 server.conf（一行连接串），都没有就用数据文件。\n"
               "                      Use the data on a PostgreSQL server (shared by several clerks);\n"
               "                      the password goes into ~/.pgpass. Without it: server.conf in the\n"
               "                      data folder (one connection line), else the data file.\n"
               "  --setup-server CONNECTION\n"
               "                      以服务器的超级用户（例如 postgres）连接，为几位操作员设置数据库：建立或升级\n"
               "                      数据，建所有者角色 <数据库>_<schema>_owner 和操作员角色\n"
               "                      <数据库>_<schema>_clerk，然后退出；新数据库要输入超级管理员的密码。\n"
               "                      Set the server up for several clerks as its superuser: make or upgrade\n"
               "                      the data, the owner role <database>_<schema>_owner and the clerk role\n"
               "                      <database>_<schema>_clerk, then exit; a new database asks for the\n"
               "                      super administrator's password.\n"
               "  --setup-server CONNECTION --add-clerk NAME\n"
               "                      建立操作员的登录角色 NAME（密码从终端或标准输入读两遍）并授予这个数据库的\n"
               "                      操作员角色，然后退出。\n"
               "                      Make the clerk's login role NAME (its password read twice from the\n"
               "                      terminal or standard input), grant it this database's clerk role, exit.\n"
               "  -v, --version       显示版本后退出。\n"
               "                      Show the version and exit.\n"
               "  -h, --help          显示本说明后退出。\n"
               "                      Show this text and exit.\n"
               "\n"
               "数据文件夹 / Data folder:\n"
               "  %1\n"
               "  安装版放在用户的 ~/.local/share/Kelvaro；程序旁有 %2 文件的便携版放在程序所在文件夹；\n"
               "  --appdir 优先。换电脑时，退出程序后把整个数据文件夹复制到新电脑的相同位置。\n"
               "  Installed: the user's ~/.local/share/Kelvaro; a portable copy (a %2 file beside\n"
               "  the program): the program's folder; --appdir wins. To move to another computer,\n"
               "  quit the program and copy the whole data folder to the same place there.")
        .arg(QDir::toNativeSeparators(dataFolder), QString::fromUtf16(kPortableMarker));
}

QString versionText()
{
    return QStringLiteral("Kelvaro " KELVARO_VERSION);
}

} // namespace kv
