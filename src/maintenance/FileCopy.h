#pragma once

#include <QString>

#include <functional>

namespace kv {

// Checks a finished copy before it takes the place of the target; returns why it is not
// acceptable, empty when it is.
using CopyCheck = std::function<QString(const QString& copyPath)>;

// What placing a finished copy does with a file already at the target.
enum class Placement {
    Replace,      // the data file, or a copy re-keyed in place: the old file goes in the same rename
    KeepExisting, // a backup or safety copy: another backup never gives way; the copy fails instead
};

// Puts the finished copy `part` at `to` in one step: a rename, or with KeepExisting a new link that
// fails when `to` exists. Returns why it could not, empty on success; `part` is left on failure.
QString placeCopy(const QString& part, const QString& to, Placement placement);

// Copies `from` over `to` so that `to` is at every moment either the old file or the complete
// copy: the bytes go to a temporary file beside `to`, reach the disk, pass `check`, and only
// then replace `to` in one rename. Returns why the copy failed, empty on success; on failure
// `to` is untouched and the temporary file removed.
QString copyReplacing(const QString& from, const QString& to, const CopyCheck& check = {},
                      Placement placement = Placement::Replace);

// Writes the bytes of `from` into `to` (made or emptied first, readable by its owner only) and
// onto the disk. Returns why it could not, naming the system's cause (a full disk), empty on
// success; `to` is then incomplete and the caller's to remove.
QString copyBytesInto(const QString& from, const QString& to);

// Why a step that writes about `needed` bytes beside `path` (a copy and the engine's journal of
// it) could not: the disk holding it has less room than that, named with the figures and what to
// do; empty when there is room. An engine whose write failed for want of room may report anything
// (a re-key that ran out of room leaves a file that opens with neither key), so a failed step asks
// here before it reports the engine's text.
QString lackOfRoom(const QString& path, qint64 needed);

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
