#include "data/LookAlikeNames.h"

#include "data/TextRules.h"

#include <unicode/uspoof.h>

#include <memory>

namespace kv {

namespace {
bool invisible(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Format:  // zero-width space and joiners, soft hyphen, direction marks, BOM
    case QChar::Other_Control: // TAB is cleaned away before; others have no business in a name
        return true;
    default: break;
    }
    // Fillers that show as nothing although their category says letter or mark.
    return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x3164 || c == 0xFFA0 || (c >= 0x180B && c <= 0x180F) ||
           (c >= 0xFE00 && c <= 0xFE0F);
}

struct SpoofCheckerClose {
    void operator()(USpoofChecker* checker) const { uspoof_close(checker); }
};
} // namespace

QString invisibleCharacterFault(const QString& typed, const QString& what)
{
    for (const char32_t c : typed.toUcs4())
        if (c != u'\t' && invisible(c))
            return QStringLiteral("%1中有看不见的字符（U+%2），请删去后重新输入。")
                .arg(what, QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    return {};
}

QString comparableName(const QString& typed)
{
    return cleanText(typed.normalized(QString::NormalizationForm_KC));
}

bool namesLookAlike(const QString& a, const QString& b)
{
    const QString first = comparableName(a);
    const QString second = comparableName(b);
    if (first == second)
        return true;
    if (first.isEmpty() || second.isEmpty())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<USpoofChecker, SpoofCheckerClose> checker(uspoof_open(&status));
    if (U_FAILURE(status))
        return false;
    uspoof_setChecks(checker.get(), USPOOF_CONFUSABLE, &status);
    const int32_t confusable =
        uspoof_areConfusable(checker.get(), reinterpret_cast<const UChar*>(first.utf16()), int32_t(first.size()),
                             reinterpret_cast<const UChar*>(second.utf16()), int32_t(second.size()), &status);
    return U_SUCCESS(status) && confusable != 0;
}

} // namespace kv
