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

    // Creates the database on first start, then shows the login window.
    void start();
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
};

// On a first start (neither kv.dat nor a database) generates kv.dat; then creates
// data/data.mdb with its tables when it is missing and the key material is present.
// Returns an error text, empty on success or when nothing had to be done.
QString prepareDatabase(const AppContext& ctx);

} // namespace kv
