#pragma once

#include "lists/CodeList.h"
#include "lists/ListEditWindow.h"

namespace kv {

// 车间Frm, 工种Frm, 计量单位Frm: one code list with add, rename and delete.
class CodeListWindow final : public ListEditWindow {
    Q_OBJECT
public:
    CodeListWindow(AppContext& ctx, CodeListKind kind, QWidget* parent = nullptr);

protected:
    QList<ListEntry> readEntries(Database& db) override;
    ListChange write(Database& db, std::optional<qint64> editId) override;
    ListChange erase(Database& db, qint64 id) override;

private:
    CodeListKind m_kind;
};

} // namespace kv
