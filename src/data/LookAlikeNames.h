#pragma once

#include <QString>

namespace kv {

// Names a reader cannot tell apart are one name. Names are compared as Unicode NFKC forms
// (full-width letters, a no-break space and the like become what they look like), cleaned as
// typed text is; look-alikes across scripts (a Cyrillic а for a Latin a) are found by ICU's
// spoof checker. Characters nobody sees (format characters such as the zero-width space, the
// soft hyphen, direction marks; control characters) have no place in a name at all.

// Why a typed name may not be stored: it holds a character that does not show, named by its
// code: "账号中有看不见的字符（U+200B），请删去后重新输入。" for `what` 账号. Empty when it has none.
QString invisibleCharacterFault(const QString& typed, const QString& what);

// The name as names are compared: NFKC, then cleaned (TextRules.h).
QString comparableName(const QString& typed);

// Whether the two names would look the same in a list.
bool namesLookAlike(const QString& a, const QString& b);

} // namespace kv
