#include "master/Pinyin.h"

#include <QTest>

#include <iconv.h>

using namespace kv;

namespace {

// The character whose GBK code is `code`, or a null QChar when the code is no single GBK
// character (or does not come back to the same code).
QChar gbkChar(quint32 code)
{
    iconv_t cd = iconv_open("UTF-16LE", "GBK");
    if (cd == iconv_t(-1))
        return {};
    char in[2] = {char(code >> 8), char(code & 0xFF)};
    char out[8] = {};
    char* inPtr = in;
    size_t inLeft = 2;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1) || sizeof out - outLeft != 2)
        return {};
    return QChar(char16_t(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8)));
}

struct Probe {
    quint32 code;
    char expected;
};

} // namespace

class TestPinyin : public QObject {
    Q_OBJECT
private slots:
    void tableBoundaries_data()
    {
        QTest::addColumn<uint>("code");
        QTest::addColumn<QChar>("expected");
        // Each main range at both ends and the codes just outside; the ranges follow one
        // another, so the code after one row's range is the first of the next row's.
        const Probe probes[] = {
            {0xB0A0, '?'},
            {0xB0A1, 'A'},
            {0xB0C4, 'A'},
            {0xB0C5, 'B'},
            {0xB2C0, 'B'},
            {0xB2C1, 'C'},
            {0xB4ED, 'C'},
            {0xB4EE, 'D'},
            {0xB752, 'D'},
            {0xB753, 'E'},
            {0xB7A1, 'E'},
            {0xB7A2, 'F'},
            {0xB8C0, 'F'},
            {0xB8C1, 'G'},
            {0xB9FD, 'G'},
            {0xB9FE, 'H'},
            {0xBBF6, 'H'},
            {0xBBF7, 'J'},
            {0xBFA5, 'J'},
            {0xBFA6, 'K'},
            {0xC0AB, 'K'},
            {0xC0AC, 'L'},
            {0xC2E7, 'L'},
            {0xC2E8, 'M'},
            {0xC4C2, 'M'},
            {0xC4C3, 'N'},
            {0xC5B5, 'N'},
            {0xC5B6, 'O'},
            {0xC5BD, 'O'},
            {0xC5BE, 'P'},
            {0xC6D9, 'P'},
            {0xC6DA, 'Q'},
            {0xC8BA, 'Q'},
            {0xC8BB, 'R'},
            {0xC8F5, 'R'},
            {0xC8F6, 'S'},
            {0xCBF9, 'S'},
            {0xCBFA, 'T'},
            {0xCDD9, 'T'},
            {0xCDDA, 'W'},
            {0xCEF3, 'W'},
            {0xCEF4, 'X'},
            {0xD1B8, 'X'},
            {0xD1B9, 'Y'},
            {0xD4D0, 'Y'},
            {0xD4D1, 'Z'},
            {0xF3AF, 'Z'},
            {0xF3B0, '?'},
            // Further ranges: D in the extension area, Q above Z's range.
            {0x8FD3, '?'},
            {0x8FD4, 'D'},
            {0x967C, 'D'},
            {0x967D, '?'},
            {0xF4C2, '?'},
            {0xF4C3, 'Q'},
            {0xF6C4, 'Q'},
            {0xF6C5, '?'},
            // Single codes, with their neighbours falling back to where they would be otherwise.
            {0x90DA, 'D'},
            {0x90DB, 'A'},
            {0x90DC, 'D'},
            {0x9AE9, '?'},
            {0x9AEA, 'B'},
            {0x9AEB, '?'},
            {0x827C, '?'},
            {0x827D, 'C'},
            {0x827E, '?'},
            {0xF1BB, 'Z'},
            {0xF1BC, 'D'},
            {0xF1BD, 'Z'},
            {0xF048, 'Z'},
            {0xF049, 'E'},
            {0xF04A, 'Z'},
            {0xEF87, 'Z'},
            {0xEF88, 'F'},
            {0xEF89, 'Z'},
            {0xF84F, '?'},
            {0xF850, 'F'},
            {0xF851, '?'},
            {0x8DB8, '?'},
            {0x8DB9, 'F'},
            {0x8DBA, '?'},
            {0x8C6C, '?'},
            {0x8C6D, 'G'},
            {0x8C6E, '?'},
            {0x8CF8, '?'},
            {0x8CF9, 'G'},
            {0x8CFA, '?'},
            {0x8F55, '?'},
            {0x8F56, 'G'},
            {0x8F57, '?'},
            {0x87F7, '?'},
            {0x87F8, 'G'},
            {0x87F9, '?'},
            {0xE6E7, 'Z'},
            {0xE6E8, 'H'},
            {0xE6E9, 'Z'},
            {0xF3DD, '?'},
            {0xF3DE, 'J'},
            {0xF3DF, '?'},
            {0x9887, '?'},
            {0x9888, 'J'},
            {0x9889, '?'},
            {0xE5D5, 'Z'},
            {0xE5D6, 'L'},
            {0xE5D7, 'Z'},
            {0xF3D1, '?'},
            {0xF3D2, 'L'},
            {0xF3D3, '?'},
            // 綾 is taken out of J's range; its neighbours stay J.
            {0xBE62, 'J'},
            {0xBE63, 'L'},
            {0xBE64, 'J'},
            {0x84D8, '?'},
            {0x84D9, 'S'},
            {0x84DA, '?'},
            {0x9B66, '?'},
            {0x9B67, 'Z'},
            {0x9B68, '?'},
            // Two-byte codes outside the table: full-width letter and digit, Chinese comma.
            {0xA3C1, '?'},
            {0xA3B0, '?'},
            {0xA3AC, '?'},
            {0x8140, '?'},
            {0xFEFE, '?'},
            // Single bytes: letters of both cases, digits, the signs from '!' to '}'.
            {0x10041, 'A'},
            {0x10061, 'A'},
            {0x10049, 'I'},
            {0x10069, 'I'},
            {0x10055, 'U'},
            {0x10075, 'U'},
            {0x10056, 'V'},
            {0x10076, 'V'},
            {0x1005A, 'Z'},
            {0x1007A, 'Z'},
            {0x1002F, '/'},
            {0x10030, '0'},
            {0x10039, '9'},
            {0x1003A, ':'},
            {0x10020, '?'},
            {0x10021, '!'},
            {0x1007D, '}'},
            {0x1007E, '?'},
            {0x10009, '?'},
            {0x1007F, '?'},
            {0x10080, '?'},
            {0, '?'},
        };
        for (const Probe& p : probes)
            QTest::addRow("%X", p.code) << uint(p.code) << QChar(char16_t(p.expected));
    }

