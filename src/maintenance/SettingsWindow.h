#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;

namespace kv {
class AppContext;
enum class CodeListKind;

// The window "systemset" on the tab "系统设置": the code lists, the accounts, and backing up,
// restoring and clearing the data. Restore and clear end the session: the window says so with
// sessionEnded, and whoever hosts it closes the session.
class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(AppContext& ctx, QWidget* parent = nullptr);

    void backup();
    void openRestore();
    void clearData();
    // Stores the factory's name typed in the "单位名称" box.
    void saveFactoryName();
    // Asked before a restore or a clearing replaces the data: false when unsaved work elsewhere
    // (the wage entry's lines) must not go, and nothing is done.
    void setLeaveCheck(std::function<bool()> mayLeave) { m_mayLeave = std::move(mayLeave); }

signals:
    // The data were restored or cleared: the user must log in again.
    void sessionEnded();

private:
    QWidget* buildFactoryGroup();
    QWidget* buildRoundingGroup();
    void saveRounding();
    void openCodeList(CodeListKind kind);
    void openAccounts();

    AppContext& m_ctx;
    QLineEdit* m_factory = nullptr; // the factory's name
    QComboBox* m_roundingUnit = nullptr; // 实发工资取整: 不取整, 分, 角, 元
    QComboBox* m_roundingMode = nullptr; // 四舍五入, 舍去
    std::function<bool()> m_mayLeave;
};

} // namespace kv
