#include "master/MasterImport.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/TextRules.h"
#include "master/BankCards.h"
#include "master/MasterRecords.h"
#include "master/Pinyin.h"

#include <QHash>
#include <QRegularExpression>

namespace kv {

namespace {

const QString pinyinColumn = QStringLiteral("拼音编码");

// A date typed in a spreadsheet is stored there as a count of days, a time of day as its
// fraction; a workbook read back gives that count. The day is what is imported. Day 1 is
// 1900-1-1; spreadsheets count a 1900-2-29 that never was as day 60, so from day 61 on the
// count runs from 1899-12-30.
std::optional<QDate> spreadsheetDay(const QString& text)
{
    bool ok = false;
    const double count = text.toDouble(&ok);
    if (!ok || !(count >= 1 && count < 2958466) || qint64(count) == 60) // up to 9999-12-31
        return std::nullopt;
    return QDate(1899, 12, count < 60 ? 31 : 30).addDays(qint64(count));
}

// "2019-12-31 08:30", "2019-12-31 08:30:00" or "2019-12-31T08:30:00": the day of a date with a time.
std::optional<QDate> dayOfDateTime(const QString& text)
{
    static const QRegularExpression withTime(QStringLiteral("^(\\S+)[ T]\\d{1,2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"));
    const QRegularExpressionMatch m = withTime.match(text);
    return m.hasMatch() ? parseDateText(m.captured(1)) : std::nullopt;
}

// The day a date cell names, however its file wrote it: typed text (2008-5-7, 2008-05-07,
// 2008/5/7), a day count of a workbook, or a day with a time (an .xls date cell). Every file
// kind then gives the same value, written as dates are shown.
std::optional<QDate> importedDay(const QString& text)
{
    if (const auto typed = parseDateText(text))
        return typed;
    if (const auto count = spreadsheetDay(text))
        return count;
    return dayOfDateTime(text);
}

// A control character (NUL, a bell, ...) in a cell: a line break or TAB aside, which a cell may hold.
bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\n' && u != u'\t') || u == 0x7F || (u >= 0x80 && u < 0xA0);
    });
}

bool hasCell(const SourceRow& row)
{
    for (const QString& cell : row.cells)
        if (!cleanText(cell).isEmpty())
            return true;
    return false;
}

} // namespace

MasterImport::MasterImport(Database& db, MasterKind kind) : m_db(db), m_table(masterTable(kind)) {}

ImportPreview MasterImport::preview(const QList<SourceRow>& rows)
{
    ImportPreview preview;
    const int columns = int(m_table.columns.size());
    preview.present = QList<bool>(columns, false);
    qsizetype headerAt = 0;
    while (headerAt < rows.size() && !hasCell(rows.at(headerAt)))
        ++headerAt;
    if (headerAt == rows.size()) {
        preview.error = QStringLiteral("文件中没有数据。");
        return preview;
    }

    // File column of each table column; -1 when the file has none.
    QList<int> source(columns, -1);
    const QStringList headers = rows.at(headerAt).cells;
    for (int i = 0; i < headers.size(); ++i) {
        const QString name = cleanText(headers.at(i));
        const int col = m_table.columnIndex(name);
        if (col >= 0 && source.at(col) < 0) {
            source[col] = i;
            preview.present[col] = true;
        } else if (!name.isEmpty())
            preview.ignoredColumns << name;
    }
    QStringList missing;
    for (int c = 0; c < columns; ++c)
        if (source.at(c) < 0 && !m_table.columns.at(c).missingMessage.isEmpty())
            missing << m_table.columns.at(c).name;
    if (!missing.isEmpty()) {
        preview.error = QStringLiteral("文件第一行缺少必需的列：%1。").arg(missing.join(QStringLiteral("、")));
        return preview;
    }

    QHash<QString, qint64> stored;
    Statement st = m_db.prepare(QStringLiteral("SELECT \"%1\", id FROM \"%2\" ORDER BY id DESC")
                                    .arg(m_table.numberColumn().name, m_table.table));
    while (st.next())
        stored.insert(st.text(0), st.integer(1)); // the oldest record of a number wins

    QHash<QString, int> firstLineOfNumber;
    preview.rows.reserve(rows.size() - headerAt);
    for (qsizetype r = headerAt + 1; r < rows.size(); ++r) {
        const SourceRow& in = rows.at(r);
        if (!hasCell(in))
            continue;
        ImportRow row;
        row.line = in.line;
        for (int c = 0; c < columns; ++c) {
            row.values << (source.at(c) < 0 ? QString() : cleanText(in.cells.value(source.at(c))));
            if (source.at(c) >= 0 && in.longNumbers.contains(source.at(c)))
                row.warnings.insert(c, QStringLiteral("%1在文件中是超过 15 位的数字，电子表格只保存前 15 位，"
                                                      "后面几位可能已变成 0，请核对：%2")
                                           .arg(m_table.columns.at(c).name, row.values.last()));
        }
        row.existingId = stored.value(row.values.first(), 0);
        check(row, firstLineOfNumber);
        preview.rows.append(std::move(row));
    }
    return preview;
}

