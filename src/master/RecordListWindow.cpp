#include "master/RecordListWindow.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "master/ImportDialog.h"
#include "master/ImportReader.h"
#include "master/MasterDialogs.h"
#include "master/NumberHistory.h"
#include "tickets/TicketWindow.h"
#include "ui/DataGrid.h"
#include "ui/FileChooser.h"
#include "ui/FindPanel.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/Twips.h"
#include "ui/WorkbookExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QToolBar>
#include <QToolButton>

namespace kv {

using ui::twipsToPixels;

namespace {

struct WindowNames {
    QString objectName;
    QString caption;
};

WindowNames namesOf(MasterKind kind)
{
    switch (kind) {
    case MasterKind::Product: return {QStringLiteral("产品工价Frm"), QStringLiteral("产品工价设置")};
    case MasterKind::Deduction: return {QStringLiteral("扣减项目Frm"), QStringLiteral("扣减项目设置")};
    case MasterKind::Employee: break;
    }
    return {QStringLiteral("员工管理Frm"), QStringLiteral("员工管理")};
}
} // namespace

RecordListWindow::RecordListWindow(AppContext& ctx, MasterKind kind, QWidget* parent)
    : QWidget(parent), m_ctx(ctx), m_kind(kind)
{
    const WindowNames names = namesOf(kind);
    setObjectName(names.objectName);
    setWindowTitle(names.caption);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Each command runs its own function; its button is named by its caption.
    const auto addCommand = [this](const QString& caption, auto command) {
        QAction* action = m_toolbar->addAction(caption, this, command);
        m_toolbar->widgetForAction(action)->setObjectName(caption);
    };
    addCommand(QStringLiteral("增加"), [this] { openDialog(0); });
    addCommand(QStringLiteral("删除"), [this] { deleteCurrent(); });
    addCommand(QStringLiteral("修改"), [this] {
        if (const qint64 id = currentId())
            openDialog(id);
    });
    addCommand(QStringLiteral("查找"), [this] { m_panel->showPanel(); });
    addCommand(QStringLiteral("筛选"), [this] { m_panel->showPanel(); });
    addCommand(QStringLiteral("导入"), [this] { importFile(); });
    addCommand(QStringLiteral("导出"), [this] { exportGrid(); });
    addCommand(QStringLiteral("打印"), [this] { ui::printDocument(m_ctx, this, *m_grid); });
    // Work orders pay products of this list: their tickets are made from here.
    if (kind == MasterKind::Product)
        addCommand(QStringLiteral("菲票"), [this] { openTickets(); });
    m_toolbar->addSeparator();
    m_showOutOfUse = new QCheckBox(kind == MasterKind::Employee  ? QStringLiteral("显示离职员工")
                                   : kind == MasterKind::Product ? QStringLiteral("显示停用产品")
                                                                 : QStringLiteral("显示停用项目"),
                                   this);
    m_showOutOfUse->setObjectName(QStringLiteral("CheckOutOfUse"));
    m_toolbar->addWidget(m_showOutOfUse);
    connect(m_showOutOfUse, &QCheckBox::toggled, this, [this] { applyFilter(); });

    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("fg"));

    m_panel = new ui::FindPanel(m_grid, this,
                                [this](ui::FindPanel* panel, int index) { return makeConditionRow(panel, index); });
    m_panel->move(twipsToPixels(3000), twipsToPixels(900));
    connect(m_panel, &ui::FindPanel::filterRequested, this, &RecordListWindow::applyFilter);
    connect(m_panel, &ui::FindPanel::closed, this, [this] { loadRecords(); });

    resize(twipsToPixels(11000), twipsToPixels(7000));
    ui::connDB(m_ctx, this);
    loadRecords();
}

ui::ConditionRow RecordListWindow::makeConditionRow(ui::FindPanel* panel, int index)
{
    ui::ConditionRow row = ui::labelledConditionRow(panel, index, QStringLiteral("="));
    if (index != 0) {
        const QComboBox* first = panel->conditionRows().first().field;
        for (int i = 0; i < first->count(); ++i)
            row.field->addItem(first->itemText(i));
        row.field->setCurrentIndex(-1);
    }
    return row;
}

