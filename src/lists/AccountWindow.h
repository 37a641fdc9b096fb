#pragma once

#include "lists/ListEditWindow.h"

namespace kv {

// 管理员Frm: the accounts that may log in. Passwords are typed masked, twice, and never shown:
// changing an account starts with empty password boxes, and leaving them empty keeps the
// password it has.
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

private:
    QLineEdit* m_password;
    QLineEdit* m_repeat;
};

} // namespace kv
