#pragma once

#include <QDialog>

class QListWidget;

namespace kv {
class AppContext;

// 恢复数据MSG: lists the backup files and replaces the data with the chosen one. Opened
// application-modal with show(); closes itself after a restore and then emits restored().
class RestoreDialog final : public QDialog {
    Q_OBJECT
public:
    explicit RestoreDialog(AppContext& ctx, QWidget* parent = nullptr);

    void restore();

signals:
    // The data were replaced; the session must end.
    void restored();

private:
    void listFiles();

    AppContext& m_ctx;
    QListWidget* m_files;
};

} // namespace kv
