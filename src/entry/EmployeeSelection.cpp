#include "entry/EmployeeSelection.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "entry/EmployeeFinder.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>

namespace kv {

CandidateList::CandidateList(QWidget* parent) : QListWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // Every entry is one line of the list's font: none needs measuring on its own.
    setUniformItemSizes(true);
}

void CandidateList::setCandidates(const QList<EmployeeRef>& employees)
{
    // Given as one block of texts, the list takes them in one insertion: added one by one, each
    // entry made the list lay itself out again (32,000 names once took a fifth of a second).
    QStringList texts;
    texts.reserve(employees.size());
    m_ids.clear();
    m_ids.reserve(employees.size());
    for (const EmployeeRef& e : employees) {
        texts.append(e.candidateText());
        m_ids.append(e.id);
    }
    clear();
    addItems(texts);
}

qint64 CandidateList::idAt(int row) const
{
    return m_ids.value(row);
}

void CandidateList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event); // the pressed entry is highlighted first
    if (event->button() == Qt::LeftButton)
        emit leftPressed();
}

EmployeeSelection::EmployeeSelection(AppContext& ctx, const Controls& controls, QWidget* window)
    : QObject(window), m_ctx(ctx), m_c(controls), m_window(window)
{
    connect(m_c.name, &QLineEdit::textChanged, this, &EmployeeSelection::onNameChanged);
    connect(m_c.number, &QLineEdit::textChanged, this, &EmployeeSelection::onNumberChanged);
    connect(m_c.list, &CandidateList::leftPressed, this, &EmployeeSelection::onListPressed);
    connect(m_c.showAll, &QPushButton::clicked, this, &EmployeeSelection::onShowAll);
    m_c.name->installEventFilter(this);
    m_c.number->installEventFilter(this);
    m_c.showAll->installEventFilter(this);
}

bool EmployeeSelection::leavesForWithinWindow(const QFocusEvent& event) const
{
    // Only moving on to another control of this window counts as leaving a box: switching to
    // another tab, another program or a pop-up must not blank the boxes or complain.
    if (event.reason() == Qt::ActiveWindowFocusReason || event.reason() == Qt::PopupFocusReason)
        return false;
    if (!m_window->isVisible())
        return false;
    const QWidget* next = QApplication::focusWidget();
    return !next || m_window->isAncestorOf(next) || next == m_window;
}

bool EmployeeSelection::eventFilter(QObject* watched, QEvent* event)
{
    const bool focusOut = event->type() == QEvent::FocusOut && leavesForWithinWindow(*static_cast<QFocusEvent*>(event));
    const int key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_c.name) {
        if (enter && !m_c.list->isVisible() && loadedIsShown()) {
            emit goToLines();
            return true;
        }
        if (key && onNameKey(key))
            return true;
        if (focusOut)
            onNameLeft();
    } else if (watched == m_c.number) {
        if (enter) {
            // Enter on the loaded employee's number goes on to his lines; on any other it is
            // checked as leaving the box would.
            if (loadedIsShown())
                emit goToLines();
            else
                onNumberLeft();
            return true;
        }
        if (focusOut)
            onNumberLeft();
        else if (event->type() == QEvent::MouseButtonPress)
            emit hideLookupPopup();
    } else if (watched == m_c.showAll && focusOut) {
        m_c.list->hide();
    }
    return QObject::eventFilter(watched, event);
}

bool EmployeeSelection::loadedIsShown() const
{
    return !m_loadedNumber.isEmpty() && cleanText(m_c.number->text()) == cleanText(m_loadedNumber) &&
           cleanText(m_c.name->text()) == cleanText(m_loadedName);
}

bool EmployeeSelection::mayLeaveFor(const QString& number) const
{
    return m_loadedNumber.isEmpty() || cleanText(number) == cleanText(m_loadedNumber) || !m_mayLeave || m_mayLeave();
}

void EmployeeSelection::keepLoaded()
{
    const QSignalBlocker quietName(m_c.name);
    const QSignalBlocker quietNumber(m_c.number);
    m_c.name->setText(m_loadedName);
    m_c.number->setText(m_loadedNumber);
    m_c.list->hide();
    emit employeeKept();
}

bool EmployeeSelection::forgetLoaded()
{
    if (!mayLeaveFor(QString())) {
        keepLoaded();
        return false;
    }
    m_loadedNumber.clear();
    m_loadedName.clear();
    m_c.number->clear();
    m_c.name->clear();
    clearWorkshopLine();
    return true;
}

