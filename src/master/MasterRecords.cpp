#include "master/MasterRecords.h"

#include "data/Database.h"
#include "data/Decimal.h"
#include "data/LookAlikeNames.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/TextRules.h"
#include "data/UniqueNumbers.h"
#include "lists/CodeList.h"
#include "master/BankCards.h"
#include "master/NumberHistory.h"
#include "master/PieceRates.h"

namespace kv {

namespace {

QString quoted(const QString& identifier)
{
    return u'"' + identifier + u'"';
}

// A stored value as the grids and dialogs show it; a card number in full only where `full`.
QString shownText(const Statement& st, int col, ColumnType type, bool full = true)
{
    const QVariant v = st.value(col);
    if (v.isNull())
        return {};
    if (type == ColumnType::BankCard)
        return full ? v.toString() : maskedBankCard(v.toString());
    if (v.typeId() == QMetaType::LongLong)
        return QString::number(v.toLongLong());
    if (v.typeId() == QMetaType::Double)
        return st.decimal(col).plainText();
    if (type == ColumnType::Date) {
        if (const auto date = parseDateText(v.toString()))
            return dateText(*date);
    }
    return v.toString();
}

// The typed value as the column holds it: a date in any accepted form as its ISO text, and for
// a number column the number (text that is none matches no row, as NULL never equals).
// What keeps a typed number of a number column from being stored, or empty: more places than
// the column takes, or a size beyond what is stored. Text that is no number is the caller's case.
QString numberFault(const MasterColumn& column, const QString& value)
{
    Decimal::ParseError error = Decimal::ParseError::None;
    if (Decimal::parse(value, column.places, &error))
        return {};
    if (error == Decimal::ParseError::TooManyPlaces)
        return QStringLiteral("%1最多保留 %2 位小数！").arg(column.name).arg(column.places);
    if (error == Decimal::ParseError::TooLarge)
        return QStringLiteral("%1太大，超出了本程序能计算的范围！").arg(column.name);
    return {};
}

QVariant conditionValue(const MasterColumn& column, const QString& typed)
{
    if (column.type == ColumnType::Date) {
        const auto date = parseDateText(typed);
        return date ? isoDate(*date) : typed;
    }
    if (column.type == ColumnType::Number) {
        bool ok = false;
        const double number = typed.toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    if (column.type == ColumnType::BankCard)
        return bankCardDigits(typed);
    return typed;
}

// The piece price among the values of a product as they are stored; none when it has none.
std::optional<Decimal> productPrice(const QVariantList& bound)
{
    const QVariant price = bound.value(masterTable(MasterKind::Product).columnIndex(QStringLiteral("工价")));
    if (price.isNull())
        return std::nullopt;
    return Decimal::fromStoredDouble(price.toDouble());
}
} // namespace

QList<FieldCondition> filterConditions(const QList<FieldCondition>& typed)
{
    QList<FieldCondition> out;
    for (const FieldCondition& c : typed) {
        const QString value = cleanText(c.value);
        if (!c.field.isEmpty() && !value.isEmpty())
            out.append({c.field, value});
    }
    return out;
}

QString optionalValueFault(const MasterColumn& column, const QString& value)
{
    if (value.isEmpty())
        return {};
    if (column.type == ColumnType::BankCard)
        return bankCardFault(value);
    if (!column.choices.isEmpty() && !column.choices.contains(value))
        return QStringLiteral("%1只能是“%2”或不填：%3")
            .arg(column.name, column.choices.join(QStringLiteral("”或“")), value);
    return {};
}

MasterRecords::MasterRecords(Database& db, MasterKind kind) : m_db(db), m_table(masterTable(kind)) {}

RecordRows MasterRecords::list(const QList<FieldCondition>& conditions, bool withOutOfUse)
{
    const QString outOfUse = outOfUseColumn(m_table.kind);
    QString sql = QStringLiteral("SELECT * FROM %1 WHERE 1=1").arg(quoted(m_table.table));
    if (!withOutOfUse)
        sql += QStringLiteral(" AND %1 IS NULL").arg(quoted(outOfUse));
    QVariantList values;
    for (const FieldCondition& c : conditions) {
        const int index = m_table.columnIndex(c.field);
        if (index < 0 && c.field != outOfUse)
            throw InputError(QStringLiteral("%1中没有字段“%2”").arg(m_table.table, c.field));
        const MasterColumn column =
            index < 0 ? MasterColumn{outOfUse, ColumnType::Date, {}, {}} : m_table.columns.at(index);
        sql += QStringLiteral(" AND %1 = ?").arg(quoted(column.name));
        values << conditionValue(column, c.value);
    }
    sql += QStringLiteral(" ORDER BY id");

    Statement st = m_db.prepare(sql);
    st.bindAll(values);
    RecordRows result;
    const int idCol = st.columnIndex(QStringLiteral("id"));
    QList<int> cols;
    QList<ColumnType> types;
    for (int i = 0; i < st.columnCount(); ++i) {
        const QString name = st.columnName(i);
        if (i == idCol || (name == outOfUse && !withOutOfUse))
            continue;
        const int index = m_table.columnIndex(name);
        result.fields << name;
        cols << i;
        types << (index >= 0 ? m_table.columns.at(index).type : name == outOfUse ? ColumnType::Date : ColumnType::Text);
    }
    while (st.next()) {
        QStringList row;
        for (int i = 0; i < cols.size(); ++i)
            row << shownText(st, cols.at(i), types.at(i), false);
        row << QString::number(st.integer(idCol));
        result.rows.append(row);
    }
    return result;
}

Removal MasterRecords::remove(qint64 id)
{
    Transaction tx(m_db);
    requireRight(m_db, Right::MasterData);
    const QString outOfUse = quoted(outOfUseColumn(m_table.kind));
    Statement st = m_db.prepare(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE id = ?")
                                    .arg(quoted(m_table.columns.at(0).name), quoted(m_table.columns.at(1).name),
                                         outOfUse, quoted(m_table.table)) +
                                m_db.lockClause());
    st.bind(1, id);
    if (!st.next())
        return Removal::Missing;
    const QString number = st.text(0);
    const QString name = st.text(1);
    if (!st.isNull(2))
        return Removal::AlreadyOutOfUse;
    const QString what = number + u' ' + name;
    // Only lines that carry the number are surely the record's; a line with only a shared
    // description does not keep it.
    const LineReferences refs = referringLines(id);
    if (refs.production + refs.deductions > 0) {
        m_db.exec(QStringLiteral("UPDATE %1 SET %2 = ? WHERE id = ?").arg(quoted(m_table.table), outOfUse),
                  {isoDate(m_db.now().date()), id});
        OperationLog(m_db).record((m_table.kind == MasterKind::Employee
                                       ? QStringLiteral("员工离职")
                                       : QStringLiteral("停用") + recordNoun(m_table.kind)),
                                  what);
        tx.commit();
        return Removal::OutOfUse;
    }
    m_db.exec(QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(quoted(m_table.table)), {id});
    if (m_table.kind == MasterKind::Product)
        m_db.exec(QStringLiteral("DELETE FROM 工价历史 WHERE 产品ID = ?"), {id});
    keepGivenUpNumber(m_db, m_table.kind, number, name, id, QStringLiteral("已删除"));
    OperationLog(m_db).record(QStringLiteral("删除") + recordNoun(m_table.kind), what);
    tx.commit();
    return Removal::Deleted;
}

LineReferences MasterRecords::referringLines(qint64 id)
{
    QString sql;
    switch (m_table.kind) {
    case MasterKind::Employee:
        sql = QStringLiteral("SELECT (SELECT count(*) FROM 工资流水 WHERE 工号 = e.工号), "
                             "(SELECT count(*) FROM 扣减流水 WHERE 工号 = e.工号), 0, 0 FROM 员工 e WHERE id = ?");
        break;
    case MasterKind::Product:
    case MasterKind::Deduction: {
        // Lines without a number are the record's when no other record has its description (as
        // the upgrade that numbered the lines decided), and uncertain when namesakes share it.
        const bool product = m_table.kind == MasterKind::Product;
        const QString journal = product ? QStringLiteral("工资流水") : QStringLiteral("扣减流水");
        const QString lineNumber = product ? QStringLiteral("产品编号") : QStringLiteral("扣减项目编号");
        const QString lineText = product ? QStringLiteral("产品") : QStringLiteral("扣减项目");
        const QString number = m_table.numberColumn().name;
        const QString description = m_table.columns.at(1).name;
        const QString counts =
            QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE %2 = r.%4) AS numbered, "
                           "(SELECT count(*) FROM %1 WHERE %2 IS NULL AND %3 = r.%5) AS unnumbered, "
                           "(SELECT count(*) FROM %6 n WHERE n.%5 = r.%5) AS namesakes FROM %6 r WHERE id = ?")
                .arg(journal, lineNumber, lineText, quoted(number), quoted(description), quoted(m_table.table));
        const QString own = QStringLiteral("numbered + CASE WHEN namesakes = 1 THEN unnumbered ELSE 0 END");
        const QString uncertain = QStringLiteral("CASE WHEN namesakes > 1 THEN unnumbered ELSE 0 END");
        sql = product ? QStringLiteral("SELECT %1, 0, %2, 0 FROM (%3) AS c").arg(own, uncertain, counts)
                      : QStringLiteral("SELECT 0, %1, 0, %2 FROM (%3) AS c").arg(own, uncertain, counts);
        break;
    }
    }
    Statement st = m_db.prepare(sql);
    st.bind(1, id);
    LineReferences refs;
    if (st.next())
        refs = {st.integer(0), st.integer(1), st.integer(2), st.integer(3)};
    return refs;
}

