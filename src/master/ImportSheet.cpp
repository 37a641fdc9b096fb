#include "master/ImportSheet.h"

namespace kv::importing {

void refuseDamaged(const QString& detail)
{
    throw Refusal{QStringLiteral("文件已损坏（%1），未导入任何数据。").arg(detail)};
}

void refuseTooLarge(const QString& detail)
{
    throw Refusal{QStringLiteral("文件过大（%1），未导入任何数据。").arg(detail)};
}

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(bytes >> 20);
}

void SheetBuilder::add(SourceRow&& row)
{
    m_cells += row.cells.size();
    for (const QString& cell : std::as_const(row.cells))
        m_chars += cell.size();
    if (m_cells > ImportLimits::maxCells)
        refuseTooLarge(QStringLiteral("超过 %1 个单元格").arg(ImportLimits::maxCells));
    if (m_chars > ImportLimits::maxTextChars)
        refuseTooLarge(QStringLiteral("文字超过 %1 个字").arg(ImportLimits::maxTextChars));
    m_sheet.rows.append(std::move(row));
}

} // namespace kv::importing