void EmployeeSelection::selectById(qint64 id)
{
    std::optional<EmployeeRef> employee;
    if (!ui::guarded(m_window, [&] { employee = EmployeeFinder(m_ctx.conn()).byId(id); }) || !employee)
        return;
    if (!mayLeaveFor(employee->number)) {
        keepLoaded();
        return;
    }
    m_pickedNumber = employee->number;
    m_c.name->setText(employee->name);
    m_c.number->setText(employee->number); // loads him
    m_c.workshopLine->setText(employee->workshopLine());
    m_c.workshopLine->adjustSize();
    m_c.list->hide();
}

bool EmployeeSelection::findsLeft(const QString& number) const
{
    const QString typed = cleanText(number);
    return !typed.isEmpty() && (typed == cleanText(m_pickedNumber) || typed == cleanText(m_loadedNumber));
}

void EmployeeSelection::clearWorkshopLine()
{
    m_c.workshopLine->setText(QStringLiteral("所在车间：    工种："));
    m_c.workshopLine->adjustSize();
}

void EmployeeSelection::onNameChanged(const QString& text)
{
    m_c.list->setCandidates({});
    if (cleanText(text).isEmpty()) {
        m_c.list->hide();
        return;
    }
    QList<EmployeeRef> found;
    if (!ui::guarded(m_window, [&] { found = EmployeeFinder(m_ctx.conn()).nameContains(text); }))
        return;
    m_c.list->setCandidates(found);
    if (m_c.list->count() > 0) {
        m_c.list->show();
        m_c.list->raise();
    }
}

bool EmployeeSelection::onNameKey(int key)
{
    QListWidget* list = m_c.list;
    const int n = list->count();
    if (n == 0)
        return false;
    const int current = list->currentRow();
    switch (key) {
    case Qt::Key_Down:
        if (!list->isVisible())
            return false;
        list->setCurrentRow(current < 0 || current == n - 1 ? 0 : current + 1);
        return true;
    case Qt::Key_Up:
        if (!list->isVisible())
            return false;
        list->setCurrentRow(current <= 0 ? n - 1 : current - 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current < 0)
            list->setCurrentRow(0);
        selectById(m_c.list->idAt(list->currentRow()));
        return true;
    default: return false;
    }
}

void EmployeeSelection::onListPressed()
{
    if (QListWidgetItem* item = m_c.list->currentItem(); item && item->isSelected())
        selectById(m_c.list->idAt(m_c.list->row(item)));
    emit hideLookupPopup();
}

void EmployeeSelection::onNameLeft()
{
    // The loaded employee stays, also one who has left since (opened from the statistics).
    bool exists = true;
    if (!loadedIsShown() &&
        ui::guarded(m_window, [&] { exists = EmployeeFinder(m_ctx.conn()).nameExists(m_c.name->text()); }) && !exists) {
        if (!forgetLoaded())
            return;
        emit nameNotFound();
    }
    m_c.list->hide();
}

void EmployeeSelection::onNumberChanged(const QString& text)
{
    emit hideLookupPopup();
    std::optional<EmployeeRef> employee;
    if (ui::guarded(m_window, [&] { employee = EmployeeFinder(m_ctx.conn()).byNumber(text, findsLeft(text)); }) &&
        employee) {
        // The loaded number typed again reloads his month: that drops unsaved lines as surely
        // as another employee does, so it asks the same.
        const bool again = !m_loadedNumber.isEmpty() && cleanText(employee->number) == cleanText(m_loadedNumber);
        const bool mayLoad = again ? (!m_mayLeave || m_mayLeave()) : mayLeaveFor(employee->number);
        if (!mayLoad) {
            keepLoaded();
            return;
        }
        m_loadedNumber = employee->number;
        m_loadedName = employee->name;
        m_c.name->setText(employee->name);
        m_c.workshopLine->setText(employee->workshopLine());
        m_c.workshopLine->adjustSize();
        emit employeeFound(employee->id);
    }
    m_c.list->hide();
}

void EmployeeSelection::onNumberLeft()
{
    std::optional<EmployeeRef> employee;
    if (ui::guarded(m_window,
                    [&] {
                        employee =
                            EmployeeFinder(m_ctx.conn()).byNumber(m_c.number->text(), findsLeft(m_c.number->text()));
                    }) &&
        !employee) {
        ui::message(m_window, QStringLiteral("没有该员工！"), QStringLiteral("没有"), ui::Icon::Warning);
        // Nobody is loaded any more, once the lines on screen may go; else the loaded employee
        // stays, with them.
        if (!forgetLoaded())
            return;
        emit numberNotFound();
    }
    m_c.list->hide();
}

void EmployeeSelection::onShowAll()
{
    m_c.list->show();
    m_c.list->raise();
    m_c.list->setCandidates({});
    QList<EmployeeRef> all;
    if (ui::guarded(m_window, [&] { all = EmployeeFinder(m_ctx.conn()).all(); }))
        m_c.list->setCandidates(all);
}

} // namespace kv
