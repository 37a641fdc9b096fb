#include "ui/GridSizing.h"

#include "ui/ColumnWidest.h"
#include "ui/GridCells.h"
#include "ui/GridModel.h"
#include "ui/Twips.h"

#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace kv::ui {

namespace {
// Measures texts by their shape: every digit counts as the font's widest digit and every
// common Chinese character as one of its kind (a Chinese font draws them all one width), so a
// column of thousands of amounts or names is measured a handful of times, never narrower than
// its widest text.
class TextWidths {
public:
    explicit TextWidths(const QFont& font) : m_metrics(font)
    {
        int widest = -1;
        for (char16_t d = u'0'; d <= u'9'; ++d) {
            const int w = m_metrics.horizontalAdvance(QChar(d));
            if (w > widest) {
                widest = w;
                m_widestDigit = QChar(d);
            }
        }
    }

    int width(const QString& text)
    {
        QString shape = text;
        for (QChar& c : shape) {
            if (c.unicode() >= u'0' && c.unicode() <= u'9')
                c = m_widestDigit;
            else if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
                c = QChar(0x4E2D); // 中
        }
        auto found = m_widths.constFind(shape);
        if (found == m_widths.cend())
            found = m_widths.insert(shape, m_metrics.horizontalAdvance(shape));
        return *found;
    }

private:
    QFontMetrics m_metrics;
    QChar m_widestDigit{u'0'};
    QHash<QString, int> m_widths;
};

} // namespace

void GridSizing::setRowHeight(int row, int twips)
{
    const int px = std::max(twipsToPixels(twips), 1);
    if (row == 0)
        m_table->horizontalHeader()->setFixedHeight(px);
    else if (row >= 1 && row <= m_cells.rows() - 1)
        m_table->setRowHeight(row - 1, px);
}

int GridSizing::rowHeight(int row) const
{
    if (row == 0) {
        const QHeaderView* header = m_table->horizontalHeader();
        const int px =
            header->minimumHeight() == header->maximumHeight() ? header->maximumHeight() : header->sizeHint().height();
        return pixelsToTwips(px);
    }
    if (row < 1 || row > m_cells.rows() - 1)
        return 0;
    return pixelsToTwips(m_table->rowHeight(row - 1));
}

void GridSizing::setDefaultRowHeight(int twips)
{
    m_table->verticalHeader()->setDefaultSectionSize(std::max(twipsToPixels(twips), 1));
}

void GridSizing::setColWidth(int col, int twips)
{
    if (col >= 0 && col < m_cells.cols())
        m_table->setColumnWidth(col, std::max(twipsToPixels(twips), 1));
}

int GridSizing::colWidth(int col) const
{
    if (col < 0 || col >= m_cells.cols())
        return 0;
    return pixelsToTwips(m_table->columnWidth(col));
}

void GridSizing::autoFitCols(int col1, int col2, const std::function<QString(int, int)>& shown,
                             const std::function<QString(Decimal, int)>& shownNumber)
{
    // Measured over every row, not only those in view, so that a long list fits throughout. The
    // grid's own font is measured by shape (see TextWidths); only bold rows (totals) use another.
    // A column stops being measured once it reaches the cap.
    const int margin = 2 * (m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 1) + 2;
    const int widest = twipsToPixels(kWidestFitTwips);
    TextWidths gridWidths(m_table->font());
    QFont bold = m_table->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    QHeaderView* header = m_table->horizontalHeader();
    // The rows measured, found once for all columns: those of the source by their row in it,
    // the others (totals, rows written to) by their own texts.
    std::vector<int> sourceRows;
    std::vector<int> ownRows;
    sourceRows.reserve(std::size_t(std::max(m_cells.rows() - 1, 0)));
    for (int r = 1; r < m_cells.rows(); ++r) {
        if (m_cells.isRowHidden(r))
            continue;
        if (const int sourceRow = m_cells.model().sourceRowOf(r); sourceRow >= 0)
            sourceRows.push_back(sourceRow);
        else
            ownRows.push_back(r);
    }
    const GridRowSource* source = m_cells.model().source();
    // Every row of the source is shown: what it gathered of a column stands for all of them.
    const bool wholeSource = source && qsizetype(sourceRows.size()) == source->rowCount();
    const int last = std::min(std::max(col1, col2), m_cells.cols() - 1);
    for (int c = std::max(std::min(col1, col2), 0); c <= last; ++c) {
        int width = header->sectionSizeHint(c);
        ColumnWidest gathered;
        const ColumnWidest* fromSource = wholeSource ? source->widest(c) : nullptr;
        if (!fromSource) {
            for (const int row : sourceRows) {
                if (const std::optional<Decimal> number = source->number(row, c))
                    gathered.addNumber(*number);
                else
                    gathered.addText(source->text(row, c));
            }
            fromSource = &gathered;
        }
        for (auto r = ownRows.cbegin(); r != ownRows.cend() && width < widest; ++r) {
            const QString text = shown(*r, c);
            if (text.isEmpty())
                continue;
            const int advance = m_cells.isRowBold(*r) ? boldMetrics.horizontalAdvance(text) : gridWidths.width(text);
            width = std::max(width, advance + margin);
        }
        if (const std::optional<Decimal> number = fromSource->widestNumber())
            width = std::max(width, gridWidths.width(shownNumber(*number, c)) + margin);
        for (const QString& text : fromSource->texts())
            width = std::max(width, gridWidths.width(text) + margin);
        width = std::min(width, widest);
        const bool hidden = m_table->isColumnHidden(c);
        header->resizeSection(c, width);
        if (hidden)
            m_table->setColumnHidden(c, true);
    }
}

} // namespace kv::ui