    void tableBoundaries()
    {
        QFETCH(uint, code);
        QFETCH(QChar, expected);
        QCOMPARE(pinyinInitialOfCode(code), expected);
        // Where the code is a GBK character, the same letter comes from the character itself.
        QChar c;
        if (code >= 0x10000 && code < 0x10080)
            c = QChar(char16_t(code - 0x10000));
        else if (code >= 0x8140 && code <= 0xFEFE)
            c = gbkChar(code);
        if (!c.isNull())
            QCOMPARE(pinyinInitial(c), QString(expected));
    }

    void charactersAndTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("product") << QStringLiteral("螺丝M6-10") << QStringLiteral("LSM6-10");
        QTest::newRow("range ends") << QStringLiteral("啊澳芭匝蟑") << QStringLiteral("AABZZ");
        QTest::newRow("single code inside Z") << QStringLiteral("窦") << QStringLiteral("D");
        QTest::newRow("taken out of J") << QStringLiteral("綾") << QStringLiteral("L");
        QTest::newRow("full-width letter") << QStringLiteral("Ａ") << QStringLiteral("?");
        QTest::newRow("lower case") << QStringLiteral("abc") << QStringLiteral("ABC");
        QTest::newRow("space and tilde") << QStringLiteral("a b~") << QStringLiteral("A?B?");
        QTest::newRow("signs") << QStringLiteral("(x/2)") << QStringLiteral("(X/2)");
        QTest::newRow("deductions") << QStringLiteral("迟到罚款") << QStringLiteral("CDFK");
        QTest::newRow("chinese punctuation") << QStringLiteral("螺丝，垫片") << QStringLiteral("LS?DP");
        QTest::newRow("tab and newline") << QStringLiteral("\t\n") << QStringLiteral("??");
        // No GBK encoding: a letter with an accent GBK lacks, and a character outside the basic
        // plane (two UTF-16 units, each answered with "?", so the lengths still agree).
        QTest::newRow("no gbk") << QStringLiteral("ő") << QStringLiteral("?");
        QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80") << QStringLiteral("??");
    }

    void charactersAndTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, code);
        QCOMPARE(pinyinCode(text), code);
        QCOMPARE(pinyinCode(text).size(), text.size());
    }
};

QTEST_GUILESS_MAIN(TestPinyin)
#include "test_pinyin.moc"
