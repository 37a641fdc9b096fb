#include "ui/GridSizing.h"

#include "ui/Twips.h"

#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QTableWidget>

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
    else if (row >= 1 && row <= m_table->rowCount())
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
    if (row < 1 || row > m_table->rowCount())
        return 0;
    return pixelsToTwips(m_table->rowHeight(row - 1));
}

void GridSizing::setDefaultRowHeight(int twips)
{
    m_table->verticalHeader()->setDefaultSectionSize(std::max(twipsToPixels(twips), 1));
}

void GridSizing::setColWidth(int col, int twips)
{
    if (col >= 0 && col < m_table->columnCount())
        m_table->setColumnWidth(col, std::max(twipsToPixels(twips), 1));
}

int GridSizing::colWidth(int col) const
{
    if (col < 0 || col >= m_table->columnCount())
        return 0;
    return pixelsToTwips(m_table->columnWidth(col));
}

void GridSizing::autoFitCols(int col1, int col2, const std::function<QString(int, int)>& shown)
{
    // Measured over every row, not only those in view, so that a long list fits throughout. The
    // grid's own font is measured by shape (see TextWidths); only cells with a font of their own
    // (a bold totals row) make another. A column stops being measured once it reaches the cap.
    const int margin = 2 * (m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 1) + 2;
    const int widest = twipsToPixels(kWidestFitTwips);
    TextWidths gridWidths(m_table->font());
    QHeaderView* header = m_table->horizontalHeader();
    const int last = std::min(std::max(col1, col2), m_table->columnCount() - 1);
    for (int c = std::max(std::min(col1, col2), 0); c <= last; ++c) {
        int width = header->sectionSizeHint(c);
        for (int r = 0; r < m_table->rowCount() && width < widest; ++r) {
            const QTableWidgetItem* it = m_table->item(r, c);
            if (!it || m_table->isRowHidden(r))
                continue;
            const QString text = shown(r, c);
            if (text.isEmpty())
                continue;
            const QVariant own = it->data(Qt::FontRole); // unset: the grid's font
            const int advance = own.isValid() ? QFontMetrics(own.value<QFont>()).horizontalAdvance(text)
                                              : gridWidths.width(text);
            width = std::max(width, advance + margin);
        }
        width = std::min(width, widest);
        const bool hidden = m_table->isColumnHidden(c);
        header->resizeSection(c, width);
        if (hidden)
            m_table->setColumnHidden(c, true);
    }
}

} // namespace kv::ui
