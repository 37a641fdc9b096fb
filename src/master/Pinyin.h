#pragma once

#include <QChar>
#include <QString>

// Search codes of products and deduction items: the pinyin initial of every character of the
// description, decided by the character's GBK (code page 936) code, not by a dictionary.
namespace kv {

// The initial of one GBK character code: lead byte * 256 + trail byte for two-byte characters,
// 0x10000 + byte for single-byte ones. Letters come back upper-case, ASCII digits and signs as
// they are, everything else as '?'.
QChar pinyinInitialOfCode(quint32 code);

// The initial of one character; "?" for a character GBK cannot encode.
QString pinyinInitial(QChar c);

// One initial per character of the text, in order: always as long as the text.
QString pinyinCode(const QString& text);

} // namespace kv