void RecordListWindow::loadRecords(const QList<FieldCondition>& conditions)
{
    RecordRows records;
    if (!ui::guarded(
            this, [&] { records = MasterRecords(m_ctx.conn(), m_kind).list(conditions, m_showOutOfUse->isChecked()); }))
        return;

    const int idCol = int(records.fields.size());
    m_grid->setRows(1);
    m_grid->setCols(idCol + 1);
    // The id column moves when the column of the day out of use comes and goes.
    for (int c = 0; c < idCol; ++c)
        m_grid->setColHidden(c, false);
    m_grid->setColHidden(idCol);
    const MasterTable& table = masterTable(m_kind);
    for (int c = 0; c < idCol; ++c) {
        m_grid->setText(0, c, records.fields.at(c));
        const int column = table.columnIndex(records.fields.at(c));
        const bool number = column >= 0 && table.columns.at(column).type == ColumnType::Number;
        m_grid->setColumnKind(c, number ? ui::DataGrid::ColumnKind::Number : ui::DataGrid::ColumnKind::Text);
    }

    // The field list of row 0 is rebuilt; the field it had chosen stays chosen.
    QComboBox* fields = m_panel->conditionRows().first().field;
    const QString chosen = fields->currentText();
    fields->clear();
    fields->addItems(records.fields);
    fields->setCurrentIndex(fields->findText(chosen));

    m_grid->setRows(int(records.rows.size()) + 1);
    for (int r = 0; r < records.rows.size(); ++r) {
        const QStringList& cells = records.rows.at(r);
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setText(r + 1, c, cells.at(c));
    }
    ui::setListRowHeights(*m_grid);
    ui::fitListColumns(*m_grid);
}

