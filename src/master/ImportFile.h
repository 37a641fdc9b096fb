#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// Reading the rows of a file that a factory brings along: a workbook (.xlsx, .xls) or a CSV
// text in UTF-8, UTF-16 or GBK. The kind is told by the file's first bytes, not by its name,
// as our own exports before the ".xlsx" names wrote workbook content under a ".xls" name.
//
// Every such file is hostile until read whole: the readers keep to the limits below and refuse
// a file whose structure does not add up rather than read part of it. The program itself reads
// files through a reader process (ImportReader.h), so that a fault in a reader cannot end it.
namespace kv {

// One row of the file as cell texts, left to right; numbers as plain decimal text.
struct SourceRow {
    int line = 0; // row of the file, counted from 1
    QStringList cells;
    // Cells that held a workbook number of more than 15 digits: a spreadsheet keeps only the
    // first 15, so the digits read may differ from those once typed (an 18-digit ID number).
    QList<int> longNumbers;
};

struct SourceSheet {
    QList<SourceRow> rows; // rows holding no cell may be left out
    QString error;         // why the file could not be read, in Chinese; empty on success
};

// What a file may hold. A workbook cell lies within XFD1048576; the parts of an .xlsx are
// inflated only up to a size each and in all (a small zip can hold gigabytes of blanks).
struct ImportLimits {
    static constexpr int maxColumns = 16384; // A … XFD
    static constexpr int maxRows = 1048576;
    static constexpr qint64 maxPartBytes = 100LL << 20;  // one inflated part of an .xlsx
    static constexpr qint64 maxTotalBytes = 200LL << 20; // all parts read, and a CSV file
    static constexpr qint64 maxCells = 4000000;          // cells of the sheet, empty ones between included
    static constexpr qint64 maxTextChars = 50000000;     // characters in all cells
    static constexpr int maxCellChars = 32767;           // what one workbook cell can hold
    // A CSV has no sheet size: its rows holding something are bound by the cells alone.
    static constexpr int maxCsvRows = int(maxCells);
    // The most rows any reader hands over; the program takes no more from a reader process.
    static constexpr int maxSheetRows = std::max(maxRows, maxCsvRows);
};

// The first sheet of a workbook, or the rows of a CSV file, read in this process.
SourceSheet readImportFile(const QString& path);

// The rows of CSV bytes: UTF-16 (little or big endian) after its byte-order mark; otherwise
// UTF-8 (with or without byte-order mark) when the bytes are valid UTF-8, GBK when not. Comma
// separated, or by TAB or semicolon when the first line holding something has none outside
// quotes; quoted cells may hold separators, doubled quotes and line breaks. A line ends at LF,
// CR LF or a lone CR. A quote that does not close, text after a closing quote, and a row with
// fewer fields than the header row or with filled fields beyond it refuse the whole text with
// their line.
SourceSheet readCsv(const QByteArray& bytes);

} // namespace kv
