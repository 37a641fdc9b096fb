#include "master/Pinyin.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace kv {

namespace {

struct Range {
    quint32 first;
    quint32 last;
};

// One row of the initial table. Rows are tested from A to Z and the first match wins, so the
// single codes and further ranges of an earlier letter take precedence over the main range of
// a later one.
struct InitialRow {
    char letter;
    Range ranges[2];    // unused entries are {0, 0}
    quint32 singles[4]; // unused entries are 0
    quint32 excluded;   // 0 when none
};

const std::array<InitialRow, 26>& initialTable()
{
    static const std::array<InitialRow, 26> table{{
        {'A', {{0xB0A1, 0xB0C4}}, {0x90DB}, 0},
        {'B', {{0xB0C5, 0xB2C0}}, {0x9AEA}, 0},
        {'C', {{0xB2C1, 0xB4ED}}, {0x827D}, 0},
        {'D', {{0xB4EE, 0xB752}, {0x8FD4, 0x967C}}, {0xF1BC}, 0},
        {'E', {{0xB753, 0xB7A1}}, {0xF049}, 0},
        {'F', {{0xB7A2, 0xB8C0}}, {0xEF88, 0xF850, 0x8DB9}, 0},
        {'G', {{0xB8C1, 0xB9FD}}, {0x8C6D, 0x8CF9, 0x8F56, 0x87F8}, 0},
        {'H', {{0xB9FE, 0xBBF6}}, {0xE6E8}, 0},
        {'I', {}, {}, 0},
        // 綾 (BE 63) sits inside J's range but reads "líng".
        {'J', {{0xBBF7, 0xBFA5}}, {0xF3DE, 0x9888}, 0xBE63},
        {'K', {{0xBFA6, 0xC0AB}}, {}, 0},
        {'L', {{0xC0AC, 0xC2E7}}, {0xE5D6, 0xF3D2, 0xBE63}, 0},
        {'M', {{0xC2E8, 0xC4C2}}, {}, 0},
        {'N', {{0xC4C3, 0xC5B5}}, {}, 0},
        {'O', {{0xC5B6, 0xC5BD}}, {}, 0},
        {'P', {{0xC5BE, 0xC6D9}}, {}, 0},
        {'Q', {{0xC6DA, 0xC8BA}, {0xF4C3, 0xF6C4}}, {}, 0},
        {'R', {{0xC8BB, 0xC8F5}}, {}, 0},
        {'S', {{0xC8F6, 0xCBF9}}, {0x84D9}, 0},
        {'T', {{0xCBFA, 0xCDD9}}, {}, 0},
        {'U', {}, {}, 0},
        {'V', {}, {}, 0},
        {'W', {{0xCDDA, 0xCEF3}}, {}, 0},
        {'X', {{0xCEF4, 0xD1B8}}, {}, 0},
        {'Y', {{0xD1B9, 0xD4D0}}, {}, 0},
        {'Z', {{0xD4D1, 0xF3AF}}, {0x9B67}, 0},
    }};
    return table;
}

constexpr quint32 kSingleByte = 0x10000;

bool matches(const InitialRow& row, quint32 code)
{
    if (code == kSingleByte + quint32(row.letter) || code == kSingleByte + quint32(row.letter - 'A' + 'a'))
        return true;
    for (const quint32 single : row.singles)
        if (single != 0 && code == single)
            return true;
    if (row.excluded != 0 && code == row.excluded)
        return false;
    for (const Range& r : row.ranges)
        if (r.last != 0 && code >= r.first && code <= r.last)
            return true;
    return false;
}

// One conversion descriptor per thread, opened on first use.
class GbkEncoder {
public:
    GbkEncoder() : m_cd(iconv_open("GBK", "UTF-16LE")) {}
    ~GbkEncoder()
    {
        if (m_cd != iconv_t(-1))
            iconv_close(m_cd);
    }
    GbkEncoder(const GbkEncoder&) = delete;
    GbkEncoder& operator=(const GbkEncoder&) = delete;

    // The GBK code of the character as defined above; 0 when GBK has no encoding for it.
    quint32 code(QChar c)
    {
        if (m_cd == iconv_t(-1) || c.isSurrogate())
            return 0;
        const char16_t unit = c.unicode();
        const char in[2] = {char(unit & 0xFF), char(unit >> 8)};
        char out[8];
        char* inPtr = const_cast<char*>(in);
        size_t inLeft = sizeof in;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1))
            return 0;
        const size_t written = sizeof out - outLeft;
        const auto byte = [&](size_t i) { return quint32(static_cast<unsigned char>(out[i])); };
        if (written == 1)
            return kSingleByte + byte(0);
        if (written == 2)
            return byte(0) * 256 + byte(1);
        return 0;
    }

private:
    iconv_t m_cd;
};

GbkEncoder& encoder()
{
    thread_local GbkEncoder e;
    return e;
}

} // namespace

QChar pinyinInitialOfCode(quint32 code)
{
    for (const InitialRow& row : initialTable())
        if (matches(row, code))
            return QChar(char16_t(row.letter));
    if (code >= kSingleByte + '0' && code <= kSingleByte + '9')
        return QChar(char16_t(code - kSingleByte));
    // ASCII signs from '!' to '}' pass through; the space, '~' and control characters do not.
    if (code > kSingleByte + 0x20 && code < kSingleByte + 0x7E)
        return QChar(char16_t(code - kSingleByte));
    return QChar(u'?');
}

QString pinyinInitial(QChar c)
{
    return QString(pinyinInitialOfCode(encoder().code(c)));
}

QString pinyinCode(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out += pinyinInitialOfCode(encoder().code(c));
    return out;
}

} // namespace kv
