#include "data/AppPaths.h"
#include "data/Database.h"
#include "data/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The account of the super administrator in the database of a data folder, or "" while the
// database is not (yet) complete.
QString adminAccount(const QString& dataDir)
{
    const AppPaths paths{dataDir, dataDir};
    if (!QFile::exists(paths.database()))
        return {};
    try {
        Database db(paths.database(), dbPass(paths.keyFile()));
        return db.scalar(QStringLiteral("SELECT 账号 FROM 管理员 WHERE id = 1")).toString();
    } catch (const DbError&) {
        return {};
    }
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QString m_deb;
    QTemporaryDir m_root; // the package unpacked, as dpkg would lay it out under /
    QString program() const { return m_root.filePath(QStringLiteral("usr/bin/kelvaro")); }

    // Starts the program on the offscreen platform, waits until it has made its database in
    // `dataDir`, then ends it. HOME and XDG_DATA_HOME point into the temporary folder.
    void startUntilDatabaseIn(const QString& programPath, const QStringList& args, const QString& dataDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), m_root.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("home/.local/share")));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(programPath, args);
        QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(adminAccount(dataDir), QStringLiteral("admin"), 30000);
        QCOMPARE(p.state(), QProcess::Running); // waiting at the login window
        QVERIFY(QFileInfo(dataDir + QStringLiteral("/databak")).isDir());
        // The key material is the installation's own, made on this first start.
        QCOMPARE(QFileInfo(dataDir + QStringLiteral("/kv.dat")).size(), 128);
        p.kill();
        p.waitForFinished();
    }

