#include "ui/GridSizing.h"

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

// The widest of a column's cells that a source gives, gathered without making their texts: the
// most digits before and after the point and whether any number is negative, and the texts of the
// most characters (a Chinese character counting as two).
class SourceWidest {
public:
    void addNumber(Decimal value)
    {
        m_numbers = true;
        m_negative = m_negative || value.isNegative();
        m_places = std::max(m_places, value.places());
        qint64 whole = value.units() / Decimal::kScale;
        int digits = 1;
        while (whole >= 10 || whole <= -10) {
            whole /= 10;
            ++digits;
        }
        m_digits = std::max(m_digits, digits);
    }

    void addText(const QString& text)
    {
        if (2 * text.size() < m_weight)
            return; // too short to be the longest
        int weight = 0;
        for (const QChar c : text)
            weight += c.unicode() >= 0x2E80 ? 2 : 1;
        if (weight < m_weight || weight == 0)
            return;
        if (weight > m_weight) {
            m_weight = weight;
            m_texts.clear();
        }
        // Texts of one length may still differ in width; a few of them are measured.
        if (m_texts.size() < kMeasuredTexts)
            m_texts.append(text);
    }

    // A number as wide as any gathered: nines in every place.
    std::optional<Decimal> widestNumber() const
    {
        if (!m_numbers)
            return std::nullopt;
        qint64 whole = 0;
        for (int i = 0; i < std::min(m_digits, 12); ++i)
            whole = whole * 10 + 9;
        qint64 fraction = 0;
        for (int i = 0; i < Decimal::kPlaces; ++i)
            fraction = fraction * 10 + (i < m_places ? 9 : 0);
        const qint64 units = whole * Decimal::kScale + fraction;
        return Decimal::fromUnits(m_negative ? -units : units);
    }
    const QList<QString>& texts() const { return m_texts; }

private:
    static constexpr qsizetype kMeasuredTexts = 16;
    bool m_numbers = false;
    bool m_negative = false;
    int m_digits = 0;
    int m_places = 0;
    int m_weight = 0;
    QList<QString> m_texts;
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
    // The rows measured, found once for all columns, with the row of the source each stands for.
    struct MeasuredRow {
        int row;
        int sourceRow; // -1: the row's own texts
    };
    std::vector<MeasuredRow> measured;
    measured.reserve(std::size_t(std::max(m_cells.rows() - 1, 0)));
    for (int r = 1; r < m_cells.rows(); ++r) {
        if (!m_cells.isRowHidden(r))
            measured.push_back({r, m_cells.model().sourceRowOf(r)});
    }
    const GridRowSource* source = m_cells.model().source();
    const int last = std::min(std::max(col1, col2), m_cells.cols() - 1);
    for (int c = std::max(std::min(col1, col2), 0); c <= last; ++c) {
        int width = header->sectionSizeHint(c);
        SourceWidest fromSource;
        for (auto m = measured.cbegin(); m != measured.cend() && width < widest; ++m) {
            if (m->sourceRow >= 0) {
                if (const std::optional<Decimal> number = source->number(m->sourceRow, c))
                    fromSource.addNumber(*number);
                else
                    fromSource.addText(source->text(m->sourceRow, c));
                continue;
            }
            const QString text = shown(m->row, c);
            if (text.isEmpty())
                continue;
            const int advance =
                m_cells.isRowBold(m->row) ? boldMetrics.horizontalAdvance(text) : gridWidths.width(text);
            width = std::max(width, advance + margin);
        }
        if (const std::optional<Decimal> number = fromSource.widestNumber())
            width = std::max(width, gridWidths.width(shownNumber(*number, c)) + margin);
        for (const QString& text : fromSource.texts())
            width = std::max(width, gridWidths.width(text) + margin);
        width = std::min(width, widest);
        const bool hidden = m_table->isColumnHidden(c);
        header->resizeSection(c, width);
        if (hidden)
            m_table->setColumnHidden(c, true);
    }
}

} // namespace kv::ui
