#pragma once

#include <QString>

#include <functional>

namespace kv {

// Checks a finished copy before it takes the place of the target; returns why it is not
// acceptable, empty when it is.
using CopyCheck = std::function<QString(const QString& copyPath)>;

// Copies `from` over `to` so that `to` is at every moment either the old file or the complete
// copy: the bytes go to a temporary file beside `to`, reach the disk, pass `check`, and only
// then replace `to` in one rename. Returns why the copy failed, empty on success; on failure
// `to` is untouched and the temporary file removed.
QString copyReplacing(const QString& from, const QString& to, const CopyCheck& check = {});

// The temporary file that copyReplacing writes beside `to`.
QString pendingCopyPath(const QString& to);

} // namespace kv