private slots:
    void initTestCase()
    {
        const QStringList debs = QDir(QStringLiteral(KV_PACKAGE_DIR))
                                     .entryList({QStringLiteral("kelvaro_" KELVARO_VERSION "_*.deb")}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_deb = QStringLiteral(KV_PACKAGE_DIR "/") + debs.first();
        const Run x = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root.path()});
        QVERIFY2(x.exitCode == 0, qPrintable(x.err));
    }

    void containsTheProgramItsFilesAndNoData()
    {
        const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), m_deb});
        QCOMPARE(contents.exitCode, 0);
        QStringList paths;
        for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts))
            paths << line.section(u' ', -1);
        QStringList expected{QStringLiteral("./usr/bin/kelvaro"),
                             QStringLiteral("./usr/lib/kelvaro/modules/kelvaro-windows.so"),
                             QStringLiteral("./usr/share/kelvaro/help/index.html"),
                             QStringLiteral("./usr/share/applications/kelvaro.desktop"),
                             QStringLiteral("./usr/share/icons/hicolor/scalable/apps/kelvaro.svg")};
        for (const int size : {16, 24, 32, 48, 64, 128, 256})
            expected << QStringLiteral("./usr/share/icons/hicolor/%1x%1/apps/kelvaro.png").arg(size);
        for (const QString& path : expected)
            QVERIFY2(paths.contains(path), qPrintable(path));
        // Nothing of a user's data, so installing over an older package leaves the data alone.
        for (const QString& path : paths) {
            QVERIFY2(path.startsWith(QStringLiteral("./usr/")) || path == QStringLiteral("./"), qPrintable(path));
            for (const char* data : {"kv.dat", "data.mdb", "databak", "kelvaro.portable"})
                QVERIFY2(!path.contains(QLatin1String(data)), qPrintable(path));
        }

        // Library dependencies as dpkg-shlibdeps found them, besides the font and the libraries opened
        // when first used, named by hand.
        const Run depends = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QStringLiteral("Depends")});
        for (const char* package : {"libqt6widgets6", "libqt6printsupport6", "libsqlcipher", "libsodium",
                                    "libxlsxwriter", "libc6", "fonts-wqy-microhei", "libpq5", "libzint"})
            QVERIFY2(depends.out.contains(QLatin1String(package)), qPrintable(depends.out));
    }

    // The installed program loads up to its login window only what that needs: the libraries of
    // charts, printing, the server, workbooks and barcodes come with the windows' module, opened
    // at the first login, or when first used; the module lies where the program looks for it and
    // binds every symbol.
    void startUpLoadsOnlyWhatTheLoginNeeds()
    {
        const Run linked = run(QStringLiteral("readelf"), {QStringLiteral("-d"), program()});
        QCOMPARE(linked.exitCode, 0);
        QVERIFY2(linked.out.contains(QStringLiteral("libQt6Widgets")), qPrintable(linked.out));
        for (const char* late : {"libQt6Charts", "libQt6PrintSupport", "libpq", "libxlsxwriter", "libzint"})
            QVERIFY2(!linked.out.contains(QLatin1String(late)), late);

        const QString module =
            QFileInfo(program()).dir().filePath(QStringLiteral("../lib/kelvaro/modules/kelvaro-windows.so"));
        const Run needs = run(QStringLiteral("readelf"), {QStringLiteral("-d"), module});
        QCOMPARE(needs.exitCode, 0);
        for (const char* used : {"libQt6Charts", "libQt6PrintSupport"})
            QVERIFY2(needs.out.contains(QLatin1String(used)), used);
        QLibrary windows(module);
        windows.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        QVERIFY2(windows.resolve("kelvaro_make_workspace"), qPrintable(windows.errorString()));
    }

    // Debian's own checker finds nothing to warn of: changelog, copyright, manual page,
    // description lines, permissions, stripped binary.
    void lintianFindsNoErrorOrWarning()
    {
        const Run lintian = run(QStringLiteral("lintian"), {QStringLiteral("--tag-display-limit=0"), m_deb});
        QVERIFY2(lintian.exitCode == 0 || lintian.exitCode == 2, qPrintable(lintian.err));
        QStringList findings;
        for (const QString& line : lintian.out.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QStringLiteral("E:")) || line.startsWith(QStringLiteral("W:")))
                findings << line;
        }
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join(u'\n')));
        QVERIFY(QFileInfo(m_root.filePath(QStringLiteral("usr/share/man/man1/kelvaro.1.gz"))).isFile());
    }

    void desktopEntryIsValidAndNamesTheInstalledProgramAndIcon()
    {
        const QString entry = m_root.filePath(QStringLiteral("usr/share/applications/kelvaro.desktop"));
        const Run validate = run(QStringLiteral("desktop-file-validate"), {entry});
        QCOMPARE(validate.exitCode, 0);
        QCOMPARE(validate.out + validate.err, QString());

        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QMap<QString, QString> keys;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
        QVERIFY(
            QFileInfo(m_root.filePath(QStringLiteral("usr/bin/") + keys.value(QStringLiteral("Exec")))).isExecutable());
        QVERIFY(QFile::exists(m_root.filePath(
            QStringLiteral("usr/share/icons/hicolor/48x48/apps/%1.png").arg(keys.value(QStringLiteral("Icon"))))));
        QVERIFY(keys.value(QStringLiteral("Categories")).split(u';').contains(QStringLiteral("Office")));
        QVERIFY(keys.value(QStringLiteral("Name")).contains(QStringLiteral("计件工资")));
    }

    void versionAndHelpAnswerWithoutADisplay()
    {
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            bare.remove(QLatin1String(name));
        const Run version = run(program(), {QStringLiteral("--version")}, bare);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QStringLiteral("Kelvaro " KELVARO_VERSION));

        const Run help =
            run(program(), {QStringLiteral("--appdir"), QStringLiteral("/srv/wages"), QStringLiteral("-h")}, bare);
        QCOMPARE(help.exitCode, 0);
        for (const char* text : {"用法", "Usage", "--appdir DIR", "--print-to-pdf DIR", "--version", "/srv/wages"})
            QVERIFY2(help.out.contains(QString::fromUtf8(text)), text);

        // A wrong argument is refused on the terminal too, with or without Qt's own options beside it.
        for (const QStringList& args : {QStringList{QStringLiteral("--appdri"), QStringLiteral("/tmp")},
                                        QStringList{QStringLiteral("-style"), QStringLiteral("fusion"),
                                                    QStringLiteral("--appdri"), QStringLiteral("/tmp")}}) {
            const Run wrong = run(program(), args, bare);
            QCOMPARE(wrong.exitCode, 2);
            QVERIFY2(wrong.err.contains(QStringLiteral("appdri")) && wrong.err.contains(QStringLiteral("--help")),
                     qPrintable(wrong.err));
        }
    }

    void startsAndCreatesItsDatabaseWhereTheDataBelong()
    {
        // --appdir names the data folder.
        const QString chosen = m_root.filePath(QStringLiteral("chosen"));
        startUntilDatabaseIn(program(), {QStringLiteral("--appdir"), chosen}, chosen);
        // Installed, the data go to the user's own folder, never beside the program.
        startUntilDatabaseIn(program(), {}, m_root.filePath(QStringLiteral("home/.local/share/Kelvaro")));
        QVERIFY(!QFile::exists(m_root.filePath(QStringLiteral("usr/bin/data"))));
        // A copy with the marker beside it keeps them in its own folder.
        const QString portable = m_root.filePath(QStringLiteral("portable"));
        QVERIFY(QDir().mkpath(portable));
        QVERIFY(QFile::copy(program(), portable + QStringLiteral("/kelvaro")));
        QFile marker(portable + QStringLiteral("/kelvaro.portable"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        startUntilDatabaseIn(portable + QStringLiteral("/kelvaro"), {}, portable);
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
