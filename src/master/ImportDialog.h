#pragma once

#include "master/MasterImport.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// The preview of an import (导入Frm): every row of the file as it would be stored, refused
// cells red with the reason as their tooltip, stored numbers marked with the choice to skip or
// update them. "确定导入" stores the accepted rows in one transaction under a progress bar;
// "取消" stores nothing.
class ImportDialog final : public QDialog {
    Q_OBJECT
public:
    ImportDialog(AppContext& ctx, MasterKind kind, const QString& fileName, ImportPreview preview,
                 QWidget* parent = nullptr);

    // Grid columns: the row of the file, then the table's columns in table order.
    enum Column { LineCol = 0, FirstValueCol = 1 };

signals:
    void imported();

protected:
    // While rows are being stored, closing only cancels the import.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void fillGrid();
    void runImport();

    AppContext& m_ctx;
    MasterKind m_kind;
    ImportPreview m_preview;
    ui::DataGrid* m_grid;
    QLabel* m_summary;
    QRadioButton* m_skip;
    QRadioButton* m_update;
    QProgressBar* m_progress;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace kv
