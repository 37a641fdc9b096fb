#pragma once

#include "data/Engine.h"
#include "data/Error.h"

namespace kv {

// Opens (creating when createIfMissing) the encrypted file with the given key and checks that the
// key fits by reading the schema. Throws DbError on any failure.
// A file that is not exactly its pages long is refused: one cut short as damaged, one with bytes
// beyond its last page as Cause::Overlong. A file it creates is readable by its owner only.
std::unique_ptr<Engine> openFileEngine(const QString& path, const QString& key, bool createIfMissing);

// Gives the file `newKey` in place of `oldKey`, every page rewritten. Throws DbError.
void rekeyFile(const QString& path, const QString& oldKey, const QString& newKey);

// A compaction cut short between its commit and the shortening of the file leaves the file longer
// than its pages by whole pages, every page within the count whole. Such a file is cut to its
// pages, once the engine's integrity check reads every page within the count (the count in the
// file's header) whole. Returns whether it was cut; false, and nothing changed, for a file of
// the right length or one longer by a part of a page. Throws DbError when the file does not open
// with the key, its pages do not read whole (damaged: nothing is cut) or it cannot be cut.
bool trimSurplusPages(const QString& path, const QString& key);

// Whether opening failed because the key does not fit the file (or its first page is damaged).
bool isWrongKey(const DbError& e);

} // namespace kv
