#pragma once

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
    explicit AppShell(AppContext& ctx, QObject* parent = nullptr);
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
    MainWindow* mainWindow() const;

signals:
    void exitRequested();

private:
    void showLogin();
    void onLoggedIn(const QString& account);

    AppContext& m_ctx;
    QPointer<LoginWindow> m_login;
    QPointer<MainWindow> m_main;
    int m_startupWaitMs;
};

} // namespace kv
