#pragma once

#include "master/ImportFile.h"
#include "master/MasterTable.h"

#include <QMap>

#include <functional>

namespace kv {

class Database;

// One row of the file as it would be stored.
struct ImportRow {
    int line = 0;               // row of the file, counted from 1 (the header row)
    QStringList values;         // in table column order, cleaned; pinyin code filled in when empty
    QMap<int, QString> problems; // column in table order -> why the value cannot be stored
    QMap<int, QString> warnings; // column in table order -> what to check in a value that is stored
    qint64 existingId = 0;      // the stored record with the same number; 0 for a new one

    bool accepted() const { return problems.isEmpty(); }
};

struct ImportPreview {
    QList<ImportRow> rows;      // rows with at least one cell, in file order
    QList<bool> present;        // per table column: named in the header row
    QStringList ignoredColumns; // headers that name no column of the table
    QString error;              // why nothing can be imported (a required column missing)
};

// What happens to an accepted row whose number is already stored.
enum class ExistingRows { Skip, Update };

struct ImportCounts {
    int added = 0;
    int updated = 0;
    int skipped = 0; // rows with a problem, and stored numbers when they are skipped
};

// Importing the rows of a file into a master table: the first row names the columns by the
// headers our exports write (any order, others ignored); every other row is checked by the
// rules of the add dialog before anything is stored. A text longer than kMaxImportedChars or
// holding a control character is refused with its row.
inline constexpr int kMaxImportedChars = 255;

class MasterImport {
public:
    MasterImport(Database& db, MasterKind kind);

    ImportPreview preview(const QList<SourceRow>& rows);

    // Stores every accepted row in one transaction: all or nothing. New workshops, job types
    // and units join their code lists. `progress` hears (rows done, rows in all) and may answer
    // false to cancel, which stores nothing and returns none. A database failure is thrown.
    std::optional<ImportCounts> store(const ImportPreview& preview, ExistingRows existing,
                                      const std::function<bool(int, int)>& progress = {});

private:
    void check(ImportRow& row, QHash<QString, int>& firstLineOfNumber) const;

    Database& m_db;
    const MasterTable& m_table;
};

// "导入完成：新增 3 条，更新 1 条，跳过 2 条。"
QString importSummary(const ImportCounts& counts);

} // namespace kv
