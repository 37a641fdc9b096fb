#include "master/ImportDialog.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/WindowPlacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kv {

namespace {
const QColor refusedColor(255, 150, 150);
const QColor storedColor(255, 235, 150);
const QColor warningColor(255, 190, 120);
} // namespace

ImportDialog::ImportDialog(AppContext& ctx, MasterKind kind, const QString& fileName, ImportPreview preview,
                           QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_kind(kind), m_preview(std::move(preview))
{
    setObjectName(QStringLiteral("导入Frm"));
    setWindowTitle(QStringLiteral("导入%1 - %2").arg(masterTable(kind).table, QFileInfo(fileName).fileName()));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Label1"));
    m_summary->setWordWrap(true);
    m_grid = new ui::DataGrid(this);
    m_grid->setObjectName(QStringLiteral("fg"));

    auto* existing = new QLabel(QStringLiteral("已有编号的行："), this);
    m_skip = new QRadioButton(QStringLiteral("跳过"), this);
    m_skip->setObjectName(QStringLiteral("Option1"));
    m_skip->setChecked(true);
    m_update = new QRadioButton(QStringLiteral("更新"), this);
    m_update->setObjectName(QStringLiteral("Option2"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setVisible(false);
    m_ok = new QPushButton(QStringLiteral("确定导入"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Command2"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(existing);
    bottom->addWidget(m_skip);
    bottom->addWidget(m_update);
    bottom->addWidget(m_progress, 1);
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);

    connect(m_ok, &QPushButton::clicked, this, &ImportDialog::runImport);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_running)
            m_cancelled = true; // the running import stops and stores nothing
        else
            close();
    });

    fillGrid();
    resize(900, 560);
    ui::keepOnScreenWhenShown(this);
}

void ImportDialog::fillGrid()
{
    const MasterTable& table = masterTable(m_kind);
    const int columns = int(table.columns.size());
    m_grid->setCols(FirstValueCol + columns);
    m_grid->setRows(int(m_preview.rows.size()) + 1);
    m_grid->setText(0, LineCol, QStringLiteral("行号"));
    for (int c = 0; c < columns; ++c)
        m_grid->setText(0, FirstValueCol + c, table.columns.at(c).name);

    int refused = 0;
    int stored = 0;
    int warned = 0;
    for (int r = 0; r < m_preview.rows.size(); ++r) {
        const ImportRow& row = m_preview.rows.at(r);
        const int g = r + 1;
        m_grid->setText(g, LineCol, QString::number(row.line));
        for (int c = 0; c < columns; ++c)
            m_grid->setText(g, FirstValueCol + c, row.values.at(c));
        for (auto it = row.warnings.cbegin(); it != row.warnings.cend(); ++it) {
            m_grid->setCellBackground(g, FirstValueCol + it.key(), warningColor);
            m_grid->setCellToolTip(g, FirstValueCol + it.key(), it.value());
        }
        if (!row.warnings.isEmpty() && row.accepted())
            ++warned;
        for (auto it = row.problems.cbegin(); it != row.problems.cend(); ++it) {
            m_grid->setCellBackground(g, FirstValueCol + it.key(), refusedColor);
            m_grid->setCellToolTip(g, FirstValueCol + it.key(), it.value());
        }
        if (!row.accepted()) {
            ++refused;
            m_grid->setCellBackground(g, LineCol, refusedColor);
            m_grid->setCellToolTip(g, LineCol, QStringList(row.problems.values()).join(u'\n'));
        } else if (row.existingId != 0) {
            ++stored;
            m_grid->setCellBackground(g, LineCol, storedColor);
            m_grid->setCellBackground(g, FirstValueCol, storedColor);
            const QString note = QStringLiteral("已有相同%1的记录").arg(table.numberColumn().name);
            m_grid->setCellToolTip(g, LineCol, note);
            m_grid->setCellToolTip(g, FirstValueCol, note);
        }
    }
    ui::fitListColumns(*m_grid);

    const int all = int(m_preview.rows.size());
    QString text = QStringLiteral("共 %1 行：可导入 %2 行，其中 %3 行的%4已存在（黄色）；%5 行有错误（红色，不导入，"
                                  "指向单元格可见原因）。")
                       .arg(all)
                       .arg(all - refused)
                       .arg(stored)
                       .arg(table.numberColumn().name)
                       .arg(refused);
    if (warned > 0)
        text += QStringLiteral("\n%1 行有需要核对的值（橙色，照样导入，指向单元格可见原因）。").arg(warned);
    if (!m_preview.ignoredColumns.isEmpty())
        text += QStringLiteral("\n不导入的列：%1").arg(m_preview.ignoredColumns.join(QStringLiteral("、")));
    m_summary->setText(text);
    m_skip->setEnabled(stored > 0);
    m_update->setEnabled(stored > 0);
    m_ok->setEnabled(all > refused);
}

void ImportDialog::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        m_cancelled = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ImportDialog::reject()
{
    if (m_running)
        m_cancelled = true;
    else
        QDialog::reject();
}

void ImportDialog::runImport()
{
    m_running = true;
    m_cancelled = false;
    m_ok->setEnabled(false);
    m_progress->setRange(0, int(m_preview.rows.size()));
    m_progress->setValue(0);
    m_progress->setVisible(true);
    const ExistingRows existing = m_update->isChecked() ? ExistingRows::Update : ExistingRows::Skip;
    std::optional<ImportCounts> counts;
    const bool ran = ui::guarded(this, [&] {
        counts = MasterImport(m_ctx.conn(), m_kind).store(m_preview, existing, [this](int done, int all) {
            if (done % 200 == 0 || done == all) {
                m_progress->setValue(done);
                QCoreApplication::processEvents();
            }
            return !m_cancelled;
        });
    });
    m_running = false;
    m_progress->setVisible(false);
    m_ok->setEnabled(true);
    if (!ran)
        return; // the database's message was shown; nothing was stored
    if (!counts) {
        ui::message(this, QStringLiteral("已取消导入，没有保存任何数据。"), QStringLiteral("导入"),
                    ui::Icon::Information);
        return;
    }
    ui::message(this, importSummary(*counts), QStringLiteral("导入"), ui::Icon::Information);
    emit imported();
    close();
}

} // namespace kv
