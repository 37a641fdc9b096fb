#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace kv {
class AppContext;

// The window "login": choose an account, type the password, log in.
class LoginWindow final : public QWidget {
    Q_OBJECT
public:
    explicit LoginWindow(AppContext& ctx, QWidget* parent = nullptr);

    // Checks account and password; on success the context works for the account (its session)
    // and loggedIn is emitted with the stored account name.
    void login();

signals:
    void loggedIn(const QString& account);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadAccounts();

    AppContext& m_ctx;
    QComboBox* m_account;
    QLineEdit* m_password;
};

} // namespace kv
