#include "master/ImportFile.h"

#include "data/TextRules.h"
#include "master/ImportSheet.h"

#include <freexl.h>
#include <minizip/unzip.h>

#include <QFile>
#include <QIODevice>
#include <QXmlStreamReader>

#include <cmath>
#include <memory>
#include <new>

namespace kv {

namespace {

using namespace importing;

const QString unreadable = QStringLiteral("无法读取文件：%1");

// One member of an .xlsx archive as a stream that inflates no more than the limits allow: the
// XML reader pulls from it, so a part is never held inflated in memory.
class ZipMember final : public QIODevice {
public:
    ZipMember(unzFile zip, qint64& budget) : m_zip(zip), m_budget(budget) { open(QIODevice::ReadOnly); }
    ~ZipMember() override
    {
        if (!m_closed)
            unzCloseCurrentFile(m_zip);
    }
    ZipMember(const ZipMember&) = delete;
    ZipMember& operator=(const ZipMember&) = delete;

    bool isSequential() const override { return true; }
    bool tooLarge() const { return m_tooLarge; }
    bool damaged() const { return m_damaged; }

    // Inflates what the XML reader left (within the limits) and checks the member's checksum.
    bool finish()
    {
        char buffer[65536];
        while (readData(buffer, sizeof buffer) > 0) {
        }
        m_closed = true;
        const bool closed = unzCloseCurrentFile(m_zip) == UNZ_OK;
        if (!closed && !m_tooLarge)
            m_damaged = true;
        return closed && !m_damaged && !m_tooLarge;
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_damaged || m_tooLarge || m_closed)
            return -1;
        const int n = unzReadCurrentFile(m_zip, data, unsigned(std::min<qint64>(maxSize, 1 << 20)));
        if (n < 0) {
            m_damaged = true;
            return -1;
        }
        m_read += n;
        m_budget -= n;
        if (m_read > ImportLimits::maxPartBytes || m_budget < 0) {
            m_tooLarge = true;
            return -1;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    unzFile m_zip;
    qint64& m_budget;
    qint64 m_read = 0;
    bool m_tooLarge = false;
    bool m_damaged = false;
    bool m_closed = false;
};

// An open zip archive, closed when it goes; members are inflated within one budget.
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

