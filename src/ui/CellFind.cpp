#include "ui/CellFind.h"

#include "data/TextRules.h"

#include <algorithm>

namespace kv::ui {

bool isSearchKeyword(const QString& typed)
{
    return !cleanText(typed).isEmpty();
}

int findStartRow(bool fromCurrentRow, int currentRow)
{
    return fromCurrentRow ? std::max(currentRow, 1) : 1;
}

QList<CellPos> findCells(int rowCount, int columnCount, int startRow, const QString& keyword,
                         const std::function<QString(int row, int column)>& cellText)
{
    QList<CellPos> found;
    if (keyword.isEmpty())
        return found;
    for (int row = std::max(startRow, 1); row < rowCount; ++row)
        for (int col = 0; col < columnCount; ++col)
            if (cellText(row, col).contains(keyword, Qt::CaseSensitive))
                found.append({row, col});
    return found;
}

} // namespace kv::ui
