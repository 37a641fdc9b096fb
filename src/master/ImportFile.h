#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reading the rows of a file that a factory brings along: a workbook (.xlsx, .xls) or a CSV
// text in UTF-8 or GBK. The kind is told by the file's first bytes, not by its name, as our own
// exports before the ".xlsx" names wrote workbook content under a ".xls" name.
namespace kv {

// One row of the file as cell texts, left to right; numbers as plain decimal text.
struct SourceRow {
    int line = 0; // row of the file, counted from 1
    QStringList cells;
};

struct SourceSheet {
    QList<SourceRow> rows; // rows holding no cell may be left out
    QString error;         // why the file could not be read, in Chinese; empty on success
};

// The first sheet of a workbook, or the rows of a CSV file.
SourceSheet readImportFile(const QString& path);

// The rows of CSV bytes: UTF-8 (with or without byte-order mark) when the bytes are valid
// UTF-8, GBK otherwise. Comma separated, or by TAB or semicolon when the first line holds no
// comma; quoted cells may hold separators, doubled quotes and line breaks.
SourceSheet readCsv(const QByteArray& bytes);

} // namespace kv
