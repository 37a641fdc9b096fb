#pragma once

#include "app/Workspace.h"

#include <QMap>
#include <QPointer>

class QLabel;
class QTabWidget;
class QTextBrowser;

namespace kv {
class AppContext;

// The window "main": banner, seven tabs hosting the working windows and help, status strip.
class MainWindow final : public Workspace {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& ctx, QWidget* parent = nullptr);

    // Hosts the working window named `windowName` in the tab's holder, creating it on first use.
    void hostWindow(const QString& windowName, QWidget* holder);
    // The hosted instance of a working window, or null when it was not created yet.
    QWidget* hostedWindow(const QString& windowName) const;

    void setAccountCaption(const QString& account) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onTabChanged(int index);
    // Another clerk restored or cleared the data since they were loaded: said once, then back to
    // the login, as after one's own restore.
    void checkDataReplaced();

    AppContext& m_ctx;
    QTabWidget* m_tabs;
    QTextBrowser* m_help;
    QLabel* m_status;
    QList<QWidget*> m_holders; // in each tab's page, the widget that holds its working window
    QMap<QString, QPointer<QWidget>> m_hosted;
    QString m_dataStamp; // dataReplacedStamp when the data were loaded
    bool m_ending = false;
};

} // namespace kv
