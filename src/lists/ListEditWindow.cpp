#include "lists/ListEditWindow.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = ui::commandButton(text, name, parent);
    button->setMinimumWidth(84);
    return button;
}
} // namespace

ListEditWindow::ListEditWindow(AppContext& ctx, const Texts& texts, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    ui::makeModalWindow(this, texts.objectName, texts.caption);

    m_buttons = new QWidget(this);
    auto* buttonRow = new QHBoxLayout(m_buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    m_add = makeButton(texts.add, QStringLiteral("Command2"), m_buttons);
    m_edit = makeButton(texts.edit, QStringLiteral("Command3"), m_buttons);
    m_remove = makeButton(texts.remove, QStringLiteral("Command4"), m_buttons);
    buttonRow->addWidget(m_add);
    buttonRow->addWidget(m_edit);
    buttonRow->addWidget(m_remove);
    buttonRow->addStretch();

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("editbox"));
    m_panel->hide();
    auto* panelLayout = new QHBoxLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    m_fields = new QGridLayout;
    m_fields->setColumnStretch(1, 1);
    m_name = new QLineEdit(m_panel);
    m_name->setObjectName(QStringLiteral("Text2"));
    m_fields->addWidget(m_name, 0, 1);
    m_confirm = makeButton(QStringLiteral("确定"), QStringLiteral("Command1"), m_panel);
    m_cancel = makeButton(QStringLiteral("取消"), QStringLiteral("Command5"), m_panel);
    m_confirm->setMinimumWidth(64);
    m_cancel->setMinimumWidth(64);
    auto* panelButtons = new QVBoxLayout;
    panelButtons->addWidget(m_confirm);
    panelButtons->addWidget(m_cancel);
    panelButtons->addStretch();
    panelLayout->addLayout(m_fields, 1);
    panelLayout->addLayout(panelButtons);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setStyleSheet(QStringLiteral("QListWidget::item { padding: 3px 6px; }"));

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_buttons);
    outer->addWidget(m_panel);
    outer->addWidget(m_list, 1);
    resize(380, 420);

    connect(m_add, &QPushButton::clicked, this, [this] { openPanel(false); });
    connect(m_edit, &QPushButton::clicked, this, [this] { openPanel(true); });
    connect(m_remove, &QPushButton::clicked, this, &ListEditWindow::removeSelected);
    connect(m_confirm, &QPushButton::clicked, this, &ListEditWindow::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &ListEditWindow::closePanel);
    connect(m_name, &QLineEdit::returnPressed, this, &ListEditWindow::confirm);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_edit->isEnabled())
            openPanel(true);
    });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { updateCommands(selectedEntry()); });
}

void ListEditWindow::load()
{
    ui::connDB(m_ctx, this);
    loadData();
}

void ListEditWindow::loadData()
{
    m_list->clear();
    QList<ListEntry> entries;
    if (!ui::guarded(this, [&] { entries = readEntries(m_ctx.conn()); }))
        return;
    for (const ListEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.name, m_list);
        item->setData(Qt::UserRole, entry.id);
    }
    m_list->setCurrentRow(-1);
    updateCommands(selectedEntry());
}

std::optional<ListEntry> ListEditWindow::selectedEntry() const
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return std::nullopt;
    return ListEntry{item->data(Qt::UserRole).toLongLong(), item->text()};
}

void ListEditWindow::openPanel(bool editMode)
{
    const auto entry = selectedEntry();
    if (editMode && !entry)
        return;
    m_editMode = editMode;
    m_name->setText(editMode ? entry->name : QString());
    preparePanel(editMode ? entry : std::nullopt);
    m_buttons->hide();
    m_panel->show();
    m_name->setFocus();
    m_name->selectAll();
}

void ListEditWindow::closePanel()
{
    m_panel->hide();
    m_buttons->show();
    m_list->setFocus();
}

void ListEditWindow::warn(const QString& text)
{
    ui::message(this, text, QStringLiteral("敬告！"), ui::Icon::Warning);
}

void ListEditWindow::confirm()
{
    if (cleanText(m_name->text()).isEmpty()) {
        warn(QStringLiteral("不能为空！"));
        m_name->setFocus();
        return;
    }
    if (const QString problem = panelProblem(); !problem.isEmpty()) {
        warn(problem);
        return;
    }
    std::optional<qint64> editId;
    if (m_editMode) {
        // The selection may have changed, or gone with a delete, since the panel opened.
        const auto entry = selectedEntry();
        if (!entry) {
            warn(QStringLiteral("请先在列表中选中要修改的一项，再按“确定”。"));
            return;
        }
        editId = entry->id;
    }
    ListChange change = ListChange::Done;
    if (!ui::guarded(this, [&] { change = write(m_ctx.conn(), editId); }))
        return; // the panel keeps what was typed
    switch (change) {
    case ListChange::Done:
        closePanel();
        ui::message(this, m_editMode ? QStringLiteral("修改成功！") : QStringLiteral("添加成功！"),
                    QStringLiteral("成功！"), ui::Icon::Information);
        break;
    case ListChange::Missing:
        closePanel();
        warn(QStringLiteral("要修改的一项已不存在。"));
        break;
    case ListChange::EmptyName: warn(QStringLiteral("不能为空！")); return;
    case ListChange::Protected: return; // deleting only
    }
    loadData();
}

void ListEditWindow::removeSelected()
{
    const auto entry = selectedEntry();
    if (!entry)
        return;
    if (const QString refusal = deleteRefusal(entry->id); !refusal.isEmpty()) {
        warn(refusal);
        return;
    }
    if (!ui::confirmLoss(this, QStringLiteral("确定要删除？"), QStringLiteral("确定删除")))
        return;
    ListChange change = ListChange::Done;
    if (!ui::guarded(this, [&] { change = erase(m_ctx.conn(), entry->id); }))
        return;
    if (change == ListChange::Done)
        ui::message(this, QStringLiteral("删除成功！"), QStringLiteral("己删除"), ui::Icon::Information);
    else
        warn(QStringLiteral("要删除的一项已不存在。"));
    loadData();
}

void ListEditWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the open panel first, and only then the window.
    if (event->key() == Qt::Key_Escape && m_panel->isVisible()) {
        closePanel();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kv
