#include "app/LoginWindow.h"

#include "app/Decoration.h"
#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/PgEngine.h"
#include "ui/MessageBox.h"
#include "ui/UserSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

namespace {
const QString kLastAccountKey = QStringLiteral("login/lastAccount");
}

LoginWindow::LoginWindow(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("login"));
    setWindowTitle(QStringLiteral("Kelvaro - 管理员登陆"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("Image1"));
    banner->setPixmap(decorationPixmap(QSize(420, 72), QColor(0x2f, 0x6f, 0xb0), QColor(0x7f, 0xb8, 0xe8)));

    auto* title = new QLabel(QStringLiteral("Kelvaro"), banner);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(titleFont(22));
    title->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    title->setGeometry(24, 14, 380, 44);

    auto* side = new QLabel(this);
    side->setObjectName(QStringLiteral("Image2"));
    side->setPixmap(decorationPixmap(QSize(72, 110), QColor(0xe8, 0xf1, 0xfa), QColor(0xc4, 0xdb, 0xf0)));
    auto* foot = new QLabel(this);
    foot->setObjectName(QStringLiteral("Image3"));
    foot->setPixmap(decorationPixmap(QSize(420, 6), QColor(0x7f, 0xb8, 0xe8), QColor(0x2f, 0x6f, 0xb0)));

    auto* accountLabel = new QLabel(QStringLiteral("账号："), this);
    accountLabel->setObjectName(QStringLiteral("Label2"));
    m_account = new QComboBox(this);
    m_account->setObjectName(QStringLiteral("Combo1"));
    m_account->setEditable(true);
    // Account names are exact and case-sensitive: the box keeps what is typed, letter for
    // letter, and never adds it to the list.
    m_account->setCompleter(nullptr);
    m_account->setInsertPolicy(QComboBox::NoInsert);
    m_account->setMinimumWidth(200);

    auto* passwordLabel = new QLabel(QStringLiteral("密码："), this);
    passwordLabel->setObjectName(QStringLiteral("Label3"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Text1"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    m_password->installEventFilter(this);

    auto* loginButton = new QPushButton(QStringLiteral("登陆"), this);
    loginButton->setObjectName(QStringLiteral("Command1"));
    connect(loginButton, &QPushButton::clicked, this, &LoginWindow::login);

    auto* version = new QLabel(QStringLiteral("版本：V1.0"), this);
    version->setObjectName(QStringLiteral("Label6"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 12);
    grid->addWidget(banner, 0, 0, 1, 4);
    grid->addWidget(side, 1, 0, 3, 1, Qt::AlignCenter);
    grid->addWidget(accountLabel, 1, 1, Qt::AlignRight);
    grid->addWidget(m_account, 1, 2);
    grid->addWidget(passwordLabel, 2, 1, Qt::AlignRight);
    grid->addWidget(m_password, 2, 2);
    grid->addWidget(loginButton, 3, 2, Qt::AlignRight);
    grid->addWidget(version, 4, 1, 1, 2, Qt::AlignLeft);
    // Which server the accounts and data come from, when it is not the data file.
    if (m_ctx.usesServer()) {
        auto* server = new QLabel(QStringLiteral("服务器：") + serverName(m_ctx.server()), this);
        server->setObjectName(QStringLiteral("LabelServer"));
        grid->addWidget(server, 4, 2, Qt::AlignRight);
    }
    grid->addWidget(foot, 5, 0, 1, 4);
    grid->setColumnMinimumWidth(3, 24);
    setFixedSize(sizeHint());
    centreOnScreen(this);

    loadAccounts();
    m_password->setFocus();
}

void LoginWindow::loadAccounts()
{
    ui::connDB(m_ctx, this);
    if (!m_ctx.isConnected())
        return; // an empty list: nobody can log in until the database is reachable
    // Numbers stored twice by earlier versions: told at each start until they are put right.
    if (!m_ctx.duplicateNumbers().isEmpty())
        ui::message(this, m_ctx.duplicateNumbers(), QStringLiteral("警告！"), ui::Icon::Warning);
    ui::guarded(this, [&] {
        m_account->addItems(accountNames(m_ctx.conn()));
        // The account that logged in last on this computer is offered, if it still exists.
        m_account->setCurrentIndex(m_account->findText(ui::userSettings().value(kLastAccountKey).toString()));
    });
}

void LoginWindow::login()
{
    // Data that could not be reached when the window opened (the server down, its password file
    // put right meanwhile) are tried again at each 确定; the account typed stays.
    if (!m_ctx.isConnected()) {
        const QString typed = m_account->currentText();
        loadAccounts();
        if (!m_ctx.isConnected())
            return;
        m_account->setCurrentText(typed);
    }
    std::optional<Session> session;
    if (!ui::guarded(this, [&] { session = logIn(m_ctx.conn(), m_account->currentText(), m_password->text()); }))
        return;
    if (!session) {
        ui::message(this, QStringLiteral("错误的账号或密码！"));
        return;
    }
    ui::userSettings().setValue(kLastAccountKey, session->account());
    m_ctx.setSession(*session);
    emit loggedIn(session->account());
}

bool LoginWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_password && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            login();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
