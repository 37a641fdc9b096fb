#pragma once

#include "app/Workspace.h"

#include <QObject>
#include <QPointer>

namespace kv {
class AppContext;
class LoginWindow;
class MainWindow;

// Runs the program's window sequence: login, then the main window; back to the login after a
// restore or a clearing of the data.
class AppShell final : public QObject {
    Q_OBJECT
public:
    // `makeMain` makes the main window after the first login: the program's opens the module
    // of its windows (WorkspaceModule.h); by default the windows linked in are used.
    explicit AppShell(AppContext& ctx, WorkspaceMaker makeMain = makeLinkedWorkspace, QObject* parent = nullptr);
    ~AppShell() override;

    // Gets the data folder ready (on a first start: key material and database), then shows
    // the login window; ends the program when another copy holds the data folder too long.
    void start();
    // How long start() waits for another copy of the program getting the data folder ready.
    void setStartupWait(int ms) { m_startupWaitMs = ms; }
    // Closes the main window without the exit question and shows a fresh login window.
    void returnToLogin();
    // The program ends normally: when the data changed, today's backup is made if there is none.
    void finish();

    LoginWindow* loginWindow() const;
    // The main window when the windows are linked in (defined beside makeLinkedWorkspace).
    MainWindow* mainWindow() const;

signals:
    void exitRequested();

private:
    void showLogin();
    void onLoggedIn(const QString& account);

    AppContext& m_ctx;
    WorkspaceMaker m_makeMain;
    QPointer<LoginWindow> m_login;
    QPointer<Workspace> m_main;
    int m_startupWaitMs;
};

} // namespace kv
