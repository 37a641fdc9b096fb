#include "master/ImportFile.h"

#include "data/TextRules.h"

#include <freexl.h>
#include <iconv.h>
#include <minizip/unzip.h>

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace kv {

namespace {

const QString unreadable = QStringLiteral("无法读取文件：%1");

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

QChar separatorOf(QStringView text)
{
    const QStringView firstLine = text.left(text.indexOf(u'\n'));
    if (firstLine.contains(u','))
        return u',';
    if (firstLine.contains(u'\t'))
        return u'\t';
    if (firstLine.contains(u';'))
        return u';';
    return u',';
}

// An open zip archive, closed when it goes.
class Archive {
public:
    explicit Archive(const QString& path) : m_zip(unzOpen64(QFile::encodeName(path).constData())) {}
    ~Archive()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool isOpen() const { return m_zip != nullptr; }

    // The member's bytes, or nothing when it is missing or damaged.
    std::optional<QByteArray> member(const QString& name)
    {
        if (unzLocateFile(m_zip, name.toUtf8().constData(), 1) != UNZ_OK || unzOpenCurrentFile(m_zip) != UNZ_OK)
            return std::nullopt;
        QByteArray bytes;
        char buffer[65536];
        int n = 0;
        while ((n = unzReadCurrentFile(m_zip, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        // A damaged member shows as a read error or a wrong checksum at closing.
        if (unzCloseCurrentFile(m_zip) != UNZ_OK || n < 0)
            return std::nullopt;
        return bytes;
    }

private:
    unzFile m_zip;
};

// The texts of <t> elements below the current element, up to its end (rich text runs joined).
QString textsUntilEnd(QXmlStreamReader& r)
{
    const QString end = r.name().toString();
    QString text;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"t")
            text += r.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (r.isStartElement() && r.name() == u"rPh")
            r.skipCurrentElement(); // phonetic guide, not part of the text
        else if (r.isEndElement() && r.name() == end)
            break;
    }
    return text;
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"si")
            strings << textsUntilEnd(r);
    }
    return strings;
}

// The archive path of the first sheet, from the workbook and its relationships.
QString firstSheetPath(Archive& zip)
{
    const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    const auto workbook = zip.member(QStringLiteral("xl/workbook.xml"));
    const auto rels = zip.member(QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!workbook || !rels)
        return fallback;
    QString id;
    QXmlStreamReader w(*workbook);
    while (!w.atEnd() && id.isEmpty()) {
        w.readNext();
        if (w.isStartElement() && w.name() == u"sheet") {
            for (const QXmlStreamAttribute& a : w.attributes())
                if (a.name() == u"id")
                    id = a.value().toString();
        }
    }
    QXmlStreamReader r(*rels);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"Relationship" && r.attributes().value(QLatin1String("Id")) == id) {
            const QString target = r.attributes().value(QLatin1String("Target")).toString();
            return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    }
    return fallback;
}

// "C12" -> 2 (from 0); -1 without letters.
int columnOf(QStringView ref)
{
    int col = 0;
    for (const QChar c : ref) {
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c.unicode() - u'A' + 1);
    }
    return col - 1;
}

QString numberText(const QString& stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok ? plainDecimal(value) : stored;
}

SourceSheet readXlsx(const QString& path)
{
    SourceSheet sheet;
    Archive zip(path);
    if (!zip.isOpen()) {
        sheet.error = unreadable.arg(QStringLiteral("不是有效的工作簿"));
        return sheet;
    }
    const QStringList strings = sharedStrings(zip.member(QStringLiteral("xl/sharedStrings.xml")).value_or(QByteArray()));
    const auto xml = zip.member(firstSheetPath(zip));
    if (!xml) {
        sheet.error = unreadable.arg(QStringLiteral("工作簿中没有工作表"));
        return sheet;
    }
    QXmlStreamReader r(*xml);
    SourceRow row;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"row") {
            const int line = r.attributes().value(QLatin1String("r")).toInt();
            row = {line > 0 ? line : (sheet.rows.isEmpty() ? 1 : sheet.rows.last().line + 1), {}};
        } else if (r.isEndElement() && r.name() == u"row") {
            sheet.rows << row;
        } else if (r.isStartElement() && r.name() == u"c") {
            const QString type = r.attributes().value(QLatin1String("t")).toString();
            const int at = columnOf(r.attributes().value(QLatin1String("r")));
            QString value;
            if (type == u"inlineStr")
                value = textsUntilEnd(r);
            else {
                while (!r.atEnd()) {
                    r.readNext();
                    if (r.isStartElement() && r.name() == u"v")
                        value = r.readElementText();
                    else if (r.isEndElement() && r.name() == u"c")
                        break;
                }
                if (type == u"s")
                    value = strings.value(value.toInt());
                else if (type.isEmpty() || type == u"n")
                    value = numberText(value);
            }
            const int col = at >= 0 ? at : int(row.cells.size());
            while (row.cells.size() < col)
                row.cells << QString();
            if (col == row.cells.size())
                row.cells << value;
            else
                row.cells[col] = value;
        }
    }
    if (r.hasError())
        sheet.error = unreadable.arg(r.errorString());
    return sheet;
}

SourceSheet readXls(const QString& path)
{
    SourceSheet sheet;
    const void* handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        sheet.error = unreadable.arg(QStringLiteral("不是有效的 xls 工作簿"));
        return sheet;
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK) {
        freexl_close(handle);
        sheet.error = unreadable.arg(QStringLiteral("工作簿中没有工作表"));
        return sheet;
    }
    for (unsigned int r = 0; r < rows; ++r) {
        SourceRow row{int(r) + 1, {}};
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue cell;
            QString value;
            if (freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK) {
                switch (cell.type) {
                case FREEXL_CELL_INT: value = QString::number(cell.value.int_value); break;
                case FREEXL_CELL_DOUBLE: value = plainDecimal(cell.value.double_value); break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME: value = QString::fromUtf8(cell.value.text_value); break;
                default: break;
                }
            }
            row.cells << value;
        }
        sheet.rows << row;
    }
    freexl_close(handle);
    return sheet;
}

} // namespace

SourceSheet readCsv(const QByteArray& bytes)
{
    SourceSheet sheet;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        const auto gbk = fromGbk(bytes);
        if (!gbk) {
            sheet.error = unreadable.arg(QStringLiteral("文字编码既不是 UTF-8 也不是 GBK"));
            return sheet;
        }
        text = *gbk;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    const QChar sep = separatorOf(text);
    SourceRow row{1, {}};
    QString cell;
    bool quoted = false;
    int line = 1;
    const auto endRow = [&] {
        row.cells << cell;
        cell.clear();
        sheet.rows << row;
        row = {line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                cell += c;
                ++i;
            } else if (c == u'"')
                quoted = false;
            else {
                if (c == u'\n')
                    ++line;
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty())
            quoted = true;
        else if (c == sep) {
            row.cells << cell;
            cell.clear();
        } else if (c == u'\n') {
            ++line;
            endRow();
        } else if (c != u'\r')
            cell += c;
    }
    if (!cell.isEmpty() || !row.cells.isEmpty())
        endRow();
    return sheet;
}

SourceSheet readImportFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SourceSheet sheet;
        sheet.error = unreadable.arg(file.errorString());
        return sheet;
    }
    const QByteArray head = file.peek(8);
    if (head.startsWith("PK\x03\x04"))
        return readXlsx(path);
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        return readXls(path);
    return readCsv(file.readAll());
}

} // namespace kv
