#include "app/CommandLine.h"
#include "data/AppLocations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;
using Action = CommandLine::Action;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void commandLineTakesFoldersAndRefusesWhatItDoesNotKnow()
    {
        const auto parse = [](QStringList args) {
            args.prepend(QStringLiteral("kelvaro"));
            return parseCommandLine(args);
        };
        const CommandLine run =
            parse({QStringLiteral("--appdir"), QStringLiteral("/srv/工资"), QStringLiteral("--print-to-pdf=out")});
        QCOMPARE(run.action, Action::Run);
        QCOMPARE(run.appDir, QStringLiteral("/srv/工资"));
        QCOMPARE(run.printToPdfDir, QStringLiteral("out"));
        QCOMPARE(parse({}).appDir, QString());

        // Help and version answer even beside a wrong argument.
        QCOMPARE(parse({QStringLiteral("--nonsense"), QStringLiteral("-h")}).action, Action::ShowHelp);
        QCOMPARE(parse({QStringLiteral("extra"), QStringLiteral("--version")}).action, Action::ShowVersion);

        for (const QStringList& wrong :
             {QStringList{QStringLiteral("--nonsense")}, QStringList{QStringLiteral("extra")},
              QStringList{QStringLiteral("--appdir")}, QStringList{QStringLiteral("--appdir"), QStringLiteral(" ")},
              QStringList{QStringLiteral("--print-to-pdf=")}}) {
            const CommandLine line = parse(wrong);
            QCOMPARE(line.action, Action::Error);
            QVERIFY2(!line.error.isEmpty(), qPrintable(wrong.join(u' ')));
        }

        // Qt's own options are left to Qt, in each of the forms it takes; ours and wrong ones stay.
        const QStringList given{QStringLiteral("kelvaro"),      QStringLiteral("-platform"),
                                QStringLiteral("offscreen"),    QStringLiteral("--appdir"),
                                QStringLiteral("/srv"),         QStringLiteral("--style=fusion"),
                                QStringLiteral("-reverse"),     QStringLiteral("--qwindowtitle"),
                                QStringLiteral("工资"),         QStringLiteral("--bogus")};
        QCOMPARE(withoutToolkitOptions(given),
                 (QStringList{QStringLiteral("kelvaro"), QStringLiteral("--appdir"), QStringLiteral("/srv"),
                              QStringLiteral("--bogus")}));
    }

    // The server comes from --server, else from server.conf in the data folder, else none: the file.
    void serverIsTakenFromTheOptionThenTheConfigFile()
    {
        const auto parse = [](QStringList args) {
            args.prepend(QStringLiteral("kelvaro"));
            return parseCommandLine(args);
        };
        const CommandLine line = parse({QStringLiteral("--server"), QStringLiteral(" postgresql://wages@db/kelvaro ")});
        QCOMPARE(line.action, Action::Run);
        QCOMPARE(line.server, QStringLiteral("postgresql://wages@db/kelvaro"));
        QCOMPARE(parse({QStringLiteral("--server=")}).action, Action::Error);
        const CommandLine setup =
            parse({QStringLiteral("--setup-server"), QStringLiteral("dbname=kelvaro user=postgres")});
        QCOMPARE(setup.action, Action::SetupServer);
        QCOMPARE(setup.setupServer, QStringLiteral("dbname=kelvaro user=postgres"));
        QCOMPARE(parse({QStringLiteral("--setup-server=")}).action, Action::Error);

        QTemporaryDir dir;
        const AppPaths paths{dir.path(), dir.path()};
        QCOMPARE(configuredServer(paths, {}), QString());
        QFile conf(paths.file(QString::fromUtf16(kServerConfig)));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("# 工资服务器\n\n  host=10.0.0.5 dbname=工资 user=wages  \nhost=ignored\n");
        conf.close();
        QCOMPARE(configuredServer(paths, {}), QStringLiteral("host=10.0.0.5 dbname=工资 user=wages"));
        QCOMPARE(configuredServer(paths, line.server), line.server);
    }

    void markerBesideTheProgramDecidesWhereDataAndHelpAre()
    {
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        const QString user = root.filePath(QStringLiteral("home/.local/share/Kelvaro"));
        QVERIFY(QDir().mkpath(bin));

        const AppPaths installed = locateAppPaths(bin, {}, user);
        QCOMPARE(installed.appDir, user);
        QCOMPARE(installed.helpIndex(), root.filePath(QStringLiteral("usr/share/kelvaro/help/index.html")));
        const AppPaths chosen = locateAppPaths(bin, QStringLiteral("relative"), user);
        QCOMPARE(chosen.appDir, QDir(QStringLiteral("relative")).absolutePath());
        QCOMPARE(chosen.shareDir, installed.shareDir);

        QFile marker(bin + u'/' + QString::fromUtf16(kPortableMarker));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        const AppPaths portable = locateAppPaths(bin, {}, user);
        QCOMPARE(portable.appDir, bin);
        QCOMPARE(portable.helpIndex(), bin + QStringLiteral("/help/index.html"));
        QCOMPARE(locateAppPaths(bin, user, user).appDir, user);
        QCOMPARE(locateAppPaths(bin, user, user).shareDir, bin);

        // The data folder is made on first start; a file in its way is reported, not ignored.
        QVERIFY(makeDataFolder(installed));
        QVERIFY(QFileInfo(installed.backupDir()).isDir() && QFileInfo(installed.dataDir()).isDir());
        QFile blocker(root.filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!makeDataFolder(locateAppPaths(bin, blocker.fileName(), user)));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