void RecordListWindow::openTickets()
{
    // The product on the current row is offered as the first operation.
    QString productNo;
    for (int c = 0; c < m_grid->cols() && m_grid->row() > 0; ++c)
        if (m_grid->text(0, c) == QStringLiteral("产品编号"))
            productNo = m_grid->text(m_grid->row(), c);
    auto* window = new TicketWindow(m_ctx, this, productNo);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

qint64 RecordListWindow::currentId() const
{
    if (m_grid->row() == 0 || m_grid->rows() < 2)
        return 0;
    return m_grid->text(m_grid->row(), m_grid->cols() - 1).toLongLong();
}

void RecordListWindow::openDialog(qint64 editId)
{
    MasterDialog* dialog = createMasterDialog(m_kind, m_ctx, this);
    dialog->editedId = editId;
    connect(dialog, &MasterDialog::saved, this, [this] { loadRecords(); });
    dialog->open();
}

void RecordListWindow::deleteCurrent()
{
    const qint64 id = currentId();
    if (id == 0)
        return;
    const bool employee = m_kind == MasterKind::Employee;
    const QString noun = employee ? QStringLiteral("该员工") : QStringLiteral("该") + recordNoun(m_kind);
    // The operator learns before answering that stored wage lines name the record, and that it
    // then stays, out of use, in every month it was paid in.
    LineReferences refs;
    std::optional<QDate> since;
    QString today; // as the database dates the change (on a server, by its clock)
    if (!ui::guarded(this, [&] {
            refs = MasterRecords(m_ctx.conn(), m_kind).referringLines(id);
            since = outOfUseSince(m_ctx.conn(), m_kind, id);
            today = dateText(m_ctx.conn().now().date());
        }))
        return;
    if (since) {
        ui::message(this,
                    noun + QStringLiteral("已于 %1 %2，不能再删除。")
                               .arg(dateText(*since), employee ? QStringLiteral("离职") : QStringLiteral("停用")),
                    QStringLiteral("删除"), ui::Icon::Information);
        return;
    }
    const QString note = referenceNote(m_kind, refs);
    const QString number = masterTable(m_kind).numberColumn().name;
    QString consequence;
    if (refs.production + refs.deductions > 0)
        consequence = employee
                          ? QStringLiteral("这些记录都会保留：该员工不会被删除，而是记为离职（离职日期 %1），"
                                           "以后的查找和录入中不再出现，以前各月的工资照常显示，他的工号不会再给别人。")
                                .arg(today)
                          : QStringLiteral("这些记录都会保留：%1不会被删除，而是改为停用（停用日期 %2），"
                                           "以后录入时不再能选，以前各月照常显示，它的%3不会再给别的%4。")
                                .arg(noun, today, number, recordNoun(m_kind));
    else
        consequence = QStringLiteral("删除后它的%1也不会再给别的%2使用。").arg(number, recordNoun(m_kind));
    const QString question =
        QStringLiteral("确定要删除选中数据吗？") + (note.isEmpty() ? QString() : u'\n' + note) + u'\n' + consequence;
    if (!ui::confirmLoss(this, question, QStringLiteral("确定删除")))
        return;
    Removal removal = Removal::Missing;
    if (!ui::guarded(this, [&] { removal = MasterRecords(m_ctx.conn(), m_kind).remove(id); }))
        return;
    if (removal == Removal::Deleted)
        ui::message(this, QStringLiteral("删除成功！"), QStringLiteral("己删除"), ui::Icon::Information);
    else if (removal == Removal::OutOfUse)
        ui::message(this,
                    employee ? noun + QStringLiteral("已记为离职，以前各月的工资照常保留。")
                             : noun + QStringLiteral("已停用，以前各月的记录照常保留。"),
                    employee ? QStringLiteral("离职") : QStringLiteral("停用"), ui::Icon::Information);
    loadRecords();
}

void RecordListWindow::exportGrid()
{
    const QString path = m_ctx.paths().file(masterTable(m_kind).exportFileName);
    ui::exportGrid(this, *m_grid, path);
}

void RecordListWindow::importFile()
{
    const QString path =
        ui::chooseFileToOpen(this, QStringLiteral("导入%1").arg(masterTable(m_kind).table),
                             QStringLiteral("工作簿或 CSV 文件 (*.xlsx *.xls *.csv *.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    // The file is read in a reader process of its own; a fault there ends only the reader.
    const QString reader =
        m_ctx.readerProgram.isEmpty() ? QCoreApplication::applicationFilePath() : m_ctx.readerProgram;
    QProgressDialog waiting(QStringLiteral("正在读取文件……"), QStringLiteral("停止"), 0, 0, this);
    waiting.setObjectName(QStringLiteral("读取文件"));
    waiting.setWindowTitle(QStringLiteral("导入"));
    waiting.setWindowModality(Qt::WindowModal);
    waiting.setMinimumDuration(500);
    const SourceSheet sheet = readImportFileApart(path, reader, [&waiting] {
        waiting.setValue(0); // shows the dialog once reading takes a while
        QCoreApplication::processEvents();
        return !waiting.wasCanceled();
    });
    waiting.reset();
    if (!sheet.error.isEmpty()) {
        ui::message(this, sheet.error, QStringLiteral("导入"), ui::Icon::Warning);
        return;
    }
    ImportPreview preview;
    if (!ui::guarded(this, [&] { preview = MasterImport(m_ctx.conn(), m_kind).preview(sheet.rows); }))
        return;
    if (!preview.error.isEmpty()) {
        ui::message(this, preview.error, QStringLiteral("导入"), ui::Icon::Warning);
        return;
    }
    auto* dialog = new ImportDialog(m_ctx, m_kind, path, std::move(preview), this);
    connect(dialog, &ImportDialog::imported, this, [this] { loadRecords(); });
    dialog->open();
}

void RecordListWindow::applyFilter()
{
    QList<FieldCondition> typed;
    for (const ui::ConditionRow& row : m_panel->conditionRows())
        typed.append({row.field->currentText(), row.value->text()});
    loadRecords(filterConditions(typed));
}

void RecordListWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int toolbarHeight = m_toolbar->sizeHint().height();
    m_toolbar->setGeometry(0, 0, width(), toolbarHeight);
    // The grid follows the window; the panel stays where it is.
    const int top = toolbarHeight + twipsToPixels(60);
    m_grid->setGeometry(twipsToPixels(150), top, std::max(0, width() - twipsToPixels(300)),
                        std::max(0, std::min(height() - twipsToPixels(900), height() - top - twipsToPixels(150))));
}

} // namespace kv
