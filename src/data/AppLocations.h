#pragma once

#include "data/AppPaths.h"

namespace kv {

// A file of this name beside the program makes the copy portable: it keeps its data in its own
// folder. Without it the program counts as installed and keeps the data in the user's folder.
inline constexpr auto kPortableMarker = u"kelvaro.portable";

// Where this copy of the program keeps its data and finds its read-only files.
//   programDir   the folder of the program
//   appDirOption the folder given with --appdir, or empty
//   userDataDir  the user's data folder (e.g. ~/.local/share/Kelvaro)
// --appdir always names the data folder. A portable copy reads its help beside the program,
// an installed one from the share folder of its installation prefix.
AppPaths locateAppPaths(const QString& programDir, const QString& appDirOption, const QString& userDataDir);

// The file in the data folder that names the PostgreSQL server to use (one libpq connection
// string or URI; empty lines and lines starting with # are skipped).
inline constexpr auto kServerConfig = u"server.conf";

// The server this copy uses: the --server option, else the one server.conf names, else none
// (the data file).
QString configuredServer(const AppPaths& paths, const QString& serverOption);

bool isPortableCopy(const QString& programDir);

// Makes the data folder with its data and backup folders where they are missing. Returns false
// when one cannot be made.
bool makeDataFolder(const AppPaths& paths);

} // namespace kv
