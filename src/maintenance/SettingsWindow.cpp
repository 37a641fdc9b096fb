#include "maintenance/SettingsWindow.h"

#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/FactoryName.h"
#include "data/NetPayRounding.h"
#include "data/TextRules.h"
#include "lists/AccountWindow.h"
#include "lists/CodeListWindow.h"
#include "maintenance/Backup.h"
#include "maintenance/ClearData.h"
#include "maintenance/CopyReport.h"
#include "maintenance/LogView.h"
#include "maintenance/MonthCloseBox.h"
#include "maintenance/RestoreDialog.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
constexpr QSize kButtonSize(168, 38);

QPushButton* makeButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFixedSize(kButtonSize);
    return button;
}

QGroupBox* makeGroup(const QString& caption, const QList<QPushButton*>& buttons, QWidget* parent)
{
    auto* group = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(12);
    for (QPushButton* button : buttons) {
        button->setParent(group);
        layout->addWidget(button, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    return group;
}

const QString kClearQuestion =
    QStringList{QStringLiteral("● 清空数据会将所有员工、按件记酬、扣减等等的"),
                QStringLiteral("记录全部清除，只保留超级管理员信息。"),
                QStringLiteral("● 建议在备份数据后再执行此操作！"), QStringLiteral("● 您确定要清空吗？")}
        .join(u'\n');
} // namespace

SettingsWindow::SettingsWindow(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("systemset"));
    setWindowTitle(QStringLiteral("系统设置"));

    auto* workshops = makeButton(QStringLiteral("车间设置"), QStringLiteral("Command1"), this);
    auto* jobTypes = makeButton(QStringLiteral("工种设置"), QStringLiteral("Command2"), this);
    auto* units = makeButton(QStringLiteral("计量单位设置"), QStringLiteral("Command7"), this);
    auto* accounts = makeButton(QStringLiteral("修改用户名和密码"), QStringLiteral("Command4"), this);
    auto* backupButton = makeButton(QStringLiteral("数据备份"), QStringLiteral("Command3"), this);
    auto* restore = makeButton(QStringLiteral("数据恢复"), QStringLiteral("Command6"), this);
    auto* clear = makeButton(QStringLiteral("清空数据"), QStringLiteral("Command5"), this);

    auto* groups = new QHBoxLayout;
    groups->setSpacing(24);
    groups->addWidget(makeGroup(QStringLiteral("初始设置"), {workshops, jobTypes, units}, this));
    groups->addWidget(makeGroup(QStringLiteral("系统管理员设置"), {accounts}, this));
    groups->addWidget(makeGroup(QStringLiteral("系统数据管理"), {backupButton, restore, clear}, this));

    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(32, 32, 32, 32);
    outer->setVerticalSpacing(24);
    outer->addLayout(groups, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* facts = new QHBoxLayout;
    facts->setSpacing(24);
    facts->addWidget(buildFactoryGroup());
    facts->addWidget(buildRoundingGroup());
    outer->addLayout(facts, 1, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* monthClose = new MonthCloseBox(m_ctx, this);
    outer->addWidget(monthClose, 2, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* log = new LogView(m_ctx, this);
    outer->addWidget(log, 3, 0, 1, 2);
    outer->setRowStretch(3, 1);
    // A change made here shows in the log at once; other pages' changes on "刷新".
    connect(monthClose, &MonthCloseBox::changed, log, [log] { log->reload(); });
    outer->setColumnStretch(1, 1);

    // Every account may open the accounts, if only to change its own password.
    const Session& session = m_ctx.session();
    for (QPushButton* button : {workshops, jobTypes, units})
        ui::permit(button, session.refusal(Right::MasterData));
    ui::permit(backupButton, session.refusal(Right::Backup));
    ui::permit(restore, session.refusal(Right::RestoreClear));
    ui::permit(clear, session.refusal(Right::RestoreClear));

    connect(workshops, &QPushButton::clicked, this, [this] { openCodeList(CodeListKind::Workshop); });
    connect(jobTypes, &QPushButton::clicked, this, [this] { openCodeList(CodeListKind::JobType); });
    connect(units, &QPushButton::clicked, this, [this] { openCodeList(CodeListKind::Unit); });
    connect(accounts, &QPushButton::clicked, this, &SettingsWindow::openAccounts);
    connect(backupButton, &QPushButton::clicked, this, &SettingsWindow::backup);
    connect(restore, &QPushButton::clicked, this, &SettingsWindow::openRestore);
    connect(clear, &QPushButton::clicked, this, &SettingsWindow::clearData);
}

QWidget* SettingsWindow::buildFactoryGroup()
{
    auto* group = new QGroupBox(QStringLiteral("单位信息"), this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(24, 18, 24, 18);
    auto* label = new QLabel(QStringLiteral("单位名称："), group);
    m_factory = new QLineEdit(group);
    m_factory->setObjectName(QStringLiteral("factoryName"));
    m_factory->setMinimumWidth(300);
    m_factory->setPlaceholderText(QStringLiteral("印在工资条和打印的表格上方"));
    label->setBuddy(m_factory);
    auto* save = makeButton(QStringLiteral("保存"), QStringLiteral("saveFactoryName"), group);
    save->setFixedWidth(96);
    row->addWidget(label);
    row->addWidget(m_factory);
    row->addWidget(save);
    ui::permit(m_factory, m_ctx.session().refusal(Right::MasterData));
    ui::permit(save, m_ctx.session().refusal(Right::MasterData));
    connect(save, &QPushButton::clicked, this, &SettingsWindow::saveFactoryName);
    connect(m_factory, &QLineEdit::returnPressed, this, &SettingsWindow::saveFactoryName);
    // A page that cannot read the name shows an empty box; saving tells what went wrong.
    try {
        m_factory->setText(factoryName(m_ctx.conn()));
    } catch (const DbError&) {
    }
    return group;
}

QWidget* SettingsWindow::buildRoundingGroup()
{
    auto* group = new QGroupBox(QStringLiteral("工资发放"), this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(24, 18, 24, 18);
    auto* label = new QLabel(QStringLiteral("实发工资取整："), group);
    m_roundingUnit = new QComboBox(group);
    m_roundingUnit->setObjectName(QStringLiteral("roundingUnit"));
    m_roundingUnit->addItems(roundingUnitNames());
    m_roundingMode = new QComboBox(group);
    m_roundingMode->setObjectName(QStringLiteral("roundingMode"));
    m_roundingMode->addItems(roundingModeNames());
    label->setBuddy(m_roundingUnit);
    auto* save = makeButton(QStringLiteral("保存"), QStringLiteral("saveRounding"), group);
    save->setFixedWidth(96);
    row->addWidget(label);
    row->addWidget(m_roundingUnit);
    row->addWidget(m_roundingMode);
    row->addWidget(save);
    for (QWidget* w : {static_cast<QWidget*>(m_roundingUnit), static_cast<QWidget*>(m_roundingMode),
                       static_cast<QWidget*>(save)})
        ui::permit(w, m_ctx.session().refusal(Right::CloseMonths));
    connect(m_roundingUnit, &QComboBox::currentIndexChanged, m_roundingMode,
            [this](int unit) { m_roundingMode->setEnabled(unit != int(NetPayRounding::Unit::None)); });
    connect(save, &QPushButton::clicked, this, &SettingsWindow::saveRounding);
    try {
        const NetPayRounding rounding = netPayRounding(m_ctx.conn());
        m_roundingUnit->setCurrentIndex(int(rounding.unit));
        m_roundingMode->setCurrentIndex(int(rounding.mode));
    } catch (const DbError&) {
    }
    m_roundingMode->setEnabled(m_roundingUnit->isEnabled() && m_roundingUnit->currentIndex() != 0);
    return group;
}

void SettingsWindow::saveRounding()
{
    const NetPayRounding rounding{NetPayRounding::Unit(m_roundingUnit->currentIndex()),
                                  NetPayRounding::Mode(m_roundingMode->currentIndex())};
    if (!ui::guarded(this, [&] { setNetPayRounding(m_ctx.conn(), rounding); }))
        return;
    if (auto* log = findChild<LogView*>())
        log->reload();
    ui::message(this,
                QStringLiteral("实发工资取整已保存：%1。\n未结账月份的工资条和工资表按此显示取整后的实发工资；"
                               "已结账的月份仍按结账时的取整，已保存的记录不变。")
                    .arg(rounding.text()),
                QStringLiteral("保存成功"), ui::Icon::Information);
}

void SettingsWindow::saveFactoryName()
{
    // The box keeps what was typed whatever happens, so nothing has to be typed again.
    const QString problem = factoryNameProblem(m_factory->text());
    if (!problem.isEmpty()) {
        ui::message(this, problem, QStringLiteral("单位名称"), ui::Icon::Warning);
        m_factory->setFocus();
        return;
    }
    if (!ui::guarded(this, [&] { setFactoryName(m_ctx.conn(), m_factory->text()); }))
        return;
    m_factory->setText(cleanText(m_factory->text()));
    ui::message(this, QStringLiteral("单位名称已保存。"), QStringLiteral("保存成功"), ui::Icon::Information);
}

void SettingsWindow::openCodeList(CodeListKind kind)
{
    (new CodeListWindow(m_ctx, kind, this))->show();
}

void SettingsWindow::openAccounts()
{
    (new AccountWindow(m_ctx, this))->show();
}

void SettingsWindow::backup()
{
    const CopyOutcome outcome =
        offWindow(this, QStringLiteral("正在备份数据……"), [&] { return backupDatabase(m_ctx); });
    if (outcome.ok) {
        if (auto* log = findChild<LogView*>())
            log->reload();
        ui::message(this, QStringLiteral("己将数据库成功备份到") + QDir::toNativeSeparators(outcome.path));
    }
    reportCopyFailure(this, m_ctx, outcome, QStringLiteral("数据备份没有完成。"), QStringLiteral("备份失败"));
}

void SettingsWindow::openRestore()
{
    if (m_mayLeave && !m_mayLeave())
        return;
    auto* dialog = new RestoreDialog(m_ctx, this);
    connect(dialog, &RestoreDialog::restored, this, &SettingsWindow::sessionEnded);
    dialog->show();
}

void SettingsWindow::clearData()
{
    if (m_mayLeave && !m_mayLeave())
        return;
    // A clerk's role on a server may not clear: said before the question, and no safety copy.
    const QString ownerOnly = ownerOnlyRefusal(m_ctx.conn(), QStringLiteral("清空数据"));
    if (!ownerOnly.isEmpty()) {
        ui::message(this, ownerOnly, QStringLiteral("清空失败"), ui::Icon::Warning);
        return;
    }
    if (!ui::confirmLoss(this, kClearQuestion, QStringLiteral("确定要清空数据？")))
        return;
    // Clearing is one click from losing everything since the last backup: a copy of the data
    // as they are goes into the backup folder first, and without it nothing is cleared.
    const CopyOutcome safety = offWindow(this, QStringLiteral("正在保存现有数据的安全副本……"),
                                         [&] { return makeSafetyCopy(m_ctx, SafetyKind::BeforeClear); });
    if (!safety.ok) {
        reportCopyFailure(this, m_ctx, safety, QStringLiteral("数据没有清空：没能先为现有数据保存一份安全副本。"),
                          QStringLiteral("清空失败"));
        return;
    }
    // The cursor is back before a failure is shown.
    if (!ui::guarded(this,
                     [&] { offWindow(this, QStringLiteral("正在清空数据……"), [&] { clearAllData(m_ctx.conn()); }); }))
        return;
    ui::message(this,
                QStringLiteral("清空成功！请重新登陆系统！\n清空前的数据已保存为 %1")
                    .arg(QDir::toNativeSeparators(safety.path)),
                QStringLiteral("成功！"), ui::Icon::Information);
    emit sessionEnded();
}

} // namespace kv
