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

// The temporary file that copyReplacing writes beside `to`. It is readable by its owner only
// (it becomes the database or a backup) and held under a lock while it is being written.
QString pendingCopyPath(const QString& to);

// Holds the lock of a pending copy while this program writes or checks it, so that another
// copy of the program starting meanwhile does not take it for a leftover.
class PendingCopyClaim {
public:
    explicit PendingCopyClaim(const QString& part);
    ~PendingCopyClaim();
    PendingCopyClaim(const PendingCopyClaim&) = delete;
    PendingCopyClaim& operator=(const PendingCopyClaim&) = delete;

private:
    int m_fd = -1;
};

// Removes a pending copy that an interrupted copy left behind: one nobody holds. Returns
// whether it was removed.
bool removeLeftoverCopy(const QString& part);

} // namespace kv
