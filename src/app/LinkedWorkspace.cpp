// The main window of a program that links the windows (the tests): made directly.
#include "app/AppShell.h"
#include "app/MainWindow.h"

namespace kv {

Workspace* makeLinkedWorkspace(AppContext& ctx, QString* error)
{
    Q_UNUSED(error);
    return new MainWindow(ctx);
}

MainWindow* AppShell::mainWindow() const
{
    return qobject_cast<MainWindow*>(m_main.data());
}

} // namespace kv
