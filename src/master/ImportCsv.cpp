#include "master/ImportFile.h"
#include "master/ImportSheet.h"

#include <iconv.h>

#include <QStringDecoder>

#include <optional>

namespace kv {

namespace {

using namespace importing;

// GBK bytes as text; GB18030 is its superset, so every GBK file decodes.
std::optional<QString> fromGbk(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray out(bytes.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1))
        return std::nullopt;
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

// The text of CSV bytes. UTF-16 is told by its byte-order mark (a spreadsheet's "Unicode text"
// starts with one); other bytes are UTF-8 when they are valid UTF-8, GBK otherwise.
QString csvText(const QByteArray& bytes)
{
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        if (bytes.size() % 2 != 0)
            refuseDamaged(QStringLiteral("UTF-16 编码的文字在一个字的中间结束"));
        QStringDecoder utf16(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        QString text = utf16.decode(QByteArrayView(bytes).sliced(2));
        if (utf16.hasError() || !text.isValidUtf16())
            refuseDamaged(QStringLiteral("UTF-16 编码的文字中有无效的字符"));
        return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        const auto gbk = fromGbk(bytes);
        if (!gbk)
            throw Refusal{QStringLiteral("无法读取文件：文字编码不是 UTF-8、UTF-16 或 GBK")};
        text = *gbk;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The separator: a comma, or a TAB or semicolon when the first line holding something has
// no comma; what stands within quotes does not count.
QChar separatorOf(QStringView text)
{
    bool quoted = false;
    bool tab = false;
    bool semicolon = false;
    bool started = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\n' || c == u'\r') {
            if (started)
                break;
        } else if (c == u',')
            return u',';
        else if (c == u'\t')
            tab = true;
        else if (c == u';')
            semicolon = true;
        started = started || (c != u'\n' && c != u'\r');
    }
    return tab ? u'\t' : semicolon ? u';' : u',';
}

// The fields of a row up to the last that holds more than blanks.
qsizetype filledWidth(const QStringList& cells)
{
    qsizetype width = cells.size();
    while (width > 0 && cells.at(width - 1).trimmed().isEmpty())
        --width;
    return width;
}

// The rows of CSV text, checked as they are read. A cut-off or damaged text shows as a quote
// that never closes (the rest of the file would become one cell), as text after a closing
// quote, or as a row whose fields do not line up with the header row's; each refuses the
// file with its line. Rows may add or leave out empty fields at their end, as spreadsheets
// write them; rows of blanks are left out.
class CsvParser {
public:
    explicit CsvParser(QStringView text) : m_text(text), m_separator(separatorOf(text)) {}

    SourceSheet read()
    {
        enum class State { FieldStart, Unquoted, Quoted, AfterQuote };
        State state = State::FieldStart;
        for (qsizetype i = 0; i < m_text.size(); ++i) {
            const QChar c = m_text.at(i);
            const bool lineBreak = c == u'\n' || c == u'\r';
            const bool crlf = c == u'\r' && i + 1 < m_text.size() && m_text.at(i + 1) == u'\n';
            if (state == State::Quoted) {
                if (c == u'"' && i + 1 < m_text.size() && m_text.at(i + 1) == u'"') {
                    m_cell += c;
                    ++i;
                } else if (c == u'"') {
                    state = State::AfterQuote;
                } else if (lineBreak) {
                    // A line break inside a cell is kept as one LF, whichever way it was written.
                    m_cell += u'\n';
                    ++m_line;
                    if (crlf)
                        ++i;
                } else {
                    m_cell += c;
                }
            } else if (c == m_separator) {
                endField();
                state = State::FieldStart;
            } else if (lineBreak) {
                if (crlf)
                    ++i;
                endRow();
                ++m_line;
                m_row.line = m_line;
                state = State::FieldStart;
            } else if (state == State::FieldStart && c == u'"') {
                state = State::Quoted;
                m_quoteLine = m_line;
            } else if (state == State::AfterQuote) {
                if (c != u' ')
                    refuseDamaged(QStringLiteral("第 %1 行的一个字段在引号结束之后还有文字").arg(m_line));
            } else {
                m_cell += c;
                state = State::Unquoted;
            }
        }
        if (state == State::Quoted)
            refuseDamaged(QStringLiteral("第 %1 行的引号没有结束，一直到文件末尾").arg(m_quoteLine));
        if (state != State::FieldStart || !m_row.cells.isEmpty())
            endRow();
        return m_sheet.take();
    }

private:
    void endField()
    {
        if (m_row.cells.size() == ImportLimits::maxColumns)
            refuseTooLarge(QStringLiteral("第 %1 行超过 %2 个字段").arg(m_row.line).arg(ImportLimits::maxColumns));
        m_row.cells << m_cell;
        m_cell.clear();
    }

    void endRow()
    {
        endField();
        if (const qsizetype width = filledWidth(m_row.cells); width > 0) {
            checkWidth(width);
            if (m_sheet.rowCount() >= ImportLimits::maxCsvRows)
                refuseTooLarge(QStringLiteral("超过 %1 行").arg(ImportLimits::maxCsvRows));
            m_sheet.add(std::move(m_row));
        }
        m_row = SourceRow{};
    }

    void checkWidth(qsizetype width)
    {
        const qsizetype fields = m_row.cells.size();
        if (!m_header) {
            m_header = Header{m_row.line, fields, width};
            return;
        }
        if (fields < m_header->width)
            refuseDamaged(QStringLiteral("第 %1 行只有 %2 个字段，而标题行（第 %3 行）有 %4 个")
                              .arg(m_row.line)
                              .arg(fields)
                              .arg(m_header->line)
                              .arg(m_header->width));
        if (width > m_header->fields)
            refuseDamaged(QStringLiteral("第 %1 行有 %2 个字段，而标题行（第 %3 行）只有 %4 个")
                              .arg(m_row.line)
                              .arg(width)
                              .arg(m_header->line)
                              .arg(m_header->fields));
    }

    // The first row that holds something: its fields, and how many up to its last filled one.
    struct Header {
        int line = 0;
        qsizetype fields = 0;
        qsizetype width = 0;
    };

    QStringView m_text;
    QChar m_separator;
    SheetBuilder m_sheet;
    SourceRow m_row{1, {}, {}};
    QString m_cell;
    int m_line = 1;
    int m_quoteLine = 0;
    std::optional<Header> m_header;
};

} // namespace

SourceSheet readCsv(const QByteArray& bytes)
{
    try {
        const QString text = csvText(bytes);
        return CsvParser(text).read();
    } catch (const Refusal& refusal) {
        return SourceSheet{{}, refusal.message};
    }
}

} // namespace kv
