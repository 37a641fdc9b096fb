#include "ui/GridModel.h"

#include <algorithm>

namespace kv::ui {

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return text(row, col);
    case Qt::BackgroundRole: {
        const Row* r = rowAt(row);
        const auto found = r ? r->backgrounds.constFind(col) : QHash<int, QColor>::const_iterator();
        return r && found != r->backgrounds.cend() ? QVariant(*found) : QVariant();
    }
    case Qt::ToolTipRole: {
        const QString tip = toolTip(row, col);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::FontRole: return isRowBold(row) ? QVariant(m_bold) : QVariant();
    default: return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    setText(index.row() + 1, index.column(), value.toString());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return text(0, section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    // Whether a cell is edited at all is the grid's decision (its edit stages).
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

GridModel::Row* GridModel::rowAt(int row)
{
    return row >= 0 && row < rows() ? &m_rows[std::size_t(row)] : nullptr;
}

const GridModel::Row* GridModel::rowAt(int row) const
{
    return row >= 0 && row < rows() ? &m_rows[std::size_t(row)] : nullptr;
}

void GridModel::changed(int row, int col, const QList<int>& roles)
{
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, col, col);
    else
        emit dataChanged(index(row - 1, col), index(row - 1, col), roles);
}

void GridModel::setRowCount(int count)
{
    count = std::max(count, 1);
    if (count < rows()) {
        beginRemoveRows({}, count - 1, rows() - 2);
        m_rows.resize(std::size_t(count));
        endRemoveRows();
    } else if (count > rows()) {
        beginInsertRows({}, rows() - 1, count - 2);
        m_rows.resize(std::size_t(count));
        endInsertRows();
    }
    if (count == 1)
        m_source.reset();
}

void GridModel::setColCount(int count)
{
    count = std::max(count, 0);
    if (count < m_cols) {
        beginRemoveColumns({}, count, m_cols - 1);
        m_cols = count;
        for (Row& r : m_rows) {
            if (r.texts.size() > count)
                r.texts.resize(count);
            r.summed.removeIf([count](int c) { return c >= count; });
            r.backgrounds.removeIf([count](const auto& it) { return it.key() >= count; });
            r.toolTips.removeIf([count](const auto& it) { return it.key() >= count; });
        }
        endRemoveColumns();
    } else if (count > m_cols) {
        beginInsertColumns({}, m_cols, count - 1);
        m_cols = count;
        endInsertColumns();
    }
}

void GridModel::insertRow(int row)
{
    if (row < 1 || row > rows())
        return;
    beginInsertRows({}, row - 1, row - 1);
    m_rows.insert(m_rows.begin() + row, Row());
    endInsertRows();
}

void GridModel::removeRow(int row)
{
    if (row < 1 || row >= rows())
        return;
    beginRemoveRows({}, row - 1, row - 1);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void GridModel::setSource(std::shared_ptr<const GridRowSource> source)
{
    setRowCount(1);
    const int count = source ? source->rowCount() : 0;
    m_source = std::move(source);
    if (count == 0)
        return;
    beginInsertRows({}, 0, count - 1);
    m_rows.resize(std::size_t(count) + 1);
    for (int i = 0; i < count; ++i)
        m_rows[std::size_t(i) + 1].sourceRow = i;
    endInsertRows();
}

bool GridModel::isFromSource(int row) const
{
    const Row* r = rowAt(row);
    return r && r->sourceRow >= 0 && r->texts.isEmpty();
}

QString GridModel::text(int row, int col) const
{
    const Row* r = rowAt(row);
    if (!r || col < 0 || col >= m_cols)
        return {};
    if (isFromSource(row))
        return m_source->text(r->sourceRow, col);
    return r->texts.value(col);
}

std::optional<Decimal> GridModel::sourceNumber(int row, int col) const
{
    if (!isFromSource(row) || col < 0 || col >= m_cols)
        return std::nullopt;
    return m_source->number(rowAt(row)->sourceRow, col);
}

void GridModel::setText(int row, int col, const QString& text)
{
    Row* r = rowAt(row);
    if (!r || col < 0 || col >= m_cols)
        return;
    if (isFromSource(row)) {
        // Written once, the row holds its own texts from then on.
        QList<QString> own(m_cols);
        for (int c = 0; c < m_cols; ++c)
            own[c] = m_source->text(r->sourceRow, c);
        r->texts = std::move(own);
    }
    if (r->texts.size() <= col) {
        if (text.isEmpty())
            return;
        r->texts.resize(m_cols);
    }
    if (r->texts.at(col) == text)
        return;
    r->texts[col] = text;
    changed(row, col, {Qt::DisplayRole, Qt::EditRole});
}

QColor GridModel::background(int row, int col) const
{
    const Row* r = rowAt(row);
    return r ? r->backgrounds.value(col, QColor(Qt::white)) : QColor(Qt::white);
}

void GridModel::setBackground(int row, int col, const QColor& color)
{
    if (!contains(row, col))
        return;
    // White is every cell's own colour: only other colours are kept.
    QHash<int, QColor>& backgrounds = rowAt(row)->backgrounds;
    if (color == QColor(Qt::white)) {
        if (backgrounds.remove(col))
            changed(row, col, {Qt::BackgroundRole});
        return;
    }
    if (backgrounds.value(col) == color)
        return;
    backgrounds.insert(col, color);
    changed(row, col, {Qt::BackgroundRole});
}

QString GridModel::toolTip(int row, int col) const
{
    const Row* r = rowAt(row);
    return r ? r->toolTips.value(col) : QString();
}

void GridModel::setToolTip(int row, int col, const QString& text)
{
    if (!contains(row, col))
        return;
    Row* r = rowAt(row);
    if (text.isEmpty())
        r->toolTips.remove(col);
    else
        r->toolTips.insert(col, text);
    changed(row, col, {Qt::ToolTipRole});
}

void GridModel::setRowBold(int row, const QFont& bold)
{
    Row* r = rowAt(row);
    if (!r)
        return;
    m_bold = bold;
    r->bold = true;
    if (row > 0 && m_cols > 0)
        emit dataChanged(index(row - 1, 0), index(row - 1, m_cols - 1), {Qt::FontRole});
}

bool GridModel::isRowBold(int row) const
{
    const Row* r = rowAt(row);
    return r && r->bold;
}

void GridModel::setTotalsRow(int row)
{
    if (Row* r = rowAt(row))
        r->totals = true;
}

bool GridModel::isTotalsRow(int row) const
{
    const Row* r = row >= 1 ? rowAt(row) : nullptr;
    return r && r->totals;
}

void GridModel::setSummed(int row, int col)
{
    if (Row* r = rowAt(row); r && !r->summed.contains(col))
        r->summed.append(col);
}

bool GridModel::isSummed(int row, int col) const
{
    const Row* r = rowAt(row);
    return r && r->summed.contains(col);
}

} // namespace kv::ui
