#include "entry/WageEntryWindow.h"

#include "data/AppContext.h"
#include "data/Error.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "entry/EmployeeSelection.h"
#include "entry/EntryGrids.h"
#include "entry/EntryLayout.h"
#include "entry/LineAreaGrowth.h"
#include "entry/LineGridEditor.h"
#include "entry/LookupPopup.h"
#include "entry/MonthRecords.h"
#include "entry/ScanQueue.h"
#include "entry/SheetCheck.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>


namespace kv {

using entry::emptyLines;
using entry::firstEmptyLine;
using entry::gridLines;
using entry::kClosedGrey;
using entry::kWhite;
using entry::place;
using entry::placeAt;
using entry::showTotal;
using ui::DataGrid;

namespace {
constexpr int kDesignWidthTwips = 11500;
constexpr int kDesignHeightTwips = 6500;

QLabel* label(const QString& text, QWidget* parent, const QString& name)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(entry::songFont(10.5));
    return l;
}

QLineEdit* textBox(QWidget* parent, const QString& name, bool readOnly = false)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setFont(entry::fixedFont(12));
    t->setReadOnly(readOnly);
    if (readOnly)
        t->setText(Decimal().moneyText());
    return t;
}
} // namespace

WageEntryWindow::WageEntryWindow(AppContext& ctx, QWidget* parent, const QString& employeeNo, const QString& month)
    : QWidget(parent), openedEmployeeNo(employeeNo), m_ctx(ctx)
{
    setObjectName(QStringLiteral("工资计算Frm"));
    setWindowTitle(QStringLiteral("工资计算"));
    buildLayout();

    // Load: connect, offer the working months, set up the grids, open on openedEmployeeNo.
    ui::connDB(m_ctx, this);
    m_month->addItems(workingMonths(m_ctx.clock().today()));
    m_month->setCurrentIndex(month.isEmpty() ? m_month->count() - 1 : offerMonth(month));
    connect(m_month, &QComboBox::currentIndexChanged, this, &WageEntryWindow::onMonthChanged);
    onMonthChanged();
    setUpGrids();
    m_number->setText(openedEmployeeNo);
    m_name->setFocus();
}

WageEntryWindow::~WageEntryWindow() = default;

