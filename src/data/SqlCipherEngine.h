#pragma once

#include "data/Engine.h"

namespace kv {

// Opens (creating when createIfMissing) the encrypted file with the given key and checks that the
// key fits by reading the schema. Throws DbError on any failure.
std::unique_ptr<Engine> openFileEngine(const QString& path, const QString& key, bool createIfMissing);

} // namespace kv
