#include "app/MainWindow.h"

#include "entry/WageEntryWindow.h"

#include "app/Decoration.h"
#include "app/HostedWindows.h"
#include "data/AppContext.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "maintenance/SettingsWindow.h"
#include "teams/TeamEntryWindow.h"
#include "teams/TimeWageWindow.h"
#include "ui/BackgroundWork.h"
#include "ui/MessageBox.h"
#include "ui/WindowPlacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace kv {

namespace {
const QStringList kTabCaptions{QStringLiteral("工资计算"),     QStringLiteral("工资统计"), QStringLiteral("员工管理"),
                               QStringLiteral("产品工价设置"), QStringLiteral("扣减设置"), QStringLiteral("系统设置"),
                               QStringLiteral("帮助")};
constexpr int kHelpTab = 6;
const QString kPlacementKey = QStringLiteral("main");
} // namespace

MainWindow::MainWindow(AppContext& ctx, QWidget* parent) : Workspace(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Kelvaro"));
    ui::restorePlacement(this, kPlacementKey, QSize(1180, 760));

    auto* elastic = new QVBoxLayout(this);
    elastic->setObjectName(QStringLiteral("C1Elastic1"));
    elastic->setContentsMargins(0, 0, 0, 0);
    elastic->setSpacing(0);

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("div1"));
    banner->setFixedHeight(56);
    banner->setScaledContents(true);
    // The picture stretches with the window and never makes it wider.
    banner->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    banner->setPixmap(decorationPixmap(QSize(1200, 56), QColor(0x2f, 0x6f, 0xb0), QColor(0x7f, 0xb8, 0xe8)));
    auto* bannerImage = new QLabel(banner);
    bannerImage->setObjectName(QStringLiteral("Image1"));
    bannerImage->setGeometry(14, 12, 32, 32);
    bannerImage->setPixmap(decorationPixmap(QSize(32, 32), QColor(0xff, 0xd8, 0x6a), QColor(0xf0, 0x9a, 0x2a)));
    auto* title = new QLabel(QStringLiteral("Kelvaro"), banner);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(titleFont(20));
    title->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    title->setGeometry(56, 6, 400, 44);
    // Team piece-work is entered in a window of its own, opened from here.
    auto* bannerCommands = new QHBoxLayout(banner);
    bannerCommands->setContentsMargins(0, 12, 14, 12);
    bannerCommands->addStretch(1);
    auto* teamEntry = new QPushButton(QStringLiteral("集体计件"), banner);
    teamEntry->setObjectName(QStringLiteral("CommandTeamEntry"));
    teamEntry->setToolTip(m_ctx.session().refusal(Right::WageEntry));
    teamEntry->setEnabled(m_ctx.session().refusal(Right::WageEntry).isEmpty());
    connect(teamEntry, &QPushButton::clicked, this, [this] { (new TeamEntryWindow(m_ctx, this))->show(); });
    bannerCommands->addWidget(teamEntry);
    auto* timeEntry = new QPushButton(QStringLiteral("计时工资"), banner);
    timeEntry->setObjectName(QStringLiteral("CommandTimeEntry"));
    timeEntry->setToolTip(teamEntry->toolTip());
    timeEntry->setEnabled(teamEntry->isEnabled());
    connect(timeEntry, &QPushButton::clicked, this, [this] { (new TimeWageWindow(m_ctx, this))->show(); });
    bannerCommands->addWidget(timeEntry);
    elastic->addWidget(banner);

    auto* middle = new QWidget(this);
    middle->setObjectName(QStringLiteral("div2"));
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(4, 4, 4, 4);
    m_tabs = new QTabWidget(middle);
    m_tabs->setObjectName(QStringLiteral("C1Tab1"));
    middleLayout->addWidget(m_tabs);
    elastic->addWidget(middle, 1);

    for (int i = 0; i < kHelpTab; ++i) {
        auto* box = new QWidget;
        box->setObjectName(QStringLiteral("mainBox_%1").arg(i));
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        m_holders << box;
        // A page smaller than its working window scrolls rather than cutting it off.
        auto* page = new QScrollArea;
        page->setObjectName(QStringLiteral("mainPage_%1").arg(i));
        page->setFrameShape(QFrame::NoFrame);
        page->setWidgetResizable(true);
        page->setWidget(box);
        m_tabs->addTab(page, kTabCaptions.at(i));
    }
    auto* helpPage = new QWidget;
    helpPage->setObjectName(QStringLiteral("C1Elastic2"));
    auto* helpLayout = new QVBoxLayout(helpPage);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    m_help = new QTextBrowser(helpPage);
    m_help->setObjectName(QStringLiteral("WebBrowser1"));
    m_help->setOpenExternalLinks(true);
    helpLayout->addWidget(m_help);
    m_tabs->addTab(helpPage, kTabCaptions.at(kHelpTab));

    m_status = new QLabel(QStringLiteral("当前登陆账号："), this);
    m_status->setObjectName(QStringLiteral("div3"));
    m_status->setContentsMargins(8, 3, 8, 3);
    m_status->setStyleSheet(QStringLiteral("QLabel#div3 { border-top: 1px solid #b8c8d8; background: #eef3f8; }"));
    elastic->addWidget(m_status);

    // A page the account may not use stays greyed, its tab saying why.
    const Right pageRights[] = {Right::WageEntry, Right::Statistics, Right::MasterData, Right::MasterData,
                                Right::MasterData};
    for (int i = 0; i < int(std::size(pageRights)); ++i) {
        const QString refusal = m_ctx.session().refusal(pageRights[i]);
        m_tabs->setTabEnabled(i, refusal.isEmpty());
        m_tabs->setTabToolTip(i, refusal);
    }
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->isTabEnabled(i)) {
            m_tabs->setCurrentIndex(i);
            break;
        }
    }

    // Load: the wage entry window is ready on the first tab, the help view blank.
    hostWindow(hostedWindowNames().at(0), m_holders.at(0));
    m_help->clear();
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);

    try {
        m_dataStamp = dataReplacedStamp(m_ctx.conn());
    } catch (const DbError&) {
    }
    connect(this, &MainWindow::sessionEnded, this, [this] { m_ending = true; });
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, &MainWindow::checkDataReplaced);
    watch->start(std::chrono::seconds(5));
}

