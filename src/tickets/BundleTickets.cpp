#include "tickets/BundleTickets.h"

#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Session.h"
#include "data/Settings.h"
#include "data/TextRules.h"
#include "master/PieceRates.h"
#include "tickets/TicketNumber.h"

#include <QSet>

namespace kv {

namespace {
constexpr auto kSerialKey = u"ticket_serial";
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

const QString kTicketColumns =
    QStringLiteral("SELECT t.票号, o.id, o.单号, o.款号, b.扎号, t.数量, p.产品编号, p.产品说明, p.计量单位, p.工价, "
                   "t.领取工号, t.领取月份, t.领取时间 FROM 菲票 t JOIN 生产单 o ON o.id = t.生产单id "
                   "JOIN 扎 b ON b.id = t.扎id JOIN 生产单工序 p ON p.id = t.工序id ");

BundleTicket readTicket(const Statement& st)
{
    BundleTicket t;
    t.number = st.text(0);
    t.orderId = st.integer(1);
    t.orderNo = st.text(2);
    t.style = st.text(3);
    t.bundleNo = int(st.integer(4));
    t.quantity = int(st.integer(5));
    t.productNo = st.text(6);
    t.product = st.text(7);
    t.unit = st.text(8);
    t.price = st.decimal(9);
    t.claimedBy = st.text(10);
    t.claimedMonth = st.text(11);
    t.claimedAt = QDateTime::fromString(st.text(12), kTimeFormat);
    return t;
}
} // namespace

QList<int> quickFillBundles(int total, int perBundle)
{
    QList<int> bundles;
    if (total <= 0 || perBundle <= 0)
        return bundles;
    for (int left = total; left > 0; left -= perBundle)
        bundles << std::min(left, perBundle);
    return bundles;
}

qint64 BundleTickets::issueSerials(int count)
{
    // Every connection issues from the one stored counter, one after the other; clearing the
    // data keeps it, so a ticket printed before never meets a new one of the same number.
    m_db.lock(QStringLiteral("菲票号"));
    const qint64 last =
        m_db.scalar(QStringLiteral("SELECT value FROM kelvaro_meta WHERE key = ?"), {QString::fromUtf16(kSerialKey)})
            .toLongLong();
    storeSetting(m_db, QString::fromUtf16(kSerialKey), QString::number(last + count));
    return last + 1;
}

qint64 BundleTickets::createWorkOrder(const WorkOrderDraft& draft)
{
    const QString orderNo = cleanText(draft.orderNo);
    if (orderNo.isEmpty())
        throw InputError(QStringLiteral("请输入生产单号！"));
    if (!draft.date.isValid())
        throw InputError(QStringLiteral("请输入生产单日期！"));
    if (draft.productNos.isEmpty())
        throw InputError(QStringLiteral("请选择生产单的工序！"));
    QSet<QString> listed;
    for (const QString& typed : draft.productNos) {
        const QString productNo = cleanText(typed);
        if (listed.contains(productNo))
            throw InputError(QStringLiteral("工序 %1 重复").arg(productNo));
        listed.insert(productNo);
    }
    if (draft.bundles.isEmpty())
        throw InputError(QStringLiteral("请输入生产单的扎！"));
    for (int i = 0; i < draft.bundles.size(); ++i)
        if (draft.bundles.at(i) <= 0)
            throw InputError(QStringLiteral("第 %1 扎的数量必须大于 0！").arg(i + 1));
    const qint64 ticketCount = qint64(draft.bundles.size()) * draft.productNos.size();
    if (ticketCount > 100000)
        throw InputError(QStringLiteral("一张生产单最多 100000 张菲票！"));

    return retryingConflicts(m_db, [&] {
        Transaction tx(m_db);
        requireRight(m_db, Right::MasterData);
        m_db.lock(QStringLiteral("生产单号"));
        if (!m_db.scalar(QStringLiteral("SELECT id FROM 生产单 WHERE 单号 = ?"), {orderNo}).isNull())
            throw InputError(QStringLiteral("生产单号 %1 已存在！").arg(orderNo));
        m_db.exec(QStringLiteral("INSERT INTO 生产单 (单号, 款号, 日期) VALUES (?, ?, ?)"),
                  {orderNo, cleanText(draft.style), isoDate(draft.date)});
        const qint64 orderId =
            m_db.scalar(QStringLiteral("SELECT id FROM 生产单 WHERE 单号 = ?"), {orderNo}).toLongLong();

        QList<qint64> operations;
        for (int i = 0; i < draft.productNos.size(); ++i) {
            const QString productNo = cleanText(draft.productNos.at(i));
            Statement product = m_db.prepare(
                QStringLiteral("SELECT 产品说明, 计量单位, 工价 FROM 产品工价 WHERE 产品编号 = ? ORDER BY id"));
            product.bind(1, productNo);
            if (productNo.isEmpty() || !product.next())
                throw InputError(QStringLiteral("没有编号为 %1 的产品！").arg(productNo));
            m_db.exec(QStringLiteral("INSERT INTO 生产单工序 (生产单id, 序号, 产品编号, 产品说明, 计量单位, 工价) "
                                     "VALUES (?, ?, ?, ?, ?, ?)"),
                      {orderId, i + 1, productNo, product.text(0), product.text(1), product.decimal(2).toDouble()});
            operations << m_db.scalar(QStringLiteral("SELECT id FROM 生产单工序 WHERE 生产单id = ? AND 序号 = ?"),
                                      {orderId, i + 1})
                              .toLongLong();
        }

        qint64 serial = issueSerials(int(ticketCount));
        Statement bundleId = m_db.prepare(QStringLiteral("SELECT id FROM 扎 WHERE 生产单id = ? AND 扎号 = ?"));
        Statement ticket = m_db.prepare(
            QStringLiteral("INSERT INTO 菲票 (票号, 生产单id, 扎id, 工序id, 数量) VALUES (?, ?, ?, ?, ?)"));
        for (int b = 0; b < draft.bundles.size(); ++b) {
            m_db.exec(QStringLiteral("INSERT INTO 扎 (生产单id, 扎号, 数量) VALUES (?, ?, ?)"),
                      {orderId, b + 1, draft.bundles.at(b)});
            bundleId.bindAll({orderId, b + 1});
            bundleId.next();
            const qint64 bundle = bundleId.integer(0);
            bundleId.reset();
            for (const qint64 operation : std::as_const(operations)) {
                ticket.bindAll({ticketNumber(serial++), orderId, bundle, operation, draft.bundles.at(b)});
                ticket.run();
                ticket.reset();
            }
        }
        OperationLog(m_db).record(QStringLiteral("新建生产单"), QStringLiteral("%1：%2 扎，%3 道工序，%4 张菲票")
                                                                    .arg(orderNo)
                                                                    .arg(draft.bundles.size())
                                                                    .arg(operations.size())
                                                                    .arg(ticketCount));
        tx.commit();
        return orderId;
    });
}

QList<WorkOrderSummary> BundleTickets::orders()
{
    Statement st =
        m_db.prepare(QStringLiteral("SELECT o.id, o.单号, o.款号, o.日期, "
                                    "(SELECT count(*) FROM 扎 b WHERE b.生产单id = o.id), "
                                    "(SELECT sum(b.数量) FROM 扎 b WHERE b.生产单id = o.id), "
                                    "(SELECT count(*) FROM 菲票 t WHERE t.生产单id = o.id), "
                                    "(SELECT count(*) FROM 菲票 t WHERE t.生产单id = o.id AND t.领取工号 IS NOT NULL) "
                                    "FROM 生产单 o ORDER BY o.id DESC"));
    QList<WorkOrderSummary> out;
    while (st.next())
        out << WorkOrderSummary{
            st.integer(0),      st.text(1),         st.text(2),         QDate::fromString(st.text(3), Qt::ISODate),
            int(st.integer(4)), int(st.integer(5)), int(st.integer(6)), int(st.integer(7))};
    return out;
}

QList<BundleTicket> BundleTickets::ticketsOf(qint64 orderId)
{
    Statement st = m_db.prepare(kTicketColumns + QStringLiteral("WHERE t.生产单id = ? ORDER BY b.扎号, p.序号"));
    st.bind(1, orderId);
    QList<BundleTicket> tickets;
    while (st.next())
        tickets << readTicket(st);
    return tickets;
}

BundleTicket BundleTickets::ticket(const QString& typed)
{
    const QString number = cleanText(typed);
    if (!isValidTicketNumber(number))
        throw InputError(QStringLiteral("菲票号 %1 有误（位数或校验位不符），请重新扫描！").arg(number));
    Statement st = m_db.prepare(kTicketColumns + QStringLiteral("WHERE t.票号 = ?"));
    st.bind(1, number);
    if (!st.next())
        throw InputError(QStringLiteral("没有菲票号为 %1 的菲票！").arg(number));
    return readTicket(st);
}

BundleTicket BundleTickets::openTicket(const QString& typed)
{
    BundleTicket t = ticket(typed);
    if (t.isClaimed())
        throw InputError(claimedText(t));
    return t;
}

LineTexts BundleTickets::scannedLine(const QString& typed, const QString& employeeNo, const QString& monthText,
                                     const QDate& day, const QList<LineTexts>& shown)
{
    const BundleTicket t = ticket(typed);
    for (const LineTexts& line : shown)
        if (cleanText(line.value(PTicket)) == t.number)
            throw InputError(QStringLiteral("菲票 %1 已在本月的生产记录中！").arg(t.number));
    // A ticket of this month's stored lines comes back after its line was deleted on screen.
    if (t.isClaimed() && (t.claimedBy != cleanText(employeeNo) || t.claimedMonth != monthText))
        throw InputError(claimedText(t));
    // The price in force on the line's day, as for a line typed; the order's own price when the
    // product is gone or has none on that day.
    const Decimal price = PieceRates(m_db).priceOn(t.productNo, t.product, t.unit, day).value_or(t.price);

    LineTexts line(ProductionColumnCount);
    line[PDate] = dateText(day);
    line[PProduct] = t.product;
    line[PUnit] = t.unit;
    line[PQuantity] = QString::number(t.quantity);
    line[PPrice] = price.plainText();
    line[PAmount] = amountText(line[PQuantity], line[PPrice]);
    line[PProductNo] = t.productNo;
    line[PTicket] = t.number;
    return line;
}

QString BundleTickets::claimedText(const BundleTicket& ticket)
{
    QString name =
        m_db.scalar(QStringLiteral("SELECT 姓名 FROM 员工 WHERE 工号 = ? ORDER BY id"), {ticket.claimedBy}).toString();
    if (name.isEmpty())
        name = m_db.scalar(QStringLiteral("SELECT 姓名 FROM 员工工资 WHERE 工号 = ? AND 月份 = ?"),
                           {ticket.claimedBy, ticket.claimedMonth})
                   .toString();
    return QStringLiteral("该菲票已由 %1（%2）于 %3 领取")
        .arg(name, ticket.claimedBy, dateText(ticket.claimedAt.date()));
}

QString BundleTickets::lineMismatch(const ProductionLine& line, const BundleTicket& ticket)
{
    if (cleanText(line.product) == cleanText(ticket.product) && cleanText(line.unit) == cleanText(ticket.unit) &&
        line.quantity == Decimal::fromInteger(ticket.quantity))
        return {};
    return QStringLiteral("生产记录第 %1 行与菲票 %2 不符：菲票是 %3 %4 %5，这一行是 %6 %7 %8。"
                          "扫描的记录不能改产品、计量单位或数量，请删除该行后重新扫描。")
        .arg(line.row)
        .arg(ticket.number, ticket.product, QString::number(ticket.quantity), ticket.unit, line.product,
             line.quantity.plainText(), line.unit);
}

void BundleTickets::claimForMonth(const QString& employeeNo, const QString& monthText,
                                  const QList<ProductionLine>& lines, const QDateTime& at)
{
    QSet<QString> named;
    for (const ProductionLine& line : lines) {
        const QString number = cleanText(line.ticket);
        if (number.isEmpty())
            continue;
        if (named.contains(number))
            throw InputError(QStringLiteral("菲票 %1 在本月记录中出现了两次！").arg(number));
        named.insert(number);
    }

    Statement held =
        m_db.prepare(QStringLiteral("SELECT 票号 FROM 菲票 WHERE 领取工号 = ? AND 领取月份 = ?") + m_db.lockClause());
    held.bindAll({employeeNo, monthText});
    QStringList released;
    while (held.next())
        if (!named.contains(held.text(0)))
            released << held.text(0);
    for (const QString& number : std::as_const(released))
        m_db.exec(QStringLiteral("UPDATE 菲票 SET 领取工号 = NULL, 领取月份 = NULL, 领取时间 = NULL WHERE 票号 = ?"),
                  {number});

    for (const ProductionLine& line : lines) {
        if (cleanText(line.ticket).isEmpty())
            continue;
        const BundleTicket t = ticket(line.ticket);
        if (const QString why = lineMismatch(line, t); !why.isEmpty())
            throw InputError(why);
        // Claimed only while open: of two saves at once, the second finds it taken.
        m_db.exec(QStringLiteral("UPDATE 菲票 SET 领取工号 = ?, 领取月份 = ?, 领取时间 = ? "
                                 "WHERE 票号 = ? AND 领取工号 IS NULL"),
                  {employeeNo, monthText, at.toString(kTimeFormat), t.number});
        if (m_db.changes() == 1)
            continue;
        const BundleTicket now = ticket(t.number);
        if (now.claimedBy != employeeNo || now.claimedMonth != monthText)
            throw InputError(claimedText(now));
    }
}

void BundleTickets::releaseMonth(const QString& employeeNo, const QString& monthText)
{
    m_db.exec(QStringLiteral("UPDATE 菲票 SET 领取工号 = NULL, 领取月份 = NULL, 领取时间 = NULL "
                             "WHERE 领取工号 = ? AND 领取月份 = ?"),
              {employeeNo, monthText});
}

} // namespace kv
