#pragma once

#include <QString>
#include <QStringList>

namespace kv {

// What the command line asks the program to do.
struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, SetupServer, Error };
    Action action = Action::Run;
    QString appDir;        // --appdir DIR: the data folder
    QString printToPdfDir; // --print-to-pdf DIR
    QString server;        // --server CONNECTION: a PostgreSQL server instead of the file
    QString setupServer;   // --setup-server CONNECTION: set that server up for clerks, then end
    QString addClerk;      // with --setup-server, --add-clerk NAME: make that clerk's login role
    QString error;         // what is wrong with the arguments (Action::Error)
};

// Reads the arguments (the program's name first). --help and --version win over anything
// else on the line, so they answer even beside an argument that is wrong.
CommandLine parseCommandLine(const QStringList& arguments);

// The arguments without the options that Qt's application object takes out for itself
// (-platform xcb, -style=fusion, --reverse, ...), so that the rest can be judged before a
// window system is needed.
QStringList withoutToolkitOptions(const QStringList& arguments);

// The usage of every option in Chinese and English, naming the data folder of this copy.
QString usageText(const QString& dataFolder);
// "Kelvaro <version>".
QString versionText();

} // namespace kv
