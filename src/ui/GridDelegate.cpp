#include "ui/GridDelegate.h"

#include "ui/DataGrid.h"
#include "ui/GridEditing.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

namespace kv::ui {

GridDelegate::GridDelegate(const DataGrid* grid, GridEditing& editing, QObject* parent)
    : QStyledItemDelegate(parent), m_grid(grid), m_editing(editing)
{
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    m_editing.opened(editor, index);
    return editor;
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const int row = index.row() + 1;
    if (m_grid->columnKind(index.column()) != DataGrid::ColumnKind::Text || m_grid->totalsValue(row, index.column())) {
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
        option->text = m_grid->shownText(row, index.column());
    }
    const auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
    const QRect range = m_grid->selectedRange();
    const bool marked = range.width() * range.height() > 1 && m_grid->isInRange(index.row() + 1, index.column());
    if (view && (view->currentIndex() == index || marked))
        option->state |= QStyle::State_Selected;
    else
        option->state &= ~QStyle::State_Selected;
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // The cell's panel and focus frame as the style draws them. The text, always one line that is
    // cut only when it does not fit, is drawn here at once: the style's general layout of an item
    // (icons, wrapping, measuring it several times) costs most of painting a screen of cells.
    painter->save();
    painter->setClipRect(opt.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    if (!opt.text.isEmpty()) {
        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                : QPalette::Inactive;
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
        const QString shown = opt.fontMetrics.horizontalAdvance(opt.text) > textRect.width()
                                  ? opt.fontMetrics.elidedText(opt.text, opt.textElideMode, textRect.width())
                                  : opt.text;
        painter->drawText(textRect, int(opt.displayAlignment) | Qt::TextSingleLine, shown);
    }
    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor =
            opt.palette.color((opt.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
    // A date cell that is current shows a drop-down mark: a click opens the date picker.
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view && view->currentIndex() == index && m_grid->isEditable() && m_grid->isDateColumn(index.column())) {
        const int h = option.rect.height();
        const int side = std::max(4, h / 3);
        const QPoint c(option.rect.right() - side - 2, option.rect.center().y());
        const QPolygon arrow({QPoint(c.x() - side / 2, c.y() - side / 4), QPoint(c.x() + side / 2, c.y() - side / 4),
                              QPoint(c.x(), c.y() + side / 4)});
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option.palette.highlightedText());
        painter->drawPolygon(arrow);
        painter->restore();
    }
}

bool GridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // A tooltip set on the cell (why its value is refused) comes first; otherwise only a
    // text the cell shows cut needs one.
    if (const QString own = index.data(Qt::ToolTipRole).toString(); !own.isEmpty()) {
        QToolTip::showText(event->globalPos(), own, view->viewport(), opt.rect);
        return true;
    }
    const int margin = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    if (!opt.text.isEmpty() && opt.fontMetrics.horizontalAdvance(opt.text) + margin > opt.rect.width()) {
        QToolTip::showText(event->globalPos(), opt.text, view->viewport(), opt.rect);
    } else {
        QToolTip::hideText();
    }
    return true;
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (editor && editor == m_editing.editor() && event->type() == QEvent::KeyPress &&
        m_editing.onEditorKey(editor, static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (editor && event->type() == QEvent::FocusOut && GridEditing::staysOpenOnFocusOut(editor))
        return false;
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace kv::ui
