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

} // namespace

QList<QStringList> readWorkbook(const QString& path)
{
    const QStringList strings = sharedStrings(unzipMember(path, QStringLiteral("xl/sharedStrings.xml")));
    QXmlStreamReader r(unzipMember(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    QList<QStringList> rows;
    QString type;
    int col = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QStringLiteral("row")) {
            const int index = r.attributes().value(QStringLiteral("r")).toInt() - 1;
            while (rows.size() <= index)
                rows.append(QStringList());
        } else if (r.name() == QStringLiteral("c")) {
            type = r.attributes().value(QStringLiteral("t")).toString();
            col = columnOf(r.attributes().value(QStringLiteral("r")).toString());
        } else if ((r.name() == QStringLiteral("v") || r.name() == QStringLiteral("t")) && !rows.isEmpty()) {
            QString value = r.readElementText();
            if (type == QStringLiteral("s"))
                value = strings.value(value.toInt());
            QStringList& row = rows.last();
            while (row.size() <= col)
                row.append(QString());
            row[col] = value;
        }
    }
    return rows;
}