    // The member as a stream; nothing when the archive has no such member. A member that says
    // it inflates beyond the limits is refused before a byte of it is read.
    std::unique_ptr<ZipMember> open(const QString& name)
    {
        if (unzLocateFile(m_zip, name.toUtf8().constData(), 1) != UNZ_OK)
            return nullptr;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            refuseDamaged(QStringLiteral("无法读取 %1").arg(name));
        if (info.uncompressed_size > quint64(ImportLimits::maxPartBytes) || qint64(info.uncompressed_size) > m_budget)
            refuseTooLarge(QStringLiteral("%1 解压后超过 %2").arg(name, megabytes(ImportLimits::maxPartBytes)));
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            refuseDamaged(QStringLiteral("无法解压 %1").arg(name));
        return std::make_unique<ZipMember>(m_zip, m_budget);
    }

private:
    unzFile m_zip;
    qint64 m_budget = ImportLimits::maxTotalBytes;
};

// Where in the file a reader is, for its messages: "工作表“员工”第 12 行". Made into text only
// when a message needs it.
struct Place {
    QString name;
    QString unit = QStringLiteral("行");
    int index = 0; // 0: the place as a whole
    QString text() const { return index > 0 ? QStringLiteral("%1第 %2 %3").arg(name).arg(index).arg(unit) : name; }
};

// The next token of a part. A document type or an entity the document does not define refuses
// the file: workbooks hold neither, and an unknown entity would otherwise read as nothing.
void next(QXmlStreamReader& r, const Place& where)
{
    r.readNext();
    if (r.tokenType() == QXmlStreamReader::DTD)
        refuseDamaged(QStringLiteral("%1含有文档类型定义").arg(where.text()));
    if (r.tokenType() == QXmlStreamReader::EntityReference)
        refuseDamaged(QStringLiteral("%1有未定义的实体“&%2;”").arg(where.text(), r.name().left(40)));
}

// After a part: the reader's and the stream's troubles, in Chinese.
void finishPart(QXmlStreamReader& r, ZipMember& member, const QString& part, const Place& where)
{
    const bool whole = !r.hasError() && member.finish();
    if (member.tooLarge())
        refuseTooLarge(QStringLiteral("%1 解压后超过 %2，或各部分合计超过 %3")
                           .arg(part, megabytes(ImportLimits::maxPartBytes), megabytes(ImportLimits::maxTotalBytes)));
    if (member.damaged())
        refuseDamaged(QStringLiteral("%1的压缩数据有误").arg(where.text()));
    if (r.hasError()) {
        switch (r.error()) {
        case QXmlStreamReader::PrematureEndOfDocumentError:
            refuseDamaged(QStringLiteral("%1的内容不完整").arg(where.text()));
        case QXmlStreamReader::NotWellFormedError:
            refuseDamaged(QStringLiteral("%1的内容不是有效的 XML（位置 %2:%3）")
                              .arg(where.text())
                              .arg(r.lineNumber())
                              .arg(r.columnNumber()));
        default: refuseDamaged(QStringLiteral("%1的内容无法读取").arg(where.text()));
        }
    }
    if (!whole)
        refuseDamaged(QStringLiteral("%1的校验和不符").arg(where.text()));
}

// The character data of the current element up to its end, child elements left out.
QString elementText(QXmlStreamReader& r, const Place& where)
{
    QString text;
    int depth = 0;
    while (!r.atEnd()) {
        next(r, where);
        if (r.isCharacters() && depth == 0) {
            text += r.text();
            if (text.size() > ImportLimits::maxCellChars)
                refuseDamaged(
                    QStringLiteral("%1有超过 %2 个字的单元格").arg(where.text()).arg(ImportLimits::maxCellChars));
        } else if (r.isStartElement())
            ++depth;
        else if (r.isEndElement() && depth-- == 0)
            break;
    }
    return text;
}

// The texts of <t> elements below the current element (<si> or <is>), up to its end: rich
// text runs joined, phonetic guides left out.
QString textsUntilEnd(QXmlStreamReader& r, const Place& where)
{
    const QString end = r.name().toString();
    QString text;
    while (!r.atEnd()) {
        next(r, where);
        if (r.isStartElement() && r.name() == u"t") {
            text += elementText(r, where);
            if (text.size() > ImportLimits::maxCellChars)
                refuseDamaged(
                    QStringLiteral("%1有超过 %2 个字的单元格").arg(where.text()).arg(ImportLimits::maxCellChars));
        } else if (r.isStartElement() && r.name() == u"rPh")
            elementText(r, where); // phonetic guide, not part of the text
        else if (r.isEndElement() && r.name() == end)
            break;
    }
    return text;
}

const QString sharedStringsPart = QStringLiteral("xl/sharedStrings.xml");

// The shared strings; nothing when the workbook has none. Their count must match the count
// the part declares.
std::optional<QStringList> sharedStrings(Archive& zip)
{
    auto member = zip.open(sharedStringsPart);
    if (!member)
        return std::nullopt;
    Place where{QStringLiteral("共享字符串"), QStringLiteral("项")};
    QStringList strings;
    qint64 declared = -1;
    qint64 chars = 0;
    QXmlStreamReader r(member.get());
    while (!r.atEnd()) {
        next(r, where);
        if (r.isStartElement() && r.name() == u"sst") {
            bool ok = false;
            const qint64 count = r.attributes().value(QLatin1String("uniqueCount")).toLongLong(&ok);
            if (ok)
                declared = count;
        } else if (r.isStartElement() && r.name() == u"si") {
            where.index = int(strings.size()) + 1;
            strings << textsUntilEnd(r, where);
            chars += strings.last().size();
            if (chars > ImportLimits::maxTextChars)
                refuseTooLarge(QStringLiteral("文字超过 %1 个字").arg(ImportLimits::maxTextChars));
        }
    }
    where.index = 0;
    finishPart(r, *member, sharedStringsPart, where);
    if (declared >= 0 && declared != strings.size())
        refuseDamaged(QStringLiteral("共享字符串应有 %1 项，只读到 %2 项").arg(declared).arg(strings.size()));
    return strings;
}

struct FirstSheet {
    QString part;
    QString name;
};

// The archive path and name of the first sheet, from the workbook and its relationships.
FirstSheet firstSheet(Archive& zip)
{
    FirstSheet sheet{QStringLiteral("xl/worksheets/sheet1.xml"), QStringLiteral("1")};
    QString id;
    if (auto workbook = zip.open(QStringLiteral("xl/workbook.xml"))) {
        const Place where{QStringLiteral("工作簿目录")};
        QXmlStreamReader r(workbook.get());
        while (!r.atEnd()) {
            next(r, where);
            if (r.isStartElement() && r.name() == u"sheet" && id.isEmpty()) {
                for (const QXmlStreamAttribute& a : r.attributes()) {
                    if (a.name() == u"id")
                        id = a.value().toString();
                    else if (a.name() == u"name")
                        sheet.name = a.value().left(100).toString();
                }
            }
        }
        finishPart(r, *workbook, QStringLiteral("xl/workbook.xml"), where);
    }
    if (id.isEmpty())
        return sheet;
    auto rels = zip.open(QStringLiteral("xl/_rels/workbook.xml.rels"));
    if (!rels)
        return sheet;
    const Place where{QStringLiteral("工作簿目录")};
    QString target;
    QXmlStreamReader r(rels.get());
    while (!r.atEnd()) {
        next(r, where);
        if (r.isStartElement() && r.name() == u"Relationship" && r.attributes().value(QLatin1String("Id")) == id)
            target = r.attributes().value(QLatin1String("Target")).toString();
    }
    finishPart(r, *rels, QStringLiteral("xl/_rels/workbook.xml.rels"), where);
    if (!target.isEmpty())
        sheet.part = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
    return sheet;
}

struct CellPosition {
    int column = 0; // from 0
    int row = 0;    // from 1
};

// "C12" -> column 2, row 12; nothing unless the reference lies within A1:XFD1048576.
std::optional<CellPosition> cellPosition(QStringView ref)
{
    qsizetype i = 0;
    qint64 column = 0;
    while (i < ref.size() && ref.at(i) >= u'A' && ref.at(i) <= u'Z' && i < 3)
        column = column * 26 + (ref.at(i++).unicode() - u'A' + 1);
    if (i == 0 || column > ImportLimits::maxColumns)
        return std::nullopt;
    const qsizetype digitsAt = i;
    qint64 row = 0;
    while (i < ref.size() && ref.at(i) >= u'0' && ref.at(i) <= u'9' && i - digitsAt < 7)
        row = row * 10 + (ref.at(i++).unicode() - u'0');
    if (i == digitsAt || i != ref.size() || row < 1 || row > ImportLimits::maxRows)
        return std::nullopt;
    return CellPosition{int(column - 1), int(row)};
}

struct CellValue {
    QString text;
    bool longNumber = false;
};

// A number cell as stored: whole numbers keep the digits the file holds (an ID number is no
// quantity); others are written as plain decimals.
CellValue numberCell(const QString& stored, const Place& where)
{
    const QString raw = stored.trimmed();
    if (raw.isEmpty())
        return {};
    bool ok = false;
    const double value = raw.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        refuseDamaged(QStringLiteral("%1有无效的数字“%2”").arg(where.text(), raw.left(40)));
    QStringView digits(raw);
    if (digits.startsWith(u'-'))
        digits = digits.mid(1);
    const bool whole =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    if (whole) {
        qsizetype lead = 0;
        while (lead + 1 < digits.size() && digits.at(lead) == u'0')
            ++lead;
        const QStringView significant = digits.mid(lead);
        return {(raw.startsWith(u'-') ? QStringLiteral("-") : QString()) + significant.toString(),
                significant.size() > 15};
    }
    return {plainDecimal(value), std::fabs(value) >= 1e15 && value == std::floor(value)};
}

// One <c> element: its value by the cell's type.
CellValue cellValue(QXmlStreamReader& r, const QString& type, const std::optional<QStringList>& strings,
                    const Place& where)
{
    QString stored;
    QString inlineText;
    while (!r.atEnd()) {
        next(r, where);
        if (r.isStartElement() && r.name() == u"v")
            stored = elementText(r, where);
        else if (r.isStartElement() && r.name() == u"is")
            inlineText = textsUntilEnd(r, where);
        else if (r.isStartElement())
            elementText(r, where); // a formula or an extension: its result is in <v>
        else if (r.isEndElement() && r.name() == u"c")
            break;
    }
    if (type == u"inlineStr")
        return {inlineText};
    if (type == u"s") {
        if (stored.isEmpty())
            return {};
        if (!strings)
            refuseDamaged(QStringLiteral("%1引用的共享字符串缺失").arg(where.text()));
        bool ok = false;
        const int index = stored.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= strings->size())
            refuseDamaged(QStringLiteral("%1引用的共享字符串第 %2 项不存在").arg(where.text(), stored.left(20)));
        return {strings->at(index)};
    }
    if (type.isEmpty() || type == u"n")
        return numberCell(stored, where);
    if (type == u"str" || type == u"b" || type == u"e" || type == u"d")
        return {stored};
    refuseDamaged(QStringLiteral("%1的单元格类型“%2”未知").arg(where.text(), type.left(20)));
}

SourceSheet readXlsx(const QString& path)
{
    Archive zip(path);
    if (!zip.isOpen())
        return SourceSheet{{}, unreadable.arg(QStringLiteral("不是有效的工作簿"))};
    const FirstSheet first = firstSheet(zip);
    const std::optional<QStringList> strings = sharedStrings(zip);
    auto member = zip.open(first.part);
    if (!member)
        return SourceSheet{{}, unreadable.arg(QStringLiteral("工作簿中没有工作表"))};

    const QString sheetName = QStringLiteral("工作表“%1”").arg(first.name);
    SheetBuilder sheet;
    SourceRow row;
    bool inRow = false;
    int nextColumn = 0;
    Place where{sheetName};
    QXmlStreamReader r(member.get());
    while (!r.atEnd()) {
        next(r, where);
        if (r.isStartElement() && r.name() == u"row") {
            const int previous = row.line;
            const QStringView ref = r.attributes().value(QLatin1String("r"));
            int line = previous + 1;
            if (!ref.isEmpty()) {
                bool ok = false;
                line = ref.toInt(&ok);
                if (!ok || line < 1 || line > ImportLimits::maxRows)
                    refuseDamaged(QStringLiteral("%1第 %2 行之后有无效的行号“%3”")
                                      .arg(sheetName)
                                      .arg(previous)
                                      .arg(ref.left(20)));
                if (line <= previous)
                    refuseDamaged(
                        QStringLiteral("%1第 %2 行之后的行号 %3 次序有误").arg(sheetName).arg(previous).arg(line));
            } else if (line > ImportLimits::maxRows)
                refuseDamaged(QStringLiteral("%1超过 %2 行").arg(sheetName).arg(ImportLimits::maxRows));
            row = SourceRow{line, {}, {}};
            inRow = true;
            where.index = line;
            nextColumn = 0;
        } else if (r.isEndElement() && r.name() == u"row") {
            const int line = row.line;
            if (!row.cells.isEmpty())
                sheet.add(std::move(row));
            row = SourceRow{line, {}, {}};
            inRow = false;
            where.index = 0;
        } else if (r.isStartElement() && r.name() == u"c") {
            if (!inRow)
                refuseDamaged(QStringLiteral("%1有不在行中的单元格").arg(sheetName));
            const QString ref = r.attributes().value(QLatin1String("r")).toString();
            const QString type = r.attributes().value(QLatin1String("t")).toString();
            int column = nextColumn;
            if (!ref.isEmpty()) {
                const auto at = cellPosition(ref);
                if (!at || at->row != row.line)
                    refuseDamaged(QStringLiteral("%1的单元格位置“%2”无效").arg(where.text(), ref.left(20)));
                column = at->column;
            }
            if (column < nextColumn || column >= ImportLimits::maxColumns)
                refuseDamaged(QStringLiteral("%1的单元格次序有误").arg(where.text()));
            nextColumn = column + 1;
            const CellValue value = cellValue(r, type, strings, where);
            if (value.text.isEmpty())
                continue; // a formatted empty cell
            if (value.longNumber)
                row.longNumbers << column;
            while (row.cells.size() < column)
                row.cells << QString();
            row.cells << value.text;
        }
    }
    finishPart(r, *member, first.part, where);
    return sheet.take();
}

// The rows of the first sheet of an .xls. FreeXL reads the whole file at opening; what it then
// hands back must add up with what it said the sheet holds.
SourceSheet readXls(const QString& path)
{
    const void* handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int opened = freexl_open(name.constData(), &handle);
    const std::unique_ptr<const void, int (*)(const void*)> closer(handle, freexl_close);
    if (opened != FREEXL_OK)
        return SourceSheet{{}, unreadable.arg(QStringLiteral("不是有效的 xls 工作簿"))};
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        return SourceSheet{{}, unreadable.arg(QStringLiteral("工作簿设有密码，请先在电子表格程序中取消密码"))};
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0 ||
        freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK)
        return SourceSheet{{}, unreadable.arg(QStringLiteral("工作簿中没有工作表"))};
    const char* sheetUtf8 = nullptr;
    QString sheetName = QStringLiteral("1");
    if (freexl_get_worksheet_name(handle, 0, &sheetUtf8) == FREEXL_OK && sheetUtf8)
        sheetName = QString::fromUtf8(sheetUtf8).left(100);
    sheetName = QStringLiteral("工作表“%1”").arg(sheetName);
    if (rows > unsigned(ImportLimits::maxRows) || cols > ImportLimits::maxColumns)
        refuseDamaged(QStringLiteral("%1的大小 %2 行 × %3 列无效").arg(sheetName).arg(rows).arg(cols));
    if (qint64(rows) * cols > ImportLimits::maxCells)
        refuseTooLarge(QStringLiteral("超过 %1 个单元格").arg(ImportLimits::maxCells));

