#include "entry/ScanQueue.h"

#include "data/AppContext.h"
#include "data/Error.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "entry/EntryLayout.h"
#include "tickets/BundleTickets.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>
#include <QTime>
#include <QTimer>

namespace kv {

using entry::place;

namespace {
constexpr int kKeptRefusals = 200;
const QColor kRefusedRed(192, 0, 0);
} // namespace

ScanQueue::ScanQueue(AppContext& ctx, QWidget* frame, Host host) : QObject(frame), m_ctx(ctx), m_host(std::move(host))
{
    auto* label = new QLabel(QStringLiteral("扫描："), frame);
    label->setObjectName(QStringLiteral("LabelScan"));
    label->setFont(entry::songFont(10.5));
    place(label, 3990, 240, 630, 210);
    // A barcode scanner types the ticket's number and Enter here.
    m_box = new QLineEdit(frame);
    m_box->setObjectName(QStringLiteral("txtScan"));
    m_box->setFont(entry::fixedFont(12));
    m_box->setPlaceholderText(QStringLiteral("菲票号"));
    place(m_box, 4590, 150, 2385, 315);
    connect(m_box, &QLineEdit::returnPressed, this, &ScanQueue::take);

    auto* dayLabel = new QLabel(QStringLiteral("日期："), frame);
    dayLabel->setObjectName(QStringLiteral("LabelScanDay"));
    dayLabel->setFont(entry::songFont(10.5));
    place(dayLabel, 7065, 240, 630, 210);
    m_day = new QDateEdit(frame);
    m_day->setObjectName(QStringLiteral("dtScanDay"));
    m_day->setDisplayFormat(QStringLiteral("yyyy-M-d"));
    m_day->setCalendarPopup(true);
    m_day->setFont(entry::songFont(10));
    m_day->setToolTip(QStringLiteral("扫描的菲票记在这一天"));
    place(m_day, 7665, 150, 1575, 315);
    connect(m_day, &QDateEdit::dateChanged, this, [this] { m_dayChosen = true; });

    m_count = new QLabel(frame);
    m_count->setObjectName(QStringLiteral("LabelScanCount"));
    m_count->setFont(entry::songFont(9));
    place(m_count, 8415, 2460, 2565, 240);
    m_refusals = new QListWidget(frame);
    m_refusals->setObjectName(QStringLiteral("lstRefused"));
    m_refusals->setFont(entry::songFont(9));
    m_refusals->setWordWrap(true);
    m_refusals->setFocusPolicy(Qt::NoFocus); // the scanner's keys stay in the box
    m_refusals->setToolTip(QStringLiteral("退回的菲票：没有加入生产记录"));
    place(m_refusals, 8415, 2730, 2565, 2385);

    countFor(m_ctx.clock().today());
    followMonth();
}

QList<QWidget*> ScanQueue::besideGrid() const
{
    return {m_count, m_refusals};
}

void ScanQueue::followMonth()
{
    const auto month = parseMonthText(m_host.workingMonth());
    if (!month)
        return;
    const QDate last = month->nextFirstDay().addDays(-1);
    const QDate today = m_ctx.clock().today();
    const QDate kept = m_day->date();
    m_day->setDateRange(month->firstDay(), last);
    // Today's work, or the month's last day for a month gone by; a day chosen in the month stays.
    m_dayChosen = m_dayChosen && month->contains(kept);
    const QSignalBlocker quiet(m_day);
    m_day->setDate(m_dayChosen ? kept : month->contains(today) ? today : last);
}

void ScanQueue::take()
{
    const QString typed = cleanText(m_box->text());
    m_box->clear();
    if (typed.isEmpty())
        return;
    countFor(m_ctx.clock().today());
    try {
        if (m_host.monthClosed()) {
            refuse(typed, QString::fromUtf16(kMonthClosedText));
            return;
        }
        const LineTexts line =
            BundleTickets(m_ctx.conn())
                .scannedLine(typed, m_host.employeeNo(), m_host.workingMonth(), m_day->date(), m_host.shownLines());
        m_host.addLine(line);
        ++m_taken;
        showCount();
    } catch (const Error& e) {
        // A failing statement is a refusal of this scan too: the next ones are still taken.
        refuse(typed, e.message());
    }
}

void ScanQueue::refuse(const QString& number, const QString& why)
{
    ++m_refused;
    showCount();
    auto* item = new QListWidgetItem(
        QStringLiteral("%1  %2\n%3").arg(m_ctx.clock().now().time().toString(QStringLiteral("HH:mm:ss")), number, why));
    item->setForeground(kRefusedRed);
    item->setToolTip(why);
    m_refusals->insertItem(0, item);
    while (m_refusals->count() > kKeptRefusals)
        delete m_refusals->takeItem(m_refusals->count() - 1);
    m_refusals->scrollToTop();
    QApplication::beep();
    flash();
}

void ScanQueue::flash()
{
    m_box->setStyleSheet(QStringLiteral("background-color: #ff8080;"));
    QTimer::singleShot(600, m_box, [box = QPointer<QLineEdit>(m_box)] {
        if (box)
            box->setStyleSheet(QString());
    });
}

void ScanQueue::countFor(const QDate& today)
{
    if (today == m_countDay)
        return;
    m_countDay = today;
    m_taken = 0;
    m_refused = 0;
    showCount();
}

void ScanQueue::showCount()
{
    m_count->setText(QStringLiteral("今日扫描 %1 张，退回 %2 张").arg(m_taken).arg(m_refused));
    m_count->setStyleSheet(m_refused > 0 ? QStringLiteral("color: #c00000;") : QString());
}

} // namespace kv