void WageEntryWindow::buildLayout()
{
    setMinimumSize(ui::twipsToPixels(kDesignWidthTwips), ui::twipsToPixels(kDesignHeightTwips));

    place(label(QStringLiteral("员工姓名："), this, QStringLiteral("Label2")), 180, 120, 1050, 210);
    m_name = textBox(this, QStringLiteral("Text1"));
    place(m_name, 1230, 30, 1605, 315);
    m_showAll = ui::commandButton(QStringLiteral("↓"), QStringLiteral("Command4"), this);
    place(m_showAll, 2880, 60, 315, 285);
    place(label(QStringLiteral("工号："), this, QStringLiteral("Label3")), 3270, 120, 630, 210);
    m_number = textBox(this, QStringLiteral("Text2"));
    place(m_number, 3840, 30, 1635, 315);
    m_workshop = label(QStringLiteral("所在车间：    工种："), this, QStringLiteral("Label4"));
    placeAt(m_workshop, 5760, 120);

    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    place(m_frame, 180, 420, 11055, 5955);
    m_frame->setEnabled(false);
    m_frame->installEventFilter(this);

    place(label(QStringLiteral("计工月份："), m_frame, QStringLiteral("Label1")), 150, 240, 1050, 210);
    m_month = new QComboBox(m_frame);
    m_month->setObjectName(QStringLiteral("Combo1"));
    m_month->setFont(entry::fixedFont(12));
    place(m_month, 1170, 120, 1965, 360);
    m_closedMark = label(QStringLiteral("已结账"), m_frame, QStringLiteral("LabelClosed"));
    m_closedMark->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    placeAt(m_closedMark, 3240, 240);
    m_closedMark->hide();
    m_scan = new ScanQueue(m_ctx, m_frame,
                           {[this] { return m_number->text(); }, [this] { return workingMonth(); },
                            [this] {
                                recheckClosed();
                                return m_readOnly;
                            },
                            [this] { return gridLines(*m_production); },
                            [this](const LineTexts& line) {
                                entry::appendLine(*m_production, line);
                                entry::showTicketColumn(*m_production);
                                showTotals();
                            }});

    m_production = new DataGrid(m_frame);
    m_production->setObjectName(QStringLiteral("fg"));
    place(m_production, 180, 510, 9765, 1830);

    placeAt(label(QStringLiteral("生产金额合计："), m_frame, QStringLiteral("Label5")), 3660, 2520);
    m_productionTotal = textBox(m_frame, QStringLiteral("Text3"), true);
    place(m_productionTotal, 5160, 2430, 2385, 315);
    m_productionNote = label(QString(), m_frame, QStringLiteral("Label9"));
    placeAt(m_productionNote, 210, 2550);

    m_deductions = new DataGrid(m_frame);
    m_deductions->setObjectName(QStringLiteral("fg1"));
    place(m_deductions, 150, 2850, 7395, 1230);

    placeAt(label(QStringLiteral("减扣金额合计："), m_frame, QStringLiteral("Label6")), 3690, 4260);
    m_deductionTotal = textBox(m_frame, QStringLiteral("Text4"), true);
    place(m_deductionTotal, 5130, 4200, 2385, 315);
    m_deductionNote = label(QString(), m_frame, QStringLiteral("Label10"));
    placeAt(m_deductionNote, 180, 4410);
    placeAt(label(QStringLiteral("实发工资："), m_frame, QStringLiteral("Label7")), 4110, 4800);
    m_netPay = textBox(m_frame, QStringLiteral("Text5"), true);
    place(m_netPay, 5130, 4740, 2385, 315);
    m_deductionTotal->installEventFilter(this);
    m_netPay->installEventFilter(this);

    auto* save = ui::commandButton(QStringLiteral("保存"), QStringLiteral("Command1"), m_frame);
    place(save, 5130, 5220, 1215, 465);
    auto* print = ui::commandButton(QStringLiteral("打印"), QStringLiteral("Command2"), m_frame);
    place(print, 6720, 5220, 1215, 465);
    // The wage slip stands beside the print of the grids, and "全部清空" moves right for it.
    auto* slip = ui::commandButton(QStringLiteral("工资条"), QStringLiteral("Command8"), m_frame);
    place(slip, 8010, 5220, 1065, 465);
    auto* clear = ui::commandButton(QStringLiteral("全部清空"), QStringLiteral("Command3"), m_frame);
    place(clear, 9165, 5220, 1215, 465);
    auto* reprice = ui::commandButton(QStringLiteral("按新工价重算"), QStringLiteral("Command9"), m_frame);
    place(reprice, 3180, 5220, 1815, 465);
    // Prints belong to the right to print, which an account entering wages may lack.
    ui::permit(print, m_ctx.session().refusal(Right::Statistics));
    ui::permit(slip, m_ctx.session().refusal(Right::Statistics));
    connect(save, &QPushButton::clicked, this, &WageEntryWindow::onSave);
    connect(print, &QPushButton::clicked, this, &WageEntryWindow::onPrint);
    connect(slip, &QPushButton::clicked, this, &WageEntryWindow::onPrintSlip);
    connect(clear, &QPushButton::clicked, this, &WageEntryWindow::onClear);
    connect(reprice, &QPushButton::clicked, this, &WageEntryWindow::onReprice);

    m_candidates = new CandidateList(this);
    m_candidates->setObjectName(QStringLiteral("List1"));
    m_candidates->setFont(entry::songFont(10.5));
    place(m_candidates, 1230, 360, 1995, 2400);
    m_candidates->hide();

    m_popup = new LookupPopup(this);
    buildLineEditors();
    buildLineAreaGrowth();
    addShortcuts();

    m_selection = new EmployeeSelection(m_ctx, {m_name, m_number, m_candidates, m_showAll, m_workshop}, this);
    connect(m_selection, &EmployeeSelection::employeeFound, this,
            [this] { ui::guarded(this, [&] { openEmployee(); }); });
    connect(m_selection, &EmployeeSelection::hideLookupPopup, m_popup, &QWidget::hide);
    connect(m_selection, &EmployeeSelection::numberNotFound, this, [this] {
        m_frame->setEnabled(false);
        m_popup->hide();
    });
    connect(m_selection, &EmployeeSelection::nameNotFound, this, [this] {
        m_frame->setEnabled(false);
        m_popup->hide();
        emptyGrids();
        showTotals();
        markSaved();
    });
    // Another employee, or none, only once unsaved lines may go; otherwise the boxes keep the
    // employee whose lines are shown.
    m_selection->setLeaveCheck([this] { return mayDropChanges(); });
    connect(m_selection, &EmployeeSelection::employeeKept, this, [this] { m_frame->setEnabled(true); });
    connect(m_selection, &EmployeeSelection::goToLines, this, [this] { focusLines(m_production); });
    setKeyboardOrder();
}

