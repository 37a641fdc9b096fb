#include "app/AppShell.h"

#include "app/LoginWindow.h"
#include "data/AppContext.h"
#include "data/OperationLog.h"
#include "maintenance/Backup.h"
#include "maintenance/DataFolder.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace kv {

AppShell::AppShell(AppContext& ctx, WorkspaceMaker makeMain, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_makeMain(std::move(makeMain)), m_startupWaitMs(kStartupWaitMs)
{
}

AppShell::~AppShell()
{
    delete m_main;
    delete m_login;
}

LoginWindow* AppShell::loginWindow() const
{
    return m_login;
}

void AppShell::start()
{
    StartupOutcome prepared = prepareDataFolder(m_ctx, m_startupWaitMs);
    if (prepared.busy) {
        // Another copy is still making or upgrading the data: this one leaves it alone.
        ui::message(nullptr, prepared.error, QStringLiteral("警告！"), ui::Icon::Warning);
        QMetaObject::invokeMethod(this, &AppShell::exitRequested, Qt::QueuedConnection);
        return;
    }
    if (!prepared.error.isEmpty())
        ui::message(nullptr, QStringLiteral("无法创建数据库：\n%1").arg(prepared.error), QStringLiteral("警告！"),
                    ui::Icon::Warning);
    if (!prepared.keyError.isEmpty())
        ui::message(
            nullptr,
            QStringLiteral("数据文件没能换用新的密钥，它照常可用，下次启动时会再试。\n%1").arg(prepared.keyError),
            QStringLiteral("警告！"), ui::Icon::Warning);
    if (!prepared.copiesKeyError.isEmpty())
        ui::message(nullptr,
                    QStringLiteral("有的备份还在用旧的密钥（旧密码能打开它），下次启动时会再试。\n%1")
                        .arg(prepared.copiesKeyError),
                    QStringLiteral("警告！"), ui::Icon::Warning);
    else if (!prepared.rekeyedCopies.isEmpty())
        ui::message(
            nullptr,
            QStringLiteral("数据文件已换用由 kv.dat 全部内容生成的新密钥，备份文件夹里 %1 份旧密钥的备份和安全副本"
                           "也已换成新密钥：旧密码再也打不开任何一份。备份照常可以恢复。")
                .arg(prepared.rekeyedCopies.size()),
            QStringLiteral("密钥已更新"), ui::Icon::Information);
    if (const QString readOnly = m_ctx.usesServer() ? QString() : dataNotWritable(m_ctx.paths()); !readOnly.isEmpty())
        ui::message(nullptr, readOnly, QStringLiteral("警告！"), ui::Icon::Warning);
    // The login goes on with the file as the start opened it: kv.dat read and the file opened once.
    m_ctx.adoptConnection(std::move(prepared.opened));
    showLogin();
}

void AppShell::showLogin()
{
    // Nobody works until the next login; a failed attempt is logged for nobody.
    m_ctx.setSession(Session());
    m_login = new LoginWindow(m_ctx);
    connect(m_login, &LoginWindow::loggedIn, this, &AppShell::onLoggedIn);
    m_login->show();
}

void AppShell::onLoggedIn(const QString& account)
{
    ui::guarded(nullptr, [&] { OperationLog(m_ctx.conn()).recordAlone(QStringLiteral("登录")); });
    if (!m_main) {
        QString error;
        m_main = m_makeMain(m_ctx, &error);
        if (!m_main) {
            // The login window stays: nothing was changed, and the user reads why.
            ui::message(m_login, error, QStringLiteral("警告！"), ui::Icon::Critical);
            return;
        }
        m_main->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_main, &Workspace::exitConfirmed, this, &AppShell::exitRequested);
        connect(m_main, &Workspace::sessionEnded, this, &AppShell::returnToLogin, Qt::QueuedConnection);
    }
    m_main->setAccountCaption(account);
    m_main->show();
    if (m_login)
        m_login->close();
}

void AppShell::returnToLogin()
{
    if (m_main) {
        m_main->closesWithoutQuestion = true;
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
