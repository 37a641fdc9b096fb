#include "lists/AccountWindow.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "lists/AdminAccounts.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

namespace {
QLineEdit* passwordBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    return box;
}
} // namespace

AccountWindow::AccountWindow(AppContext& ctx, QWidget* parent)
    : ListEditWindow(ctx,
                     {QStringLiteral("管理员Frm"), QStringLiteral("管理员设置"), QStringLiteral("添加"),
                      QStringLiteral("修改账号"), QStringLiteral("删除")},
                     parent),
      m_ctx(ctx)
{
    QWidget* panel = nameBox()->parentWidget();
    m_password = passwordBox(QStringLiteral("Text1"), panel);
    m_repeat = passwordBox(QStringLiteral("Text3"), panel);
    m_oldPassword = passwordBox(QStringLiteral("Text4"), panel);
    const QStringList labels{QStringLiteral("账号："), QStringLiteral("密码："), QStringLiteral("确认密码："),
                             QStringLiteral("原密码："), QStringLiteral("权限：")};
    for (int row = 0; row < labels.size(); ++row) {
        auto* label = new QLabel(labels.at(row), panel);
        label->setObjectName(QStringLiteral("Label%1").arg(row + 1));
        panelFields()->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignTop);
    }
    panelFields()->addWidget(m_password, 1, 1);
    panelFields()->addWidget(m_repeat, 2, 1);
    panelFields()->addWidget(m_oldPassword, 3, 1);
    auto* rightsBox = new QWidget(panel);
    auto* rightsGrid = new QGridLayout(rightsBox);
    rightsGrid->setContentsMargins(0, 0, 0, 0);
    const QList<Right> rights = allRights();
    for (int i = 0; i < rights.size(); ++i) {
        auto* box = new QCheckBox(rightName(rights.at(i)), rightsBox);
        box->setObjectName(QStringLiteral("CheckRight_%1").arg(i));
        rightsGrid->addWidget(box, i / 2, i % 2);
        m_rights << box;
    }
    panelFields()->addWidget(rightsBox, 4, 1);
    setTabOrder(nameBox(), m_password);
    setTabOrder(m_password, m_repeat);
    setTabOrder(m_repeat, m_oldPassword);
    connect(m_password, &QLineEdit::returnPressed, m_repeat, qOverload<>(&QWidget::setFocus));
    connect(m_repeat, &QLineEdit::returnPressed, this, &AccountWindow::confirm);
    connect(m_oldPassword, &QLineEdit::returnPressed, this, &AccountWindow::confirm);
    load();
}

QList<ListEntry> AccountWindow::readEntries(Database& db)
{
    return AdminAccounts(db).entries();
}

std::optional<Rights> AccountWindow::storedRights(qint64 id) const
{
    std::optional<Rights> rights;
    if (m_ctx.isConnected())
        ui::guarded(const_cast<AccountWindow*>(this), [&] { rights = AdminAccounts(m_ctx.conn()).rights(id); });
    return rights;
}

void AccountWindow::updateCommands(const std::optional<ListEntry>& selected)
{
    const Session& session = m_ctx.session();
    ui::permit(addButton(), session.refusal(Right::Accounts));
    QString refusal;
    if (selected)
        refusal = accountChangeRefusal(session, selected->id, storedRights(selected->id).value_or(Rights()));
    ui::permit(editButton(), refusal);
    // Deleting one's own account needs the right to manage accounts like any other.
    if (selected && selected->id == session.accountId() && !session.isSuperAdministrator())
        refusal = session.refusal(Right::Accounts);
    ui::permit(removeButton(), refusal);
}

void AccountWindow::preparePanel(const std::optional<ListEntry>& entry)
{
    // A stored password is a hash and cannot be shown; empty boxes keep it.
    const QString hint = entry ? QStringLiteral("不修改密码请留空") : QString();
    for (QLineEdit* box : {m_password, m_repeat, m_oldPassword}) {
        box->clear();
        box->setPlaceholderText(hint);
    }
    const Session& session = m_ctx.session();
    m_editingSelf = entry && entry->id == session.accountId();
    ui::permit(m_oldPassword, m_editingSelf ? QString() : QStringLiteral("只在修改自己的密码时填写原密码"));

    const bool superAdministratorEntry = entry && entry->id == kSuperAdministratorId;
    const Rights shown = superAdministratorEntry ? Rights::fromInt(~0)
                         : entry                 ? storedRights(entry->id).value_or(Rights())
                                                 : newAccountRights();
    m_rightsEditable = session.isSuperAdministrator() && !superAdministratorEntry;
    const QString refusal = superAdministratorEntry ? QStringLiteral("超级管理员拥有全部权限")
                            : m_rightsEditable      ? QString()
                                               : QStringLiteral("只有超级管理员才能授予或收回权限");
    const QList<Right> rights = allRights();
    for (int i = 0; i < rights.size(); ++i) {
        m_rights.at(i)->setChecked(shown.testFlag(rights.at(i)));
        ui::permit(m_rights.at(i), refusal);
    }
}

Rights AccountWindow::checkedRights() const
{
    Rights rights;
    const QList<Right> all = allRights();
    for (int i = 0; i < all.size(); ++i)
        if (m_rights.at(i)->isChecked())
            rights |= all.at(i);
    return rights;
}

QString AccountWindow::panelProblem() const
{
    if (cleanText(m_password->text()) != cleanText(m_repeat->text()))
        return QStringLiteral("两次输入的密码不一致！");
    return {};
}

ListChange AccountWindow::write(Database& db, std::optional<qint64> editId)
{
    AdminAccounts accounts(db);
    const std::optional<Rights> rights = m_rightsEditable ? std::optional<Rights>(checkedRights()) : std::nullopt;
    if (!editId)
        return accounts.add(nameBox()->text(), m_password->text(), rights);
    const QString password = m_password->text();
    AccountChange change{nameBox()->text(),
                         cleanText(password).isEmpty() ? std::nullopt : std::optional<QString>(password),
                         m_editingSelf ? std::optional<QString>(m_oldPassword->text()) : std::nullopt, rights};
    const ListChange result = accounts.change(*editId, change);
    // The own password changed on a server: the proof of the new one is what the program's later
    // work (and connections opened for it) shows the server's functions.
    if (result == ListChange::Done && *editId == m_ctx.session().accountId() &&
        db.session().passwordProof() != m_ctx.session().passwordProof()) {
        Session session = m_ctx.session();
        session.setPasswordProof(db.session().passwordProof());
        m_ctx.setSession(session);
    }
    return result;
}

ListChange AccountWindow::erase(Database& db, qint64 id)
{
    return AdminAccounts(db).remove(id);
}

QString AccountWindow::deleteRefusal(qint64 id) const
{
    return id == kSuperAdminId ? QStringLiteral("超级管理员不充许删除！") : QString();
}

} // namespace kv