void MainWindow::checkDataReplaced()
{
    if (m_ending || ui::workingInBackground() || !m_ctx.isConnected())
        return;
    QString stamp;
    try {
        stamp = dataReplacedStamp(m_ctx.conn());
    } catch (const DbError&) {
        return; // the next look, or the next command, reports a connection that is gone
    }
    if (stamp == m_dataStamp || stamp == m_ctx.conn().ownReplacedStamp())
        return;
    m_ending = true;
    ui::message(this,
                QStringLiteral("其他操作员恢复或清空了数据，打开的窗口显示的还是以前的数据。请重新登录后再继续工作。"),
                QStringLiteral("数据已更换"), ui::Icon::Warning);
    emit sessionEnded();
}

void MainWindow::hostWindow(const QString& windowName, QWidget* holder)
{
    QCoreApplication::processEvents();
    QPointer<QWidget>& hosted = m_hosted[windowName];
    if (!hosted) {
        hosted = createHostedWindow(windowName, m_ctx, holder);
        if (!hosted)
            return; // a working window this build does not have leaves its page empty
        if (auto* settings = qobject_cast<SettingsWindow*>(hosted.data())) {
            connect(settings, &SettingsWindow::sessionEnded, this, &MainWindow::sessionEnded);
            // A restore or clearing ends the session: unsaved wage lines are asked about first.
            settings->setLeaveCheck([this] {
                auto* entry = qobject_cast<WageEntryWindow*>(hostedWindow(QStringLiteral("工资计算Frm")));
                return !entry || entry->mayDropChanges();
            });
        }
    }
    // A child widget has no frame of its own, so a hosted window cannot be closed by itself.
    hosted->setParent(holder);
    hosted->setWindowFlags(Qt::Widget);
    if (holder->layout()->indexOf(hosted) < 0)
        holder->layout()->addWidget(hosted);
    hosted->update();
    hosted->show();
}

QWidget* MainWindow::hostedWindow(const QString& windowName) const
{
    return m_hosted.value(windowName);
}

void MainWindow::setAccountCaption(const QString& account)
{
    m_status->setText(QStringLiteral("当前登陆账号：") + account);
}

void MainWindow::onTabChanged(int index)
{
    checkDataReplaced();
    if (m_ending)
        return;
    if (index >= 0 && index < kHelpTab) {
        hostWindow(hostedWindowNames().at(index), m_holders.at(index));
    } else if (index == kHelpTab) {
        const QUrl url = QUrl::fromLocalFile(m_ctx.paths().helpIndex());
        m_help->clear();
        m_help->setSource(url);
        m_help->reload();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closesWithoutQuestion) {
        ui::savePlacement(this, kPlacementKey);
        event->accept();
        return;
    }
    // Unsaved lines of the wage entry are asked about first; Cancel goes back to them.
    auto* entry = qobject_cast<WageEntryWindow*>(hostedWindow(QStringLiteral("工资计算Frm")));
    if (entry && !entry->mayDropChanges()) {
        event->ignore();
        return;
    }
    if (ui::message(this, QStringLiteral("确定退出本系统？"), QStringLiteral("退出系统"), ui::Icon::None,
                    ui::Buttons::YesNo) == ui::Answer::Yes) {
        ui::savePlacement(this, kPlacementKey);
        event->accept();
        emit exitConfirmed();
    } else {
        event->ignore();
    }
}

} // namespace kv
