#include "lists/CodeListWindow.h"

#include <QLineEdit>

namespace kv {

namespace {
ListEditWindow::Texts textsOf(CodeListKind kind)
{
    switch (kind) {
    case CodeListKind::JobType:
        return {QStringLiteral("工种Frm"), QStringLiteral("工种设置"), QStringLiteral("添加工种"),
                QStringLiteral("编缉工种"), QStringLiteral("删除工种")};
    case CodeListKind::Unit:
        return {QStringLiteral("计量单位Frm"), QStringLiteral("计量单位设置"), QStringLiteral("添加"),
                QStringLiteral("编缉"), QStringLiteral("删除")};
    case CodeListKind::Workshop: break;
    }
    return {QStringLiteral("车间Frm"), QStringLiteral("车间设置"), QStringLiteral("添加车间"),
            QStringLiteral("编缉车间"), QStringLiteral("删除车间")};
}
} // namespace

CodeListWindow::CodeListWindow(AppContext& ctx, CodeListKind kind, QWidget* parent)
    : ListEditWindow(ctx, textsOf(kind), parent), m_kind(kind)
{
    load();
}

QList<ListEntry> CodeListWindow::readEntries(Database& db)
{
    return CodeList(db, m_kind).entries();
}

ListChange CodeListWindow::write(Database& db, std::optional<qint64> editId)
{
    CodeList list(db, m_kind);
    return editId ? list.rename(*editId, nameBox()->text()) : list.add(nameBox()->text());
}

ListChange CodeListWindow::erase(Database& db, qint64 id)
{
    return CodeList(db, m_kind).remove(id);
}

} // namespace kv
