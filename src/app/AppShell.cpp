#include "app/AppShell.h"

#include "app/LoginWindow.h"
#include "app/MainWindow.h"
#include "data/AppContext.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "ui/MessageBox.h"

namespace kv {

namespace {
constexpr int kPasswordLength = 11;
}

QString prepareDatabase(const AppContext& ctx)
{
    const QString key = dbPass(ctx.paths().keyFile());
    if (key.size() != kPasswordLength)
        return {}; // no usable key material: never create a file with a wrong password
    try {
        createDatabaseIfMissing(ctx.paths().database(), key);
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

} // namespace kv