void WageEntryWindow::buildLineEditors()
{
    const LineGridEditor::Host host{[this] { return workingMonth(); },
                                    [this] {
                                        entry::showTicketColumn(*m_production);
                                        showTotals();
                                    },
                                    [this] { m_candidates->hide(); }};
    m_productionEditor = new LineGridEditor(LineGridEditor::Kind::Production, m_ctx, m_production, m_popup, host, this);
    m_deductionEditor = new LineGridEditor(LineGridEditor::Kind::Deduction, m_ctx, m_deductions, m_popup, host, this);
    m_target = m_productionEditor;
    for (LineGridEditor* editor : {m_productionEditor, m_deductionEditor})
        connect(editor, &LineGridEditor::becameTarget, this, [this](LineGridEditor* e) { m_target = e; });
    connect(m_popup, &LookupPopup::chosen, this, [this](const QStringList& item) { m_target->choose(item); });
    connect(m_popup, &LookupPopup::dismissed, this, [this] { m_target->dismissLookup(); });
}

void WageEntryWindow::buildLineAreaGrowth()
{
    // Delete buttons beside the rows in view: five and three at the design size, more when the
    // window is taller.
    const QList<LineAreaGrowth::Grid> grids{
        {m_production, 5, 2, QRect(9990, 810, 705, 270), QStringLiteral("DelButton_%1"), QStringLiteral("删除"),
         [this](int i, int n) {
             if (!monthClosedRefused())
                 m_productionEditor->clearVisibleLine(i, n);
         }},
        {m_deductions, 3, 1, QRect(7590, 3180, 735, 270), QStringLiteral("delbutton1_%1"), QStringLiteral("删除"),
         [this](int i, int n) {
             if (!monthClosedRefused())
                 m_deductionEditor->clearVisibleLine(i, n);
         }}};
    m_growth = std::make_unique<LineAreaGrowth>(m_frame, ui::twipsToPixels(kDesignHeightTwips), grids);
    for (const char* name : {"Label5", "Text3", "Label9"})
        m_growth->moveWithGridsAbove(m_frame->findChild<QWidget*>(QString::fromLatin1(name)), 0);
    for (QWidget* w : m_scan->besideGrid())
        m_growth->moveWithGridsAbove(w, 0);
    for (const char* name :
         {"Label6", "Text4", "Label10", "Label7", "Text5", "Command1", "Command2", "Command8", "Command3", "Command9"})
        m_growth->moveWithGridsAbove(m_frame->findChild<QWidget*>(QString::fromLatin1(name)), 1);
    // Delete on a line does what the line's delete button does.
    m_production->table()->installEventFilter(this);
    m_deductions->table()->installEventFilter(this);
}

void WageEntryWindow::setUpGrids()
{
    entry::setUpProductionGrid(*m_production);
    entry::setUpDeductionGrid(*m_deductions);
}

int WageEntryWindow::offerMonth(const QString& month)
{
    const auto wanted = parseMonthText(cleanText(month));
    if (!wanted)
        return m_month->count() - 1;
    const QString text = monthText(wanted->year, wanted->month);
    if (const int at = m_month->findText(text); at >= 0)
        return at;
    // In date order among the others.
    int at = 0;
    while (at < m_month->count() && parseMonthText(m_month->itemText(at))->firstDay() < wanted->firstDay())
        ++at;
    m_month->insertItem(at, text);
    return at;
}

QString WageEntryWindow::workingMonth() const
{
    return m_month->currentText();
}

void WageEntryWindow::onMonthChanged()
{
    m_production->setCurrentCell(0, 0);
    m_deductions->setCurrentCell(0, 0);
    if (m_frame->isEnabled() && m_monthIndex >= 0 && !mayDropChanges()) {
        // Back to the month whose unsaved lines are shown.
        const QSignalBlocker quiet(m_month);
        m_month->setCurrentIndex(m_monthIndex);
        return;
    }
    m_monthIndex = m_month->currentIndex();
    m_scan->followMonth();
    if (m_frame->isEnabled())
        ui::guarded(this, [&] { loadMonth(workingMonth()); });
    m_popup->hide();
    lockClosedMonth();
}

