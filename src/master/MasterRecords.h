#pragma once

#include "master/MasterTable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

class Database;

// The refusal of an edit of a master record that another user changed after it was opened.
inline constexpr auto kRecordChangedText = u"该记录已被其他用户修改，请关闭后重新打开再修改。";

// One condition row of a list window's filter: the field chosen and the value typed.
struct FieldCondition {
    QString field;
    QString value;
    bool operator==(const FieldCondition&) const = default;
};

// The rows that take part in a filter: a field chosen and a value that is not empty once
// cleaned. Values come back cleaned; the order is kept, and a field may appear twice.
QList<FieldCondition> filterConditions(const QList<FieldCondition>& typed);

// Stored journal lines that name a master record by its number: an employee by 工号, a product
// by 产品编号, a deduction item by 扣减项目编号. A line stored without an item number (before
// numbers were kept) counts by its description: as the record's own when no other record has
// that description, and apart, as uncertain, when namesakes share it.
struct LineReferences {
    qint64 production = 0;
    qint64 deductions = 0;
    qint64 uncertainProduction = 0;
    qint64 uncertainDeductions = 0;
};

// The line of the delete question that says how many stored lines name the record, such as
// "该员工有 12 条生产记录、2 条扣减记录。", and how many carry its description without a
// number; empty when none do.
QString referenceNote(MasterKind kind, const LineReferences& refs);

// What keeps a cleaned value of an optional column from being stored, in Chinese: a card number
// that fails its check, a value outside the column's choices. Empty when it can be stored (an
// empty value always can).
QString optionalValueFault(const MasterColumn& column, const QString& value);

// What a delete did with the record.
enum class Removal {
    Deleted,         // no stored line named it: gone, its number kept as given up
    OutOfUse,        // lines name it: the employee left (离职), the item is out of use (停用) from today
    AlreadyOutOfUse, // it had left or gone out of use before: nothing changed
    Missing,         // no such record
};

// A master table as its list window shows it.
struct RecordRows {
    QStringList fields;      // the columns after id, in table order
    QList<QStringList> rows; // per record: the cells of `fields` as text, then the id
};

// "员工", "产品", "扣减项目": what the operation log calls a record of the table.
QString recordNoun(MasterKind kind);

// Reading and writing the rows of one master table for its list window and its dialog.
// Typed values are cleaned here, on add and on edit alike.
class MasterRecords {
public:
    MasterRecords(Database& db, MasterKind kind);

    const MasterTable& table() const { return m_table; }

    // Every record, or those equal to every condition, in ascending id; without the records out
    // of use (NumberHistory.h) and the column of their day unless `withOutOfUse`. Numbers are
    // shown as plain decimal text, dates as yyyy-M-d and card numbers masked but for the last
    // four digits; a date condition may be typed in any accepted date form. An unknown field is
    // an error.
    RecordRows list(const QList<FieldCondition>& conditions = {}, bool withOutOfUse = false);
    // Deletes the record, or where stored lines carry its number takes it out of use from today
    // instead, so that every month it was paid in keeps it. Needs Right::MasterData.
    Removal remove(qint64 id);
    // The stored lines that name the record (none for a record that is gone).
    LineReferences referringLines(qint64 id);

    // Whether another record already has this (cleaned) number.
    bool numberExists(const QString& typedNumber);
    // Why the record `id` (0: a new one) may not take the number because a record out of use or
    // gone had it (formerOwnerRefusal); empty when none did.
    QString formerOwner(const QString& typedNumber, qint64 id);
    // The employees other than `id` whose names would look the same as the typed one in a list
    // (LookAlikeNames.h), as "吴十（工号 008）", "吴十（工号 009，已离职）"; two people may share a
    // name, so this is asked about, not refused. Empty for the other tables.
    QStringList lookAlikeNames(const QString& typedName, qint64 id);
    // The letter and the highest id + 1, zero-padded to at least five digits: Y00042; the next
    // one up when that number was ever given.
    QString automaticNumber();

    // The values of one record in column order as the dialog shows them; none when it is gone.
    std::optional<QStringList> load(qint64 id);
    // The first column (in column order) that is required and empty once cleaned, not a number
    // where a number is needed, or holds what its column refuses (a card number that fails its
    // check, a 发放方式 that is neither 银行 nor 现金); none when the values can be saved.
    // A number with more places than its column takes (a piece price has at most
    // Decimal::kPricePlaces) or too large to store is a problem too.
    std::optional<int> firstProblem(const QStringList& values) const;
    // What the user is told about the problem of that column: "工价未填写！", for a number
    // with too many places "工价最多保留 4 位小数！", for a card number why it is refused.
    QString problemText(const QStringList& values, int column) const;
    // Adds (editId 0) or updates the record from values in column order, and puts a new
    // workshop, job type or unit into its code list, all or nothing, with an entry in the log
    // for each. Needs the
    // right to keep master data (Right::MasterData); a number that stored lines name never
    // changes (InputError with the line counts of referenceNote), and a number another record
    // has is refused (InputError kNumberTakenText), also when another clerk stored it meanwhile. False when the record
    // to update no longer exists; nothing is written then. With `loaded` (the values load gave
    // when the edit began) an update is refused with InputError (kRecordChangedText) when
    // another user changed the record since.
    bool save(qint64 editId, const QStringList& values, const std::optional<QStringList>& loaded = std::nullopt);
    // The same inside a transaction the caller holds (an import of many records), which also
    // writes the operation log's entry for it; the code-list entries it adds are named in
    // `learnt` ("车间 一车间") for that entry.
    bool write(qint64 editId, const QStringList& values, QStringList* learnt = nullptr);

private:
    bool saveOnce(qint64 editId, const QStringList& values, const std::optional<QStringList>& loaded);
    QVariant storedValue(const MasterColumn& column, const QString& typed) const;
    // Throws InputError when another record has the number (kNumberTakenText) or had it
    // (formerOwnerRefusal), or when the record's number would change while stored lines name it;
    // id 0 for a new record. A number the record gives up is kept as given up.
    void refuseTakenNumber(qint64 id, const QString& number);
    void refuseNumberChange(qint64 id, const QString& stored);
    // load, and inside a transaction keeps the row from other connections' changes till its end.
    std::optional<QStringList> loadRow(qint64 id, bool lockRow);

    Database& m_db;
    const MasterTable& m_table;
};

} // namespace kv