QString referenceNote(MasterKind kind, const LineReferences& refs)
{
    const auto counted = [](qint64 production, qint64 deductions) {
        QStringList counts;
        if (production > 0)
            counts << QStringLiteral("%1 条生产记录").arg(production);
        if (deductions > 0)
            counts << QStringLiteral("%1 条扣减记录").arg(deductions);
        return counts.join(QStringLiteral("、"));
    };
    const QString who = kind == MasterKind::Employee  ? QStringLiteral("该员工")
                        : kind == MasterKind::Product ? QStringLiteral("该产品")
                                                      : QStringLiteral("该扣减项目");
    QString note;
    if (const QString named = counted(refs.production, refs.deductions); !named.isEmpty())
        note = who + QStringLiteral("有 ") + named + u'。';
    if (const QString uncertain = counted(refs.uncertainProduction, refs.uncertainDeductions); !uncertain.isEmpty())
        note +=
            QStringLiteral("另有 %1记着同样的说明但没有编号，可能属于同名的其他%2。").arg(uncertain, recordNoun(kind));
    return note;
}

bool MasterRecords::numberExists(const QString& typedNumber)
{
    const QVariant id = m_db.scalar(QStringLiteral("SELECT id FROM %1 WHERE %2 = ?")
                                        .arg(quoted(m_table.table), quoted(m_table.numberColumn().name)),
                                    {cleanText(typedNumber)});
    return !id.isNull();
}

