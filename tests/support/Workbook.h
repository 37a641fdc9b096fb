#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reads the first sheet of a workbook file back as rows of cell texts (numbers as written),
// so that tests can check an export. Empty when the file is no readable workbook.
QList<QStringList> readWorkbook(const QString& path);
