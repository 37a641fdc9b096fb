#pragma once

#include "data/Session.h"
#include "lists/ListEditWindow.h"

class QCheckBox;

namespace kv {

// 管理员Frm: the accounts that may log in. Passwords are typed masked, twice, and never shown:
// changing an account starts with empty password boxes, and leaving them empty keeps the
// password it has. An account changing its own password types the old one as well. The rights
// of each account are check boxes that only the super administrator may change; commands the
// account may not use on the selected entry are disabled, their tooltip saying why.
class AccountWindow final : public ListEditWindow {
    Q_OBJECT
public:
    explicit AccountWindow(AppContext& ctx, QWidget* parent = nullptr);

protected:
    QList<ListEntry> readEntries(Database& db) override;
    void preparePanel(const std::optional<ListEntry>& entry) override;
    QString panelProblem() const override;
    ListChange write(Database& db, std::optional<qint64> editId) override;
    ListChange erase(Database& db, qint64 id) override;
    QString deleteRefusal(qint64 id) const override;
    void updateCommands(const std::optional<ListEntry>& selected) override;

private:
    Rights checkedRights() const;
    // The stored rights of the account, or none when they cannot be read.
    std::optional<Rights> storedRights(qint64 id) const;

    AppContext& m_ctx;
    QLineEdit* m_password;
    QLineEdit* m_repeat;
    QLineEdit* m_oldPassword;
    QList<QCheckBox*> m_rights; // in allRights() order
    bool m_editingSelf = false;
    bool m_rightsEditable = false;
};

} // namespace kv
