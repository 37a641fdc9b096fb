#include "maintenance/MonthCloseBox.h"

#include "data/Accounts.h"
#include "data/AppContext.h"
#include "data/TextRules.h"
#include "entry/ClosedMonths.h"
#include "ui/MessageBox.h"
#include "ui/Permission.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kv {

namespace {
const QString kCaption = QStringLiteral("月份结账");
} // namespace

MonthCloseBox::MonthCloseBox(AppContext& ctx, QWidget* parent) : QGroupBox(kCaption, parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("FrameMonthClose"));
    m_month = new QLineEdit(this);
    m_month->setObjectName(QStringLiteral("closeMonth"));
    m_month->setPlaceholderText(QStringLiteral("2026-11"));
    // Pay day follows the month's end, so the month offered is the one before today's.
    const QDate previous = m_ctx.clock().today().addMonths(-1);
    m_month->setText(monthText(previous.year(), previous.month()));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("closePassword"));
    m_password->setEchoMode(QLineEdit::Password);
    auto* close = new QPushButton(QStringLiteral("结账"), this);
    close->setObjectName(QStringLiteral("CommandCloseMonth"));
    auto* reopen = new QPushButton(QStringLiteral("反结账"), this);
    reopen->setObjectName(QStringLiteral("CommandReopenMonth"));
    m_closed = new QLabel(this);
    m_closed->setObjectName(QStringLiteral("closedMonths"));
    m_closed->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 18, 24, 18);
    grid->addWidget(new QLabel(QStringLiteral("月份："), this), 0, 0);
    grid->addWidget(m_month, 0, 1);
    grid->addWidget(close, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("超级管理员密码："), this), 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->addWidget(reopen, 1, 2);
    grid->addWidget(m_closed, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);

    ui::permit(close, m_ctx.session().refusal(Right::CloseMonths));
    const QString reopenRefusal =
        m_ctx.session().isSuperAdministrator() ? QString() : QStringLiteral("只有超级管理员才能反结账！");
    ui::permit(reopen, reopenRefusal);
    ui::permit(m_password, reopenRefusal);

    connect(close, &QPushButton::clicked, this, &MonthCloseBox::closeMonth);
    connect(reopen, &QPushButton::clicked, this, &MonthCloseBox::reopenMonth);
    refresh();
}

void MonthCloseBox::refresh()
{
    QStringList months;
    if (m_ctx.isConnected())
        ui::guarded(this, [&] { months = ClosedMonths(m_ctx.conn()).months(); });
    m_closed->setText(QStringLiteral("已结账月份：") +
                      (months.isEmpty() ? QStringLiteral("无") : months.join(QStringLiteral("、"))));
}

void MonthCloseBox::closeMonth()
{
    // Asked once, before a month that can be closed is: what closing it stops.
    const auto month = parseMonthText(cleanText(m_month->text()));
    bool mayClose = false; // else the refusal tells why, without a question first
    if (month && !ui::guarded(this, [&] {
            mayClose = m_ctx.session().may(Right::CloseMonths) &&
                       !ClosedMonths(m_ctx.conn()).isClosed(m_month->text());
        }))
        return;
    if (mayClose) {
        const QString name = monthText(month->year, month->month);
        const QString question = QStringLiteral("确定将 %1 结账吗？\n结账后，%1 的工资记录不能再保存、删除或全部清空，"
                                                "只有超级管理员输入密码反结账后才能修改。")
                                     .arg(name);
        if (!ui::confirmLoss(this, question, QStringLiteral("确定结账"), ui::Icon::Question))
            return;
    }
    ClosedMonths::Outcome outcome{};
    const bool done = ui::guarded(this, [&] {
        Database& db = m_ctx.conn();
        outcome = ClosedMonths(db).close(m_month->text(), db.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    });
    if (done)
        report(outcome, QStringLiteral("%1 已结账。"));
}

void MonthCloseBox::reopenMonth()
{
    ClosedMonths::Outcome outcome{};
    const QString password = m_password->text();
    // The password is asked for each reopening, never kept.
    m_password->clear();
    if (ui::guarded(this, [&] {
            outcome = ClosedMonths(m_ctx.conn()).reopen(m_month->text(), password);
        }))
        report(outcome, QStringLiteral("%1 已反结账，可以修改。"));
}

void MonthCloseBox::report(ClosedMonths::Outcome outcome, const QString& doneText)
{
    if (outcome != ClosedMonths::Outcome::Done) {
        ui::message(this, outcomeText(outcome), kCaption, ui::Icon::Warning);
        return;
    }
    refresh();
    emit changed();
    ui::message(this, doneText.arg(cleanText(m_month->text())), kCaption, ui::Icon::Information);
}

} // namespace kv
