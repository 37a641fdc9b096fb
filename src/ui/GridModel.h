#pragma once

#include "data/Decimal.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kv::ui {

class ColumnWidest;

// Rows a grid shows without holding a text per cell: a read-only list the window computed (the
// employees of a statistics run), asked for a cell's text only when the grid paints, prints,
// finds or exports it.
class GridRowSource {
public:
    virtual ~GridRowSource() = default;
    virtual int rowCount() const = 0;
    // The plain text of the cell, as a grid cell would hold it.
    virtual QString text(int row, int col) const = 0;
    // The number of a cell of a number column, given without reading its text back; none for a
    // text column.
    virtual std::optional<Decimal> number(int row, int col) const = 0;
    // The widest values of the column over all the source's rows, where the source gathered them
    // as it made its rows: fitting the column then measures those instead of asking every row.
    // Null: fitting asks each row.
    virtual const ColumnWidest* widest(int col) const
    {
        Q_UNUSED(col);
        return nullptr;
    }
};

// What a grid's cells hold, addressed as the grid is: row 0 the column captions, data rows from
// 1 (table row r - 1). A row holds its texts, or stands for a row of a source and has none of its
// own until one of its cells is written. Backgrounds, tooltips and the marks of totals rows are
// kept only for the cells that have them.
class GridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // --- The table's view of it (rows without the caption row) --------------------------------
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // --- Grid addressing ------------------------------------------------------------------------
    int rows() const { return int(m_rows.size()); } // header included
    int cols() const { return m_cols; }
    bool contains(int row, int col) const { return row >= 0 && row < rows() && col >= 0 && col < m_cols; }
    void setRowCount(int count); // header included, at least 1; new rows are empty
    void setColCount(int count);
    void insertRow(int row); // an empty data row at row (1 … rows())
    void removeRow(int row);
    // Replaces the data rows by the source's rows, in its order.
    void setSource(std::shared_ptr<const GridRowSource> source);

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // The number the source gives for a cell it still stands for; none for any other cell.
    std::optional<Decimal> sourceNumber(int row, int col) const;
    bool isFromSource(int row) const;
    // The source, and the row of it that a grid row stands for (-1 when the row holds its own
    // texts): for reading many cells at once without going through the grid's rows each time.
    const GridRowSource* source() const { return m_source.get(); }
    int sourceRowOf(int row) const { return isFromSource(row) ? rowAt(row)->sourceRow : -1; }

    QColor background(int row, int col) const; // white unless set
    void setBackground(int row, int col, const QColor& color);
    QString toolTip(int row, int col) const;
    void setToolTip(int row, int col, const QString& text);
    void setRowBold(int row, const QFont& bold);
    bool isRowBold(int row) const;

    // Marks of a totals row: on the row and on each cell holding a sum.
    void setTotalsRow(int row);
    bool isTotalsRow(int row) const;
    void setSummed(int row, int col);
    bool isSummed(int row, int col) const;

private:
    struct Row {
        QList<QString> texts; // the row's own texts; empty while a source row stands for it
        int sourceRow = -1;
        bool bold = false;
        bool totals = false;
        QList<int> summed;
        QHash<int, QColor> backgrounds;
        QHash<int, QString> toolTips;
    };
    void changed(int row, int col, const QList<int>& roles);
    Row* rowAt(int row);
    const Row* rowAt(int row) const;

    std::vector<Row> m_rows{1}; // m_rows[0] holds the captions
    int m_cols = 0;
    std::shared_ptr<const GridRowSource> m_source;
    QFont m_bold;
};

} // namespace kv::ui
