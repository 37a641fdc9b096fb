#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reads the first sheet of a workbook file back as rows of cell texts (numbers as written),
// so that tests can check an export. Empty when the file is no readable workbook.
QList<QStringList> readWorkbook(const QString& path);

// One cell as a spreadsheet program sees it: its text, whether it is a number (not a text that
// looks like one), and whether its font is bold.
struct WorkbookCell {
    QString text;
    bool number = false;
    bool bold = false;
    QString format; // number format code, "General" unless set
};

// The same sheet cell by cell; missing cells are empty texts.
QList<QList<WorkbookCell>> readWorkbookCells(const QString& path);
