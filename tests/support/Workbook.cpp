#include "Workbook.h"

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

// Per cell style index (the "s" of a cell): is its font bold?
QList<bool> boldStyles(const QByteArray& xml)
{
    QList<bool> fontBold;
    QList<bool> styles;
    QString section;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const QString name = r.name().toString();
            if (name == QStringLiteral("fonts") || name == QStringLiteral("cellXfs") ||
                name == QStringLiteral("cellStyleXfs"))
                section = name;
            else if (name == QStringLiteral("font") && section == QStringLiteral("fonts"))
                fontBold << false;
            else if (name == QStringLiteral("b") && section == QStringLiteral("fonts") && !fontBold.isEmpty())
                fontBold.last() = true;
            else if (name == QStringLiteral("xf") && section == QStringLiteral("cellXfs"))
                styles << fontBold.value(r.attributes().value(QStringLiteral("fontId")).toInt(), false);
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
    const QList<bool> bold = boldStyles(unzipMember(path, QStringLiteral("xl/styles.xml")));
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
            cell.bold = bold.value(r.attributes().value(QStringLiteral("s")).toInt(), false);
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
