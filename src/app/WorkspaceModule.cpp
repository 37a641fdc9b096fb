#include "app/WorkspaceModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace kv {

Workspace* makeModuleWorkspace(AppContext& ctx, QString* error)
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral(KELVARO_WINDOWS_MODULE);
    return makeWorkspaceFrom(
        {programDir.filePath(name), programDir.filePath(QStringLiteral(KELVARO_MODULES_FROM_BIN "/") + name)}, ctx,
        error);
}

Workspace* makeWorkspaceFrom(const QStringList& modulePaths, AppContext& ctx, QString* error)
{
    QString reasons;
    for (const QString& path : modulePaths) {
        if (!QFileInfo(path).isFile())
            continue;
        QLibrary module(path);
        // Every symbol bound now: a module that does not fit this program is refused here, not
        // at some later click.
        module.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (const auto entry = reinterpret_cast<WorkspaceEntry>(module.resolve(kWorkspaceEntryName)))
            return entry(ctx); // the module stays loaded for the life of the program
        reasons += u'\n' + module.errorString();
    }
    if (error)
        *error = QStringLiteral("无法打开程序的窗口模块 %1，请重新安装本程序。%2")
                     .arg(QFileInfo(modulePaths.value(0)).fileName(), reasons);
    return nullptr;
}

} // namespace kv

#if defined(__SANITIZE_ADDRESS__)
// The windows' module carries its own copies of classes the program has too (the main window's
// base, the message boxes, the core), of which the program's take precedence as ELF has it.
// AddressSanitizer would report each such pair as a breach of the one-definition rule.
extern "C" const char* __asan_default_options() // NOLINT(bugprone-reserved-identifier): its hook
{
    return "detect_odr_violation=0";
}
#endif
