#pragma once

#include "data/Engine.h"
#include "data/Error.h"

namespace kv {

// Opens (creating when createIfMissing) the encrypted file with the given key and checks that the
// key fits by reading the schema. Throws DbError on any failure.
// A file that is not exactly its pages long (cut short, or with bytes beyond its last page) is
// refused as damaged. A file it creates is readable by its owner only.
std::unique_ptr<Engine> openFileEngine(const QString& path, const QString& key, bool createIfMissing);

// Gives the file `newKey` in place of `oldKey`, every page rewritten. Throws DbError.
void rekeyFile(const QString& path, const QString& oldKey, const QString& newKey);

// Whether opening failed because the key does not fit the file (or its first page is damaged).
bool isWrongKey(const DbError& e);

} // namespace kv
