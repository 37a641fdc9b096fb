#include "maintenance/RestoreDialog.h"

#include "data/AppContext.h"
#include "maintenance/CopyReport.h"
#include "maintenance/RestoreLoss.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

RestoreDialog::RestoreDialog(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    ui::makeModalWindow(this, QStringLiteral("恢复数据MSG"), QStringLiteral("恢复数据"));

    auto* prompt = new QLabel(QStringLiteral("请选择要恢复的数据："), this);
    prompt->setObjectName(QStringLiteral("Label1"));
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("File1"));
    m_files->setSelectionMode(QAbstractItemView::SingleSelection);
    m_files->setStyleSheet(QStringLiteral("QListWidget::item { padding: 3px 6px; }"));

    auto* restoreButton = ui::commandButton(QStringLiteral("确定恢复"), QStringLiteral("Command1"), this);
    auto* cancel = ui::commandButton(QStringLiteral("取消"), QStringLiteral("Command2"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restoreButton);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(prompt);
    outer->addWidget(m_files, 1);
    outer->addLayout(buttons);
    resize(340, 360);

    connect(restoreButton, &QPushButton::clicked, this, &RestoreDialog::restore);
    connect(cancel, &QPushButton::clicked, this, &RestoreDialog::close);
    listFiles();
}

void RestoreDialog::listFiles()
{
    m_files->clear();
    m_files->addItems(backupFiles(m_ctx.paths()));
    m_files->setCurrentRow(-1);
}

void RestoreDialog::restore()
{
    const QListWidgetItem* item = m_files->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString name = item->text();
    // The question names what the restore undoes; a backup that does not open is not asked about,
    // the restore says why it cannot use it.
    std::optional<RestoreLoss> loss;
    if (!ui::guarded(this, [&] {
            loss =
                offWindow(this, QStringLiteral("正在比较备份与现有数据……"), [&] { return restoreLoss(m_ctx, name); });
        }))
        return;
    if (loss &&
        !ui::confirmLoss(this, restoreQuestion(name, *loss), QStringLiteral("确定恢复数据？"), ui::Icon::Question))
        return;
    const CopyOutcome outcome = offWindow(this, QStringLiteral("正在恢复数据……"), [&] { return restoreDatabase(m_ctx, name); });
    if (!outcome.ok) {
        reportCopyFailure(this, m_ctx, outcome, QStringLiteral("数据没有恢复，现有数据保持原样。"),
                          QStringLiteral("恢复失败"));
        listFiles();
        return;
    }
    ui::message(this,
                QStringLiteral("数据恢复成功！请重新登陆系统！\n恢复前的数据已保存为 %1")
                    .arg(QDir::toNativeSeparators(outcome.safetyCopy)),
                QStringLiteral("成功！"), ui::Icon::Information);
    close();
    emit restored();
}

} // namespace kv