bool WageEntryWindow::showClosedMark()
{
    bool closed = false;
    if (m_ctx.isConnected())
        ui::guarded(this, [&] { closed = ClosedMonths(m_ctx.conn()).isClosed(workingMonth()); });
    m_closedMark->setVisible(closed);
    return closed;
}

void WageEntryWindow::lockClosedMonth()
{
    // A closed month is shown to be read, printed and left: grey lines that take no typing,
    // and no command that would change it.
    m_readOnly = showClosedMark();
    for (DataGrid* grid : {m_production, m_deductions}) {
        grid->setEditable(!m_readOnly);
        if (grid->rows() > 1)
            grid->fillBackground(1, 0, grid->rows() - 1, grid->cols() - 1, m_readOnly ? kClosedGrey : kWhite);
    }
    enableChangeCommands();
}

void WageEntryWindow::enableChangeCommands()
{
    for (const char* name : {"Command1", "Command3", "Command9"})
        m_frame->findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(!m_readOnly);
    if (m_growth)
        for (int g : {0, 1})
            for (QPushButton* b : m_growth->buttons(g))
                b->setEnabled(!m_readOnly);
}

bool WageEntryWindow::monthClosedRefused()
{
    // Asked at the click: the month may have been closed on the settings page meanwhile.
    if (!showClosedMark())
        return false;
    ui::message(this, QString::fromUtf16(kMonthClosedText), QStringLiteral("已结账"), ui::Icon::Warning);
    return true;
}

bool WageEntryWindow::hasUnsavedChanges() const
{
    return linesWithContent(gridLines(*m_production)) != m_savedProduction ||
           linesWithContent(gridLines(*m_deductions)) != m_savedDeductions;
}

bool WageEntryWindow::mayDropChanges()
{
    // A cell being typed in counts with what it shows.
    for (DataGrid* grid : {m_production, m_deductions})
        if (grid->isEditing())
            grid->finishEdit(true);
    if (!hasUnsavedChanges())
        return true;
    if (!ui::confirmLoss(this, QStringLiteral("当前员工的工资数据尚未保存，确定放弃修改吗？"),
                         QStringLiteral("尚未保存"), ui::Icon::Question))
        return false;
    markSaved(); // dropped: nothing is left to ask about
    return true;
}

void WageEntryWindow::markSaved()
{
    m_savedProduction = linesWithContent(gridLines(*m_production));
    m_savedDeductions = linesWithContent(gridLines(*m_deductions));
}