QString MasterRecords::formerOwner(const QString& typedNumber, qint64 id)
{
    return formerOwnerRefusal(m_db, m_table.kind, cleanText(typedNumber), id);
}

QStringList MasterRecords::lookAlikeNames(const QString& typedName, qint64 id)
{
    QStringList out;
    if (m_table.kind != MasterKind::Employee)
        return out;
    Statement st = m_db.prepare(QStringLiteral("SELECT 工号, 姓名, 离职日期 FROM 员工 WHERE id <> ? ORDER BY id"));
    st.bind(1, id);
    while (st.next())
        if (namesLookAlike(typedName, st.text(1)))
            out << QStringLiteral("%1（工号 %2%3）")
                       .arg(st.text(1), st.text(0), st.isNull(2) ? QString() : QStringLiteral("，已离职"));
    return out;
}

QString MasterRecords::automaticNumber()
{
    qint64 next = m_db.scalar(QStringLiteral("SELECT max(id) FROM %1").arg(quoted(m_table.table))).toLongLong() + 1;
    for (;; ++next) {
        QString number = m_table.numberLetter + QStringLiteral("%1").arg(next, 5, 10, QChar(u'0'));
        if (!numberExists(number) && formerOwner(number, 0).isEmpty())
            return number;
    }
}

std::optional<QStringList> MasterRecords::load(qint64 id)
{
    return loadRow(id, false);
}

std::optional<QStringList> MasterRecords::loadRow(qint64 id, bool lockRow)
{
    QStringList names;
    for (const MasterColumn& c : m_table.columns)
        names << quoted(c.name);
    Statement st =
        m_db.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE id = ?").arg(names.join(u','), quoted(m_table.table)) +
                     (lockRow ? m_db.lockClause() : QString()));
    st.bind(1, id);
    if (!st.next())
        return std::nullopt;
    QStringList values;
    for (int i = 0; i < m_table.columns.size(); ++i)
        values << shownText(st, i, m_table.columns.at(i).type);
    return values;
}

