#include "Workbook.h"

#include <QHash>
#include <QProcess>
#include <QXmlStreamReader>

namespace {

QByteArray unzipMember(const QString& path, const QString& member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader r(xml);
    QString current;
    bool inItem = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QStringLiteral("si")) {
            inItem = true;
            current.clear();
        } else if (r.isStartElement() && r.name() == QStringLiteral("t") && inItem) {
            current += r.readElementText();
        } else if (r.isEndElement() && r.name() == QStringLiteral("si")) {
            strings << current;
            inItem = false;
        }
    }
    return strings;
}

// "C12" -> column 2 (from 0).
int columnOf(const QString& ref)
{
    int col = 0;
    for (const QChar c : ref) {
        if (!c.isLetter())
            break;
        col = col * 26 + (c.unicode() - u'A' + 1);
    }
    return col - 1;
}

struct CellStyle {
    bool bold = false;
    QString format;
};

// Per cell style index (the "s" of a cell): is its font bold, what is its number format?
QList<CellStyle> cellStyles(const QByteArray& xml)
{
    // The built-in formats a writer refers to by number.
    QHash<int, QString> formats{{0, QStringLiteral("General")},
                                {1, QStringLiteral("0")},
                                {2, QStringLiteral("0.00")},
                                {3, QStringLiteral("#,##0")},
                                {4, QStringLiteral("#,##0.00")}};
    QList<bool> fontBold;
    QList<CellStyle> styles;
    QString section;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const QString name = r.name().toString();
            const auto attr = [&](const char* a) { return r.attributes().value(QLatin1String(a)).toString(); };
            if (name == QStringLiteral("fonts") || name == QStringLiteral("cellXfs") ||
                name == QStringLiteral("cellStyleXfs") || name == QStringLiteral("numFmts"))
                section = name;
            else if (name == QStringLiteral("numFmt") && section == QStringLiteral("numFmts"))
                formats.insert(attr("numFmtId").toInt(), attr("formatCode"));
            else if (name == QStringLiteral("font") && section == QStringLiteral("fonts"))
                fontBold << false;
            else if (name == QStringLiteral("b") && section == QStringLiteral("fonts") && !fontBold.isEmpty())
                fontBold.last() = true;
            else if (name == QStringLiteral("xf") && section == QStringLiteral("cellXfs"))
                styles << CellStyle{fontBold.value(attr("fontId").toInt(), false),
                                    formats.value(attr("numFmtId").toInt(), QStringLiteral("General"))};
        } else if (r.isEndElement() && r.name().toString() == section) {
            section.clear();
        }
    }
    return styles;
}

} // namespace

QList<QList<WorkbookCell>> readWorkbookCells(const QString& path)
{
    const QStringList strings = sharedStrings(unzipMember(path, QStringLiteral("xl/sharedStrings.xml")));
    const QList<CellStyle> styles = cellStyles(unzipMember(path, QStringLiteral("xl/styles.xml")));
    QXmlStreamReader r(unzipMember(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    QList<QList<WorkbookCell>> rows;
    WorkbookCell cell;
    QString type;
    int col = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QStringLiteral("row")) {
            const int index = r.attributes().value(QStringLiteral("r")).toInt() - 1;
            while (rows.size() <= index)
                rows.append(QList<WorkbookCell>());
        } else if (r.name() == QStringLiteral("c")) {
            type = r.attributes().value(QStringLiteral("t")).toString();
            col = columnOf(r.attributes().value(QStringLiteral("r")).toString());
            cell = WorkbookCell{};
            cell.number = type.isEmpty() || type == QStringLiteral("n");
            const CellStyle style = styles.value(r.attributes().value(QStringLiteral("s")).toInt(),
                                                 CellStyle{false, QStringLiteral("General")});
            cell.bold = style.bold;
            cell.format = style.format;
        } else if ((r.name() == QStringLiteral("v") || r.name() == QStringLiteral("t")) && !rows.isEmpty()) {
            cell.text = r.readElementText();
            if (type == QStringLiteral("s"))
                cell.text = strings.value(cell.text.toInt());
            QList<WorkbookCell>& row = rows.last();
            while (row.size() <= col)
                row.append(WorkbookCell{});
            row[col] = cell;
        }
    }
    return rows;
}

QList<QStringList> readWorkbook(const QString& path)
{
    QList<QStringList> rows;
    for (const QList<WorkbookCell>& cells : readWorkbookCells(path)) {
        QStringList row;
        for (const WorkbookCell& cell : cells)
            row << cell.text;
        rows << row;
    }
    return rows;
}