void WageEntryWindow::closeEvent(QCloseEvent* event)
{
    // A window of its own (the statistics' details) asks before its lines go.
    if (isWindow() && !mayDropChanges()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void WageEntryWindow::showLookupResult(const LookupResult& result)
{
    m_popup->showLookupResult(result);
}

void WageEntryWindow::openEmployee()
{
    m_frame->setEnabled(true);
    loadMonth(workingMonth());
}

void WageEntryWindow::showTotals()
{
    const Decimal production = m_production->columnSum(PAmount, 1, m_production->rows() - 1);
    const Decimal deductions = m_deductions->columnSum(DAmount, 1, m_deductions->rows() - 1);
    showTotal(m_productionTotal, production);
    showTotal(m_deductionTotal, deductions);
    showTotal(m_netPay, production - deductions);
}

void WageEntryWindow::loadMonth(const QString& month)
{
    const auto ym = parseMonthText(month);
    if (!ym)
        return;
    // Read everything first, so that a failing read leaves the grids as they were.
    MonthRecords records(m_ctx.conn());
    // The version first: a save in between makes the lines newer than it, never older.
    const qint64 version = records.version(m_number->text(), month);
    const QList<LineTexts> production = records.loadProduction(m_number->text(), *ym);
    const QList<LineTexts> deductions = records.loadDeductions(m_number->text(), *ym);

    m_loadedVersion = version;
    emptyGrids();
    showNotes(month, !production.isEmpty(), !deductions.isEmpty());
    entry::fillLines(*m_production, production);
    entry::fillLines(*m_deductions, deductions);
    entry::showTicketColumn(*m_production);
    showTotals();
    markSaved();
    // Another month starts at its first column, the cursor on the date of the first empty line,
    // where the next line goes.
    for (LineGridEditor* editor : {m_productionEditor, m_deductionEditor}) {
        editor->grid()->table()->scrollToTop();
        editor->grid()->table()->horizontalScrollBar()->setValue(0);
        editor->placeCursor(firstEmptyLine(*editor->grid()));
    }
    m_popup->hide();
    lockClosedMonth();
}

void WageEntryWindow::showNotes(const QString& month, bool productionStored, bool deductionsStored)
{
    m_productionNote->setText(productionStored ? QString()
                                               : QStringLiteral("没有 ") + month + QStringLiteral(" 的工资记录"));
    m_productionNote->adjustSize();
    m_deductionNote->setText(deductionsStored ? QString()
                                              : QStringLiteral("没有 ") + month + QStringLiteral(" 的扣减记录"));
    m_deductionNote->adjustSize();
}

void WageEntryWindow::saveMonth(const SheetLines& lines)
{
    if (!lines.ok())
        throw InputError(
            (lines.productionFaults.isEmpty() ? lines.deductionFaults : lines.productionFaults).first().message);
    // Every line that is stored shows the amount its quantity and piece price make, and the
    // totals on screen are the sums of what is shown.
    for (const ProductionLine& line : lines.production) {
        const QString amount = line.amount().plainText();
        if (m_production->text(line.row, PAmount) != amount)
            m_production->setText(line.row, PAmount, amount);
    }
    showTotals();
    // Refused, with nothing stored, when another user saved this month after it was loaded here.
    m_loadedVersion = MonthRecords(m_ctx.conn())
                          .saveMonth({workingMonth(), m_number->text(), m_name->text(), lines.production,
                                      lines.deductions, m_loadedVersion});
    markSaved();
    // The notes tell what is stored now.
    showNotes(workingMonth(), !lines.production.isEmpty(), !lines.deductions.isEmpty());
}

void WageEntryWindow::deleteStoredMonth()
{
    MonthRecords(m_ctx.conn()).deleteMonth(m_number->text(), workingMonth(), m_loadedVersion);
    m_loadedVersion = 0;
}

void WageEntryWindow::emptyGrids()
{
    emptyLines(*m_production);
    emptyLines(*m_deductions);
    entry::showTicketColumn(*m_production);
}

void WageEntryWindow::recheckClosed()
{
    if (!m_frame->isEnabled() || !m_ctx.isConnected())
        return;
    // A month that cannot be read now is asked again at the next command, which reports it.
    const std::optional<bool> closed = [&]() -> std::optional<bool> {
        try {
            return ClosedMonths(m_ctx.conn()).isClosed(workingMonth());
        } catch (const Error&) {
            return std::nullopt;
        }
    }();
    if (closed && *closed != m_readOnly)
        lockClosedMonth();
}

void WageEntryWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    recheckClosed();
}

void WageEntryWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        recheckClosed();
}

void WageEntryWindow::hidePopups()
{
    m_candidates->hide();
    if (m_popup->isVisible())
        m_target->dismissLookup();
}

void WageEntryWindow::mousePressEvent(QMouseEvent* event)
{
    hidePopups();
    QWidget::mousePressEvent(event);
}

void WageEntryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_growth) {
        m_growth->fitTo(height());
        enableChangeCommands(); // buttons beside rows that came into view
    }
}

bool WageEntryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        for (LineGridEditor* editor : {m_productionEditor, m_deductionEditor}) {
            DataGrid* grid = editor->grid();
            if (watched == grid->table() && !grid->isEditing() && grid->row() >= 1) {
                if (!monthClosedRefused())
                    editor->clearLine(grid->row());
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_frame)
            hidePopups();
        else if (watched == m_deductionTotal || watched == m_netPay)
            m_popup->hide();
    }
    return QWidget::eventFilter(watched, event);
}

void WageEntryWindow::onSave()
{
    if (m_production->rows() < 2 || monthClosedRefused())
        return;
    const std::optional<SheetLines> read = checkSheet(this, *m_production, *m_deductions);
    if (read && ui::guarded(this, [&] { saveMonth(*read); }))
        ui::message(this, QStringLiteral("保存成功！"), QStringLiteral("保存成功"), ui::Icon::Information);
}

} // namespace kv