void MasterImport::check(ImportRow& row, QHash<QString, int>& firstLineOfNumber) const
{
    const int pinyin = m_table.columnIndex(pinyinColumn);
    if (pinyin >= 0 && row.values.at(pinyin).isEmpty() && row.values.at(1).size() <= kMaxImportedChars)
        row.values[pinyin] = pinyinCode(row.values.at(1)); // the description follows the number

    for (int c = 0; c < m_table.columns.size(); ++c) {
        const MasterColumn& column = m_table.columns.at(c);
        QString& value = row.values[c];
        if (value.isEmpty()) {
            if (!column.missingMessage.isEmpty())
                row.problems.insert(c, column.missingMessage);
            continue;
        }
        if (value.size() > kMaxImportedChars) {
            row.problems.insert(c, QStringLiteral("%1太长：%2 个字，最多 %3 个字")
                                       .arg(column.name)
                                       .arg(value.size())
                                       .arg(kMaxImportedChars));
            value = value.left(kMaxImportedChars) + QStringLiteral("…"); // shown, never stored
            continue;
        }
        if (hasControlCharacter(value)) {
            row.problems.insert(c, QStringLiteral("%1含有控制字符（如 NUL），不能导入").arg(column.name));
            continue;
        }
        if (column.type == ColumnType::BankCard && isMaskedBankCard(value)) {
            // The employee list exports card numbers masked: such a row keeps the stored number.
            const auto stored =
                row.existingId != 0 ? MasterRecords(m_db, m_table.kind).load(row.existingId) : std::nullopt;
            if (stored && maskedBankCard(stored->value(c)) == value)
                row.warnings.insert(c, QStringLiteral("银行卡号只有后四位，保留已存的卡号"));
            else
                row.problems.insert(c, QStringLiteral("银行卡号只有后四位，请填写完整的卡号：%1").arg(value));
            continue;
        }
        if (const QString fault = optionalValueFault(column, value); !fault.isEmpty())
            row.problems.insert(c, fault);
        if (column.type == ColumnType::Number && !isNumberText(value))
            row.problems.insert(c, QStringLiteral("%1不是数字：%2").arg(column.name, value));
        if (column.type == ColumnType::Date) {
            if (const auto day = importedDay(value))
                value = dateText(*day);
            else
                row.problems.insert(c, QStringLiteral("%1不是有效的日期（如 2008-5-7）：%2").arg(column.name, value));
        }
    }

    const QString& number = row.values.first();
    if (number.isEmpty())
        return;
    const auto first = firstLineOfNumber.constFind(number);
    if (first == firstLineOfNumber.cend())
        firstLineOfNumber.insert(number, row.line);
    else if (!row.problems.contains(0))
        row.problems.insert(0, QStringLiteral("与第 %1 行的%2相同").arg(*first).arg(m_table.numberColumn().name));
}

std::optional<ImportCounts> MasterImport::store(const ImportPreview& preview, ExistingRows existing,
                                                const std::function<bool(int, int)>& progress)
{
    MasterRecords records(m_db, m_table.kind);
    ImportCounts counts;
    const int total = int(preview.rows.size());
    QStringList learnt;
    Transaction tx(m_db);
    for (int i = 0; i < total; ++i) {
        const ImportRow& row = preview.rows.at(i);
        if (!row.accepted() || (row.existingId != 0 && existing == ExistingRows::Skip)) {
            ++counts.skipped;
        } else if (row.existingId != 0) {
            // Columns the file does not name keep what is stored.
            QStringList values = row.values;
            if (const auto stored = records.load(row.existingId)) {
                for (int c = 0; c < values.size(); ++c)
                    if ((!preview.present.value(c, true) && c != m_table.columnIndex(pinyinColumn)) ||
                        (m_table.columns.at(c).type == ColumnType::BankCard && isMaskedBankCard(values.at(c))))
                        values[c] = stored->value(c);
            }
            if (records.write(row.existingId, values, &learnt))
                ++counts.updated;
            else if (records.write(0, values, &learnt))
                ++counts.added;
        } else if (records.write(0, row.values, &learnt)) {
            ++counts.added;
        }
        if (progress && !progress(i + 1, total))
            return std::nullopt;
    }
    // One entry for the whole import, not one per row.
    OperationLog(m_db).record(QStringLiteral("导入") + recordNoun(m_table.kind),
                              QStringLiteral("新增 %1 条，更新 %2 条，跳过 %3 条")
                                      .arg(counts.added)
                                      .arg(counts.updated)
                                      .arg(counts.skipped) +
                                  (learnt.isEmpty() ? QString()
                                                    : QStringLiteral("；代码表新增 ") + learnt.join(QStringLiteral("、"))));
    tx.commit();
    return counts;
}

QString importSummary(const ImportCounts& counts)
{
    return QStringLiteral("导入完成：新增 %1 条，更新 %2 条，跳过 %3 条。")
        .arg(counts.added)
        .arg(counts.updated)
        .arg(counts.skipped);
}

} // namespace kv