std::optional<int> MasterRecords::firstProblem(const QStringList& values) const
{
    for (int i = 0; i < m_table.columns.size(); ++i) {
        const MasterColumn& column = m_table.columns.at(i);
        const QString value = cleanText(values.value(i));
        if (column.missingMessage.isEmpty()) {
            if (!optionalValueFault(column, value).isEmpty())
                return i;
            continue;
        }
        if (value.isEmpty() ||
            (column.type == ColumnType::Number && (!isNumberText(value) || !numberFault(column, value).isEmpty())))
            return i;
    }
    return std::nullopt;
}

QString MasterRecords::problemText(const QStringList& values, int column) const
{
    const MasterColumn& c = m_table.columns.at(column);
    const QString value = cleanText(values.value(column));
    if (c.missingMessage.isEmpty())
        return optionalValueFault(c, value);
    // Something typed that is no number ("12kg") is told as such, not as missing.
    if (c.type == ColumnType::Number && !value.isEmpty() && !isNumberText(value))
        return QStringLiteral("%1必须是数字！").arg(c.name);
    const QString fault = c.type == ColumnType::Number && isNumberText(value) ? numberFault(c, value) : QString();
    return fault.isEmpty() ? c.missingMessage : fault;
}

QVariant MasterRecords::storedValue(const MasterColumn& column, const QString& typed) const
{
    const QString value = cleanText(typed);
    switch (column.type) {
    case ColumnType::Number:
        if (value.isEmpty())
            return {};
        if (!isNumberText(value))
            throw InputError(QStringLiteral("%1不是数字：%2").arg(column.name, value));
        if (const QString fault = numberFault(column, value); !fault.isEmpty())
            throw InputError(fault);
        return value.toDouble();
    case ColumnType::Date:
        if (value.isEmpty())
            return {};
        if (const auto date = parseDateText(value))
            return isoDate(*date);
        throw InputError(QStringLiteral("%1不是有效的日期：%2").arg(column.name, value));
    case ColumnType::BankCard:
    case ColumnType::Text: break;
    }
    if (const QString fault = optionalValueFault(column, value); !fault.isEmpty())
        throw InputError(fault);
    if (column.type == ColumnType::BankCard)
        return value.isEmpty() ? QVariant() : QVariant(bankCardDigits(value));
    return value;
}

QString recordNoun(MasterKind kind)
{
    switch (kind) {
    case MasterKind::Product: return QStringLiteral("产品");
    case MasterKind::Deduction: return QStringLiteral("扣减项目");
    case MasterKind::Employee: break;
    }
    return QStringLiteral("员工");
}

bool MasterRecords::save(qint64 editId, const QStringList& values, const std::optional<QStringList>& loaded)
{
    // A save that crossed another clerk's change is tried again.
    return retryingConflicts(m_db, [&] { return saveOnce(editId, values, loaded); });
}

bool MasterRecords::saveOnce(qint64 editId, const QStringList& values, const std::optional<QStringList>& loaded)
{
    Transaction tx(m_db);
    std::optional<QStringList> current;
    if (editId != 0) {
        current = loadRow(editId, true);
        if (current && loaded && *current != *loaded)
            throw InputError(QString::fromUtf16(kRecordChangedText));
    }
    QStringList learnt;
    if (!write(editId, values, &learnt))
        return false;
    for (const QString& entry : std::as_const(learnt))
        OperationLog(m_db).record(QStringLiteral("新增") + entry.section(u' ', 0, 0), entry.section(u' ', 1));
    // A changed number shows as "008 → 010".
    const QString number = cleanText(values.value(0));
    const QString before = current ? current->value(0) : number;
    OperationLog(m_db).record((editId == 0 ? QStringLiteral("新增") : QStringLiteral("修改")) +
                                  recordNoun(m_table.kind),
                              (before == number ? number : before + QStringLiteral(" → ") + number) + u' ' +
                                  cleanText(values.value(1)));
    tx.commit();
    return true;
}

