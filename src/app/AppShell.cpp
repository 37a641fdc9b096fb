#include "app/AppShell.h"

#include "app/LoginWindow.h"
#include "app/MainWindow.h"
#include "data/AppContext.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "maintenance/Backup.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {
constexpr int kPasswordLength = 11;
}

QString prepareDatabase(const AppContext& ctx)
{
    const AppPaths& paths = ctx.paths();
    if (!QFileInfo::exists(paths.keyFile())) {
        // Without a database the installation is new and gets key material of its own; beside
        // an existing database a new key would only lock the data away (the connection message
        // then names the missing file).
        if (QFileInfo::exists(paths.database()))
            return {};
        if (const QString error = createKeyFile(paths.keyFile()); !error.isEmpty())
            return QStringLiteral("无法生成密钥文件 %1：%2").arg(QDir::toNativeSeparators(paths.keyFile()), error);
    }
    if (ctx.usesServer())
        return {}; // the server's tables are made at the first connect; the key serves its backups
    const QString key = dbPass(paths.keyFile());
    if (key.size() != kPasswordLength)
        return {}; // no usable key material: never create a file with a wrong password
    try {
        createDatabaseIfMissing(paths.database(), key);
    } catch (const DbError& e) {
        return e.message();
    }
    return {};
}

AppShell::AppShell(AppContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx) {}

AppShell::~AppShell()
{
    delete m_main;
    delete m_login;
}

LoginWindow* AppShell::loginWindow() const
{
    return m_login;
}

MainWindow* AppShell::mainWindow() const
{
    return m_main;
}

void AppShell::start()
{
    const QString error = prepareDatabase(m_ctx);
    if (!error.isEmpty())
        ui::message(nullptr, QStringLiteral("无法创建数据库：\n%1").arg(error), QStringLiteral("警告！"),
                    ui::Icon::Warning);
    if (const QString readOnly = m_ctx.usesServer() ? QString() : dataNotWritable(m_ctx.paths()); !readOnly.isEmpty())
        ui::message(nullptr, readOnly, QStringLiteral("警告！"), ui::Icon::Warning);
    showLogin();
}

void AppShell::showLogin()
{
    m_login = new LoginWindow(m_ctx);
    connect(m_login, &LoginWindow::loggedIn, this, &AppShell::onLoggedIn);
    m_login->show();
}

void AppShell::onLoggedIn(const QString& account)
{
    m_ctx.setAccount(account);
    ui::guarded(nullptr, [&] { OperationLog(m_ctx.conn()).recordAlone(QStringLiteral("登录")); });
    if (!m_main) {
        m_main = new MainWindow(m_ctx);
        m_main->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_main, &MainWindow::exitConfirmed, this, &AppShell::exitRequested);
        connect(m_main, &MainWindow::sessionEnded, this, &AppShell::returnToLogin, Qt::QueuedConnection);
    }
    m_main->setAccountCaption(account);
    m_main->show();
    if (m_login)
        m_login->close();
}

void AppShell::returnToLogin()
{
    if (m_main) {
        m_main->rrset = true;
        m_main->close();
        delete m_main;
    }
    showLogin();
}

void AppShell::finish()
{
    // Silent: the user is leaving, and a failed backup leaves nothing worse than before.
    backupOnExit(m_ctx);
}

} // namespace kv