    SheetBuilder sheet;
    unsigned int lastLine = 0;
    for (unsigned int r = 0; r < rows; ++r) {
        SourceRow row{int(r) + 1, {}, {}};
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                refuseDamaged(QStringLiteral("%1第 %2 行第 %3 列无法读取").arg(sheetName).arg(r + 1).arg(c + 1));
            QString value;
            switch (cell.type) {
            case FREEXL_CELL_INT: value = QString::number(cell.value.int_value); break;
            case FREEXL_CELL_DOUBLE: {
                const CellValue number = numberCell(QString::number(cell.value.double_value, 'g', 17),
                                                    Place{sheetName, QStringLiteral("行"), int(r) + 1});
                value = number.text;
                if (number.longNumber)
                    row.longNumbers << c;
                break;
            }
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (cell.value.text_value)
                    value = QString::fromUtf8(cell.value.text_value);
                break;
            default: break;
            }
            if (value.isEmpty())
                continue;
            while (row.cells.size() < c)
                row.cells << QString();
            row.cells << value;
        }
        if (!row.cells.isEmpty()) {
            lastLine = r + 1;
            sheet.add(std::move(row));
        }
    }
    // A damaged record list ends the cells early while the sheet's size still counts them all.
    if (lastLine < rows)
        refuseDamaged(QStringLiteral("%1应有 %2 行，只读到第 %3 行").arg(sheetName).arg(rows).arg(lastLine));
    return sheet.take();
}

SourceSheet refusedSheet(const Refusal& refusal)
{
    return SourceSheet{{}, refusal.message};
}

} // namespace

SourceSheet readImportFile(const QString& path)
{
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return SourceSheet{{}, unreadable.arg(file.errorString())};
        const QByteArray head = file.peek(8);
        if (head.startsWith("PK\x03\x04"))
            return readXlsx(path);
        if (head.startsWith("\xD0\xCF\x11\xE0"))
            return readXls(path);
        if (file.size() > ImportLimits::maxTotalBytes)
            refuseTooLarge(QStringLiteral("超过 %1").arg(megabytes(ImportLimits::maxTotalBytes)));
        return readCsv(file.readAll());
    } catch (const Refusal& refusal) {
        return refusedSheet(refusal);
    } catch (const std::bad_alloc&) {
        return SourceSheet{{}, QStringLiteral("文件过大（内存不足），未导入任何数据。")};
    }
}

} // namespace kv