void MasterRecords::refuseTakenNumber(qint64 id, const QString& number)
{
    const QString column = quoted(m_table.numberColumn().name);
    const QString table = quoted(m_table.table);
    std::optional<std::pair<QString, QString>> givenUp; // the number the record leaves, and its name
    if (id != 0) {
        Statement st = m_db.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE id = ?")
                                        .arg(column, quoted(m_table.columns.at(1).name), table));
        st.bind(1, id);
        // A record keeps its number even where earlier versions stored it twice.
        if (!st.next() || st.isNull(0) || st.text(0) == number)
            return;
        refuseNumberChange(id, st.text(0));
        givenUp = {st.text(0), st.text(1)};
    }
    // One look at the table (an import asks for every row): a record in use or out of use has it.
    {
        Statement st = m_db.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? AND id <> ? ORDER BY id")
                                        .arg(quoted(m_table.columns.at(1).name),
                                             quoted(outOfUseColumn(m_table.kind)), table, column));
        st.bindAll({number, id});
        if (st.next())
            throw InputError(st.isNull(1) ? QString::fromUtf16(kNumberTakenText)
                                          : formerOwnerText(m_table.kind, st.text(0), outOfUseText(m_table.kind)));
    }
    if (const QString given = givenUpNumberRefusal(m_db, m_table.kind, number, id); !given.isEmpty())
        throw InputError(given);
    if (givenUp)
        keepGivenUpNumber(m_db, m_table.kind, givenUp->first, givenUp->second, id, QStringLiteral("已改用 ") + number);
}

void MasterRecords::refuseNumberChange(qint64 id, const QString& stored)
{
    // Only the lines that carry the number keep it; a line with only a shared description does not
    // say whose it is.
    const LineReferences all = referringLines(id);
    const LineReferences refs{all.production, all.deductions};
    if (refs.production == 0 && refs.deductions == 0)
        return;
    throw InputError(QStringLiteral("%1它们记在%2 %3 名下，%2不能再改；请改回 %3。")
                         .arg(referenceNote(m_table.kind, refs), m_table.numberColumn().name, stored));
}

bool MasterRecords::write(qint64 editId, const QStringList& values, QStringList* learnt)
{
    requireRight(m_db, Right::MasterData);
    QStringList names;
    QStringList marks;
    QVariantList bound;
    for (int i = 0; i < m_table.columns.size(); ++i) {
        const MasterColumn& column = m_table.columns.at(i);
        names << quoted(column.name);
        bound << storedValue(column, values.value(i));
    }
    // A name nobody can read as typed is no name.
    if (m_table.kind == MasterKind::Employee)
        if (const QString fault = invisibleCharacterFault(values.value(1), QStringLiteral("姓名")); !fault.isEmpty())
            throw InputError(fault);
    // The values themselves first, then whether their number is free.
    refuseTakenNumber(editId, cleanText(values.value(0)));

    try {
        if (editId == 0) {
            for (int i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            m_db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(quoted(m_table.table), names.join(u','), marks.join(u',')),
                      bound);
            if (m_table.kind == MasterKind::Product) {
                const qint64 id = m_db.scalar(QStringLiteral("SELECT max(id) FROM 产品工价 WHERE 产品编号 = ?"),
                                              {bound.at(0)})
                                      .toLongLong();
                PieceRates(m_db).recordNewProduct(id, productPrice(bound));
            }
        } else {
            for (const QString& name : std::as_const(names))
                marks << name + QStringLiteral(" = ?");
            m_db.exec(QStringLiteral("UPDATE %1 SET %2 WHERE id = ?").arg(quoted(m_table.table), marks.join(u',')),
                      bound << editId);
            if (m_db.changes() == 0)
                return false;
            if (m_table.kind == MasterKind::Product)
                PieceRates(m_db).correctLatestPrice(editId, productPrice(bound));
        }
    } catch (const DbError& e) {
        // The number's unique index refused it: another clerk stored the same number after the
        // check above. The caller's transaction ends with the refusal.
        if (e.cause() == Cause::Duplicate)
            throw InputError(QString::fromUtf16(kNumberTakenText));
        throw;
    }
    for (int i = 0; i < m_table.columns.size(); ++i) {
        const MasterColumn& column = m_table.columns.at(i);
        const QString name = cleanText(values.value(i));
        if (column.codeList && !name.isEmpty() && CodeList(m_db, *column.codeList).addIfMissing(name) && learnt)
            *learnt << codeListTable(*column.codeList) + u' ' + name;
    }
    return true;
}

} // namespace kv
