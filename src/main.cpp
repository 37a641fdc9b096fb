#include "app/AppShell.h"
#include "data/AppContext.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvaro"));

    // Chinese throughout: calendars, dates and the buttons of Qt's own dialogs.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption appDir(QStringLiteral("appdir"), QStringLiteral("Application directory."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption pdfDir(QStringLiteral("print-to-pdf"), QStringLiteral("Print into PDF files in DIR."),
                                    QStringLiteral("DIR"));
    parser.addOption(appDir);
    parser.addOption(pdfDir);
    parser.process(app);

    const QString dir = parser.isSet(appDir) ? parser.value(appDir) : QCoreApplication::applicationDirPath();
    kv::AppContext ctx(QDir(dir).absolutePath());
    if (parser.isSet(pdfDir))
        ctx.printToPdfDir = QDir(parser.value(pdfDir)).absolutePath();

    kv::AppShell shell(ctx);
    QObject::connect(&shell, &kv::AppShell::exitRequested, &app, &QApplication::quit);
    shell.start();
    return app.exec();
}
