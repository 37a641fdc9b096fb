#include "lists/AccountWindow.h"

#include "data/TextRules.h"
#include "lists/AdminAccounts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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
                     parent)
{
    QWidget* panel = nameBox()->parentWidget();
    m_password = passwordBox(QStringLiteral("Text1"), panel);
    m_repeat = passwordBox(QStringLiteral("Text3"), panel);
    const QStringList labels{QStringLiteral("账号："), QStringLiteral("密码："), QStringLiteral("确认密码：")};
    for (int row = 0; row < labels.size(); ++row) {
        auto* label = new QLabel(labels.at(row), panel);
        label->setObjectName(QStringLiteral("Label%1").arg(row + 1));
        panelFields()->addWidget(label, row, 0, Qt::AlignRight);
    }
    panelFields()->addWidget(m_password, 1, 1);
    panelFields()->addWidget(m_repeat, 2, 1);
    setTabOrder(nameBox(), m_password);
    setTabOrder(m_password, m_repeat);
    connect(m_password, &QLineEdit::returnPressed, m_repeat, qOverload<>(&QWidget::setFocus));
    connect(m_repeat, &QLineEdit::returnPressed, this, &AccountWindow::confirm);
    load();
}

QList<ListEntry> AccountWindow::readEntries(Database& db)
{
    return AdminAccounts(db).entries();
}

void AccountWindow::preparePanel(const std::optional<ListEntry>& entry)
{
    // A stored password is a hash and cannot be shown; empty boxes keep it.
    const QString hint = entry ? QStringLiteral("不修改密码请留空") : QString();
    for (QLineEdit* box : {m_password, m_repeat}) {
        box->clear();
        box->setPlaceholderText(hint);
    }
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
    if (!editId)
        return accounts.add(nameBox()->text(), m_password->text());
    const QString password = m_password->text();
    return accounts.change(*editId, nameBox()->text(),
                           cleanText(password).isEmpty() ? std::nullopt : std::optional<QString>(password));
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
