#pragma once

#include "master/ImportFile.h"

#include <functional>

// Reading a file for import in a process of its own: the program started again as a reader of
// that one file, with no window and with limits on its memory and time. Whatever a damaged or
// hostile file does to the readers, the program only sees the reader end without rows.
namespace kv {

// The option that starts the program as a reader: `kelvaro --read-workbook FILE`.
inline constexpr char kReadWorkbookOption[] = "--read-workbook";

// The limits of a reader process.
struct ReaderLimits {
    static constexpr qint64 memoryBytes = 1LL << 30; // address space
    static constexpr int cpuSeconds = 20;
    static constexpr int waitSeconds = 40; // then the program ends it
};

// What the import says when the reader did not hand back a whole answer.
QString readerFailedMessage();

// The reader's side: sets its limits, reads the file and writes the sheet to standard output.
// Returns the process's exit code.
int runImportReader(const QString& path);

// What the import says when the clerk stopped the reader.
QString readerCancelledMessage();

// The program's side: reads the file in a reader process started from `program` (the program's
// own executable). A reader that crashes, runs out of its limits or answers something that
// does not add up gives the sheet readerFailedMessage() as its error. While it reads,
// `keepWaiting` is asked every tenth of a second (a window keeps itself drawn there); false ends
// the reader and gives readerCancelledMessage().
SourceSheet readImportFileApart(const QString& path, const QString& program,
                                const std::function<bool()>& keepWaiting = {});

} // namespace kv
