#pragma once

#include "app/Workspace.h"

#include <QStringList>

namespace kv {

// The windows after the login built as a module of their own (kelvaro-windows.so), found beside
// the program (the build folder, a portable copy) or in its library folder (an installation).
// Opens it (once: later calls find it loaded) and makes the main window through it; null with the
// reason, in Chinese, when the module is missing or does not fit.
Workspace* makeModuleWorkspace(AppContext& ctx, QString* error);

// The same through the first of the given module files that exists and opens.
Workspace* makeWorkspaceFrom(const QStringList& modulePaths, AppContext& ctx, QString* error);

// The function the module exports, and its name.
using WorkspaceEntry = Workspace* (*)(AppContext& ctx);
inline constexpr char kWorkspaceEntryName[] = "kelvaro_make_workspace";

} // namespace kv
