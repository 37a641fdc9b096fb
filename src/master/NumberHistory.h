#pragma once

#include "master/MasterTable.h"

#include <QDate>
#include <QString>

#include <optional>

namespace kv {

class Database;

// Numbers are never given twice. A record whose number stored lines name is not deleted but
// taken out of use, with the day: an employee leaves (离职日期), a product or deduction item is
// put out of use (停用日期); it stays in every month it was paid in, and its number stays its
// own. A number given up otherwise (a record without lines deleted, or renumbered) is kept in
// 停用编号 with whose it was, so that no later record gets it.

// The column that holds the day a record went out of use: 离职日期 or 停用日期.
QString outOfUseColumn(MasterKind kind);
// "已离职" for employees, "已停用" for the others.
QString outOfUseText(MasterKind kind);

// Why the record `id` (0 for a new one) may not take the cleaned number: it belonged to a record
// that is out of use or gone, "该工号曾属于 吴十（已离职），不能再用". Empty when no such
// record had it (another record in use having it is the caller's own refusal).
QString formerOwnerRefusal(Database& db, MasterKind kind, const QString& number, qint64 id);

// The refusal of a number once `owner`'s, who is in `state` ("已离职", "已删除").
QString formerOwnerText(MasterKind kind, const QString& owner, const QString& state);
// formerOwnerRefusal for the numbers given up only (停用编号), not those of records out of use.
QString givenUpNumberRefusal(Database& db, MasterKind kind, const QString& number, qint64 id);

// Keeps a number given up inside the caller's transaction: `reason` says what became of its
// record ("已删除", "已改用 010"). A number kept before stays with its first record.
void keepGivenUpNumber(Database& db, MasterKind kind, const QString& number, const QString& name, qint64 id,
                       const QString& reason);

// The day the record went out of use; none while in use or when it is gone.
std::optional<QDate> outOfUseSince(Database& db, MasterKind kind, qint64 id);
// The day the employee of that (cleaned) number left; none while he works here.
std::optional<QDate> employeeLeftOn(Database& db, const QString& number);

} // namespace kv
