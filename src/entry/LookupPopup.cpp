#include "entry/LookupPopup.h"

#include "entry/EntryLayout.h"
#include "entry/ItemCatalog.h"
#include "ui/DataGrid.h"
#include "ui/DragHandle.h"
#include "ui/Twips.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <numeric>

namespace kv {

namespace {
constexpr int kShiftTwips = 1500;
} // namespace

// The matches as a table: texts are read from the rows when the view paints them.
class LookupModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // `rows` is shared, not copied: the catalog replaces its list when it reads the table again.
    void set(const QStringList& fields, const QList<QStringList>& rows, QList<int> matches)
    {
        beginResetModel();
        m_fields = fields;
        m_rows = rows;
        m_matches = std::move(matches);
        endResetModel();
    }

    QStringList row(int r) const { return m_rows.at(m_matches.at(r)); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_matches.size()); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max<int>(1, int(m_fields.size()));
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_rows.at(m_matches.at(index.row())).value(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        return m_fields.value(section);
    }

private:
    QStringList m_fields;
    QList<QStringList> m_rows;
    QList<int> m_matches;
};

LookupPopup::LookupPopup(QWidget* window) : QFrame(window)
{
    setObjectName(QStringLiteral("ajaxBox"));
    setFrameShape(QFrame::Box);
    setStyleSheet(QStringLiteral("QFrame#ajaxBox { background: rgb(198, 226, 255); }"
                                 "QTableView#Ajax QHeaderView::section { background: rgb(255, 255, 192);"
                                 " border: 0; border-right: 1px solid silver; border-bottom: 1px solid silver;"
                                 " padding: 0 2px; }"));
    entry::place(this, 3540, 1020, 4155, 2025);

    m_caption = new QLabel(QStringLiteral("录入助手[可输入首拼音索引]"), this);
    m_caption->setObjectName(QStringLiteral("Label8"));
    m_caption->setFont(entry::songFont(10.5));
    entry::place(m_caption, 60, 60, 3720, 225);
    new ui::DragHandle(m_caption, this);

    auto* close = new QPushButton(QStringLiteral("×"), this);
    close->setObjectName(QStringLiteral("Command5"));
    close->setFocusPolicy(Qt::NoFocus);
    entry::place(close, 3840, 30, 285, 255);
    connect(close, &QPushButton::clicked, this, [this] {
        hide();
        emit dismissed();
    });

    m_model = new LookupModel(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("Ajax"));
    m_view->setModel(m_model);
    m_view->setFont(entry::songFont(9));
    m_view->setFocusPolicy(Qt::NoFocus); // choosing must not take the focus from the cell being typed in
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    // Fixed row heights and column widths measured over the rows in sight only: a look-up of
    // thousands of items costs no more than one of ten.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(ui::twipsToPixels(240));
    m_view->horizontalHeader()->setResizeContentsPrecision(0);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setSectionsClickable(false);
    entry::place(m_view, 0, 300, 4125, 1695);
    connect(m_view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit chosen(m_model->row(index.row()));
    });
    hide();
}

void LookupPopup::showMatches(const ItemCatalog& catalog, const QList<int>& matches)
{
    m_model->set(catalog.fields(), catalog.rows(), matches);
    shown();
}

void LookupPopup::showLookupResult(const LookupResult& result)
{
    QList<int> all(result.rows.size());
    std::iota(all.begin(), all.end(), 0);
    m_model->set(result.fields, result.rows, std::move(all));
    shown();
}

void LookupPopup::shown()
{
    if (m_model->rowCount() > 0) {
        m_view->setCurrentIndex(m_model->index(0, 0));
        m_view->scrollToTop();
    }
    m_view->resizeColumnsToContents();
}

void LookupPopup::placeUnder(const ui::DataGrid& grid, int row, int col)
{
    show();
    raise();
    const QRect cell = grid.cellRect(row, col);
    const QPoint gridPos = grid.mapTo(parentWidget(), QPoint(0, 0));
    move(gridPos.x() + cell.left() + ui::twipsToPixels(kShiftTwips), gridPos.y() + cell.top() + cell.height());
}

int LookupPopup::currentMatch() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void LookupPopup::setCurrentMatch(int match)
{
    const QModelIndex index = m_model->index(match - 1, std::max(m_view->currentIndex().column(), 0));
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

int LookupPopup::matchCount() const
{
    return m_model->rowCount();
}

QString LookupPopup::text(int row, int col) const
{
    if (row == 0)
        return m_model->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    if (row < 1 || row > matchCount())
        return {};
    return m_model->row(row - 1).value(col);
}

} // namespace kv
