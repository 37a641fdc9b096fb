#include "master/MasterDialog.h"

#include "data/AppContext.h"
#include "data/TextRules.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

MasterDialog::MasterDialog(AppContext& ctx, MasterKind kind, const Captions& captions, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_kind(kind), m_captions(captions)
{
    setObjectName(captions.objectName);
    setWindowTitle(captions.add);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* outer = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(8);
    m_grid->setVerticalSpacing(8);
    m_grid->setColumnMinimumWidth(1, 220);
    outer->addLayout(m_grid);
    m_sections = new QVBoxLayout;
    outer->addLayout(m_sections);

    m_save = ui::commandButton(QStringLiteral("添加"), QStringLiteral("Command1"), this);
    m_cancel = ui::commandButton(QStringLiteral("取消"), QStringLiteral("Command2"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    outer->addSpacing(6);
    outer->addLayout(buttons);

    connect(m_save, &QPushButton::clicked, this, &MasterDialog::save);
    connect(m_cancel, &QPushButton::clicked, this, &MasterDialog::reject);
}

QLineEdit* MasterDialog::addLineEdit(const QString& label, const QString& name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    addField(label, edit);
    return edit;
}

QComboBox* MasterDialog::addComboBox(const QString& label, const QString& name)
{
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    addField(label, combo);
    return combo;
}

void MasterDialog::addField(const QString& label, QWidget* control)
{
    const int row = int(m_fields.size());
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QStringLiteral("Label%1").arg(row + 1));
    caption->setBuddy(control);
    m_grid->addWidget(caption, row, 0, Qt::AlignRight);
    m_grid->addWidget(control, row, 1);
    if (!m_fields.isEmpty())
        setTabOrder(m_fields.last(), control);
    setTabOrder(control, m_save);
    setTabOrder(m_save, m_cancel);
    m_fields.append(control);
    // A date box takes Tab for its own parts (year, month, day); here Tab goes on to the next
    // field, as everywhere else in the dialog, so that what is typed next lands there.
    if (qobject_cast<QDateEdit*>(control))
        control->installEventFilter(this);
}

bool MasterDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QDateEdit*>(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const qsizetype at = m_fields.indexOf(static_cast<QWidget*>(watched));
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && at >= 0) {
            QWidget* next = key == Qt::Key_Tab ? (at + 1 < m_fields.size() ? m_fields.at(at + 1) : m_save)
                                               : (at > 0 ? m_fields.at(at - 1) : m_cancel);
            next->setFocus(key == Qt::Key_Tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MasterDialog::open()
{
    if (!prepare()) {
        deleteLater();
        return;
    }
    setFixedSize(sizeHint());
    setWindowModality(Qt::ApplicationModal);
    show();
    m_fields.first()->setFocus();
}

bool MasterDialog::prepare()
{
    bool found = true;
    const bool ok = ui::guarded(this, [&] {
        prepareFields();
        if (editedId == 0)
            return;
        m_save->setText(QStringLiteral("保存修改"));
        setWindowTitle(m_captions.edit);
        const auto values = MasterRecords(m_ctx.conn(), m_kind).load(editedId);
        m_loaded = values;
        if (!values) {
            found = false;
            return;
        }
        // In column order, so that a stored search code overwrites the one the description
        // produced a moment before.
        for (int i = 0; i < m_fields.size(); ++i)
            setValue(i, values->value(i));
        recordShown();
    });
    if (ok && !found)
        reportMissingRecord();
    return ok && found;
}

void MasterDialog::addSection(QWidget* section)
{
    m_sections->addWidget(section);
}

void MasterDialog::takeStoredValue(int column)
{
    const auto values = MasterRecords(m_ctx.conn(), m_kind).load(editedId);
    if (!values || !m_loaded)
        return;
    (*m_loaded)[column] = values->value(column);
    setValue(column, values->value(column));
}

void MasterDialog::reportMissingRecord()
{
    ui::message(this, QStringLiteral("引用错误ID"), QStringLiteral("出错！"), ui::Icon::Warning);
}

void MasterDialog::save()
{
    ui::guarded(this, [&] {
        MasterRecords records(m_ctx.conn(), m_kind);
        // A number a record out of use or gone had is never given again.
        if (const QString former = records.formerOwner(valueOf(0), editedId); !former.isEmpty()) {
            if (confirmNewNumber(former))
                setValue(0, records.automaticNumber());
            m_fields.first()->setFocus();
            return;
        }
        if (editedId == 0 && records.numberExists(valueOf(0))) {
            if (confirmNewNumber(masterTable(m_kind).duplicateMessage))
                setValue(0, records.automaticNumber());
            m_fields.first()->setFocus();
            return;
        }

        QStringList values;
        for (int i = 0; i < m_fields.size(); ++i)
            values << valueOf(i);
        if (const auto problem = records.firstProblem(values)) {
            ui::message(this, records.problemText(values, *problem));
            m_fields.at(*problem)->setFocus();
            return;
        }

        // Two people may share a name, but the clerk should know when a list will show two alike.
        if (!m_loaded || cleanText(m_loaded->value(1)) != cleanText(values.value(1)))
            if (const QStringList alike = records.lookAlikeNames(values.value(1), editedId);
                !alike.isEmpty() &&
                ui::message(this,
                            QStringLiteral("已有员工的姓名与“%1”看起来一样：%2。\n列表中将分不清他们。确定还要保存吗？")
                                .arg(cleanText(values.value(1)), alike.join(QStringLiteral("、"))),
                            QStringLiteral("姓名相同"), ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes) {
                m_fields.at(1)->setFocus();
                return;
            }
        if (!records.save(editedId, values, m_loaded)) {
            reportMissingRecord();
            close();
            return;
        }
        raise();
        activateWindow();
        ui::message(this, editedId == 0 ? QStringLiteral("添加成功！") : QStringLiteral("修改成功！"),
                    QStringLiteral("成功！"));
        emit saved();
        accept();
    });
}

bool MasterDialog::confirmNewNumber(const QString& refusal)
{
    const MasterTable& table = masterTable(m_kind);
    ui::message(this, refusal, QStringLiteral("提示！"), ui::Icon::Warning);
    return ui::message(this, table.autoNumberQuestion, QStringLiteral("是否"), ui::Icon::None, ui::Buttons::YesNo) ==
           ui::Answer::Yes;
}

void MasterDialog::done(int result)
{
    editedId = 0;
    QDialog::done(result);
}

QString MasterDialog::valueOf(int column) const
{
    QWidget* w = m_fields.at(column);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* date = qobject_cast<QDateEdit*>(w))
        return dateText(date->date());
    return {};
}

void MasterDialog::setValue(int column, const QString& value)
{
    QWidget* w = m_fields.at(column);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // The stored text is shown whether or not the pick list has it.
        combo->setCurrentIndex(combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
        combo->setEditText(value);
    } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
        if (const auto d = parseDateText(value))
            date->setDate(*d);
    }
}

} // namespace kv
