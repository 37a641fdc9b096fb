#include "stats/BankTransfer.h"

#include "data/Database.h"
#include "data/Error.h"
#include "data/OutputFiles.h"
#include "data/PaySnapshot.h"
#include "stats/PayMethod.h"

#include <QDir>
#include <QHash>

namespace kv {

namespace {
struct PaidBy {
    QString bank;
    QString card;
    QString method; // 发放方式 as stored
};

QHash<qint64, PaidBy> paymentDetails(Database& db)
{
    QHash<qint64, PaidBy> out;
    Statement st = db.prepare(QStringLiteral("SELECT id, 开户银行, 银行卡号, 发放方式 FROM 员工"));
    while (st.next())
        out.insert(st.integer(0), {st.text(1).trimmed(), st.text(2).trimmed(), st.text(3).trimmed()});
    return out;
}

// An amount in whole 分 as banks take it: 1234.50.
QString centsText(Decimal amount)
{
    const qint64 fen = amount.units() / (Decimal::kScale / 100);
    return QStringLiteral("%1.%2").arg(fen / 100).arg(fen % 100, 2, 10, QChar(u'0'));
}

QString csvRow(const QStringList& fields)
{
    return fields.join(u',') + QStringLiteral("\r\n");
}

// Sorts the pays by the given details of their employees.
TransferSheet sortPays(const QHash<qint64, PaidBy>& details, const QList<PayDue>& pays, const NetPayRounding& rounding)
{
    TransferSheet sheet;
    sheet.rounding = rounding;
    for (const PayDue& pay : pays) {
        const auto found = details.constFind(pay.id);
        if (found == details.cend()) {
            sheet.gone << pay.name;
            continue;
        }
        const Decimal amount = paidOut(rounding, pay.netPay);
        if (amount.isNegative() || amount.isZero()) {
            sheet.notPaid << pay.name;
            continue;
        }
        const PaidBy& by = *found;
        const bool byBank = payMethodOf(by.method, by.card) == PayMethod::Bank;
        if (byBank && by.card.isEmpty()) {
            sheet.withoutCard << pay.name;
            continue;
        }
        Payment payment{pay.number, pay.name, by.bank, byBank ? by.card : QString(), pay.netPay, amount};
        if (byBank) {
            sheet.transferTotal += amount;
            sheet.transfers << payment;
        } else {
            sheet.cashTotal += amount;
            sheet.cash << payment;
        }
    }
    return sheet;
}

} // namespace

TransferSheet transferSheet(Database& db, const QList<PayDue>& pays, const NetPayRounding& rounding)
{
    return sortPays(paymentDetails(db), pays, rounding);
}

TransferSheet monthTransferSheet(Database& db, const QList<PayDue>& pays, const YearMonth& month)
{
    const std::optional<PaidMonth> paid = paidMonth(db, month);
    if (!paid)
        return transferSheet(db, pays, netPayRounding(db));
    QHash<qint64, PaidBy> details;
    for (const PaidWorker& w : paid->workers)
        details.insert(w.employeeId, {w.bank.trimmed(), w.card.trimmed(), w.method.trimmed()});
    return sortPays(details, pays, paid->rounding);
}

QString transferRefusal(const TransferSheet& sheet)
{
    QStringList parts;
    if (!sheet.withoutCard.isEmpty())
        parts << QStringLiteral("以下员工的发放方式是银行，但没有银行卡号：%1。请在员工管理中填写卡号，"
                                "或把发放方式改为现金。")
                     .arg(sheet.withoutCard.join(u'、'));
    if (!sheet.gone.isEmpty())
        parts << QStringLiteral("以下员工已被删除：%1。请重新统计。").arg(sheet.gone.join(u'、'));
    if (parts.isEmpty())
        return {};
    return parts.join(u'\n') + QStringLiteral("\n银行代发表没有导出。");
}

QList<ShownPay> cashPays(const TransferSheet& sheet)
{
    QList<ShownPay> out;
    for (const Payment& p : sheet.cash)
        out.append({p.number, p.name, p.netPay});
    return out;
}

QString csvTextField(const QString& text)
{
    QString field = text;
    if (!field.isEmpty()) {
        const QChar first = field.at(0);
        if (first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r')
            field.prepend(u'\'');
    }
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QByteArray transferCsv(const TransferSheet& sheet, const QString& note)
{
    QString out;
    out += csvRow({csvTextField(QStringLiteral("姓名")), csvTextField(QStringLiteral("卡号")),
                   csvTextField(QStringLiteral("金额")), csvTextField(QStringLiteral("备注"))});
    for (const Payment& p : sheet.transfers)
        out +=
            csvRow({csvTextField(p.name), csvTextField(p.card), u'"' + centsText(p.amount) + u'"', csvTextField(note)});
    return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

bool saveTransferCsv(const TransferSheet& sheet, const QString& note, const QString& filePath, QString* error)
{
    QString reason;
    if (writeOutputFile(filePath, transferCsv(sheet, note), &reason))
        return true;
    if (error)
        *error = QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(filePath), reason);
    return false;
}

QString cardNumbersNote(const QString& filePath)
{
    return isPrivatePlace(filePath)
               ? QStringLiteral("文件中有员工完整的银行卡号，只有您本人的系统账户能打开它；请妥善保管，交给银行后删除。")
               : QStringLiteral("文件中有员工完整的银行卡号，请妥善保管，不要放在别人能打开的地方，交给银行后删除。");
}

} // namespace kv
