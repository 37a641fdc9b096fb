// The entry of the module of the windows after the login (see WorkspaceModule.h).
#include "app/MainWindow.h"
#include "app/WorkspaceModule.h"

extern "C" Q_DECL_EXPORT kv::Workspace* kelvaro_make_workspace(kv::AppContext& ctx)
{
    static_assert(std::is_same_v<decltype(&kelvaro_make_workspace), kv::WorkspaceEntry>);
    return new kv::MainWindow(ctx);
}
