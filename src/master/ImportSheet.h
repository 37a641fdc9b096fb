#pragma once

#include "master/ImportFile.h"

// What the import readers share: the refusal a reader throws wherever it finds that a file does
// not add up, and the sheet that counts what is read against the limits. Used by the readers
// only; readImportFile and readCsv turn a refusal into the sheet's error.
namespace kv::importing {

struct Refusal {
    QString message;
};

[[noreturn]] void refuseDamaged(const QString& detail);
[[noreturn]] void refuseTooLarge(const QString& detail);

// "100 MB"
QString megabytes(qint64 bytes);

// The rows of a sheet as they are read, counted against the limits.
class SheetBuilder {
public:
    void add(SourceRow&& row);
    qsizetype rowCount() const { return m_sheet.rows.size(); }
    SourceSheet take() { return std::move(m_sheet); }

private:
    SourceSheet m_sheet;
    qint64 m_cells = 0;
    qint64 m_chars = 0;
};

} // namespace kv::importing
