#include "teams/TeamListWindow.h"

#include "data/AppContext.h"
#include "data/Database.h"
#include "ui/DataGrid.h"
#include "ui/ListGrid.h"
#include "ui/MessageBox.h"
#include "ui/WindowParts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
enum TeamColumn { TNumber, TName, TWorkshop, TRule, TId, TeamColumnCount };
enum MemberColumn { MNo, MName, MRate, MPoints, MJoined, MLeft, MemberColumnCount };
constexpr int kMemberRows = 40;

std::optional<QDate> typedDate(const QString& typed, const QString& no, const QString& what)
{
    const QString text = cleanText(typed);
    if (text.isEmpty())
        return std::nullopt;
    const auto date = parseDateText(text);
    if (!date)
        throw InputError(QStringLiteral("工号 %1 的%2“%3”不正确，请输入如 2008-5-1 的日期。").arg(no, what, text));
    return date;
}

Decimal typedFigure(const QString& typed, const QString& no, const QString& what)
{
    const QString text = cleanText(typed);
    if (text.isEmpty())
        return {};
    const auto value = Decimal::parse(text);
    if (!value)
        throw InputError(QStringLiteral("工号 %1 的%2必须是数字！").arg(no, what));
    return *value;
}
} // namespace

TeamListWindow::TeamListWindow(AppContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), m_ctx(ctx)
{
    ui::makeModalWindow(this, QStringLiteral("班组Frm"), QStringLiteral("班组设置"));

    m_teams = new ui::DataGrid(this);
    m_teams->setObjectName(QStringLiteral("fg"));
    m_teams->setCols(TeamColumnCount);
    m_teams->setColHidden(TId);
    const QStringList captions{QStringLiteral("班组编号"), QStringLiteral("班组名称"), QStringLiteral("车间"),
                               QStringLiteral("分配方式")};
    for (int c = 0; c < captions.size(); ++c)
        m_teams->setText(0, c, captions.at(c));
    connect(m_teams, &ui::DataGrid::currentCellChanged, this, [this](int row, int) {
        if (row > 0)
            showTeam(m_teams->text(row, TId).toLongLong());
    });

    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("Text1"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Text2"));
    m_workshop = new QLineEdit(this);
    m_workshop->setObjectName(QStringLiteral("Text3"));
    m_rule = new QComboBox(this);
    m_rule->setObjectName(QStringLiteral("Combo1"));
    for (SplitRule rule : {SplitRule::DaysByRate, SplitRule::Points, SplitRule::Days})
        m_rule->addItem(splitRuleName(rule), int(rule));
    m_remark = new QLineEdit(this);
    m_remark->setObjectName(QStringLiteral("Text4"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("班组编号："), m_number);
    form->addRow(QStringLiteral("班组名称："), m_name);
    form->addRow(QStringLiteral("车间："), m_workshop);
    form->addRow(QStringLiteral("分配方式："), m_rule);
    form->addRow(QStringLiteral("备注："), m_remark);

    m_members = new ui::DataGrid(this);
    m_members->setObjectName(QStringLiteral("fgMembers"));
    m_members->setCols(MemberColumnCount);
    m_members->setRows(kMemberRows + 1);
    const QStringList memberCaptions{QStringLiteral("工号"), QStringLiteral("姓名"),     QStringLiteral("日工资"),
                                     QStringLiteral("点数"), QStringLiteral("加入日期"), QStringLiteral("离开日期")};
    for (int c = 0; c < memberCaptions.size(); ++c)
        m_members->setText(0, c, memberCaptions.at(c));
    m_members->setEditable(true);
    connect(m_members, &ui::DataGrid::beforeEdit, this, [](int, int col, bool& cancel) { cancel = col == MName; });
    connect(m_members, &ui::DataGrid::afterEdit, this, [this](int row, int col) {
        if (col != MNo)
            return;
        const QString no = cleanText(m_members->text(row, MNo));
        ui::guarded(this, [&] {
            m_members->setText(
                row, MName,
                m_ctx.conn().scalar(QStringLiteral("SELECT max(姓名) FROM 员工 WHERE 工号 = ?"), {no}).toString());
        });
    });

    auto* newButton = ui::commandButton(QStringLiteral("新增"), QStringLiteral("Command1"), this);
    auto* saveButton = ui::commandButton(QStringLiteral("保存"), QStringLiteral("Command2"), this);
    auto* removeButton = ui::commandButton(QStringLiteral("删除"), QStringLiteral("Command3"), this);
    auto* closeButton = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    connect(newButton, &QPushButton::clicked, this, &TeamListWindow::startNew);
    connect(saveButton, &QPushButton::clicked, this, &TeamListWindow::save);
    connect(removeButton, &QPushButton::clicked, this, &TeamListWindow::removeTeam);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* right = new QVBoxLayout;
    right->addLayout(form);
    right->addWidget(new QLabel(QStringLiteral("成员（离开的成员填离开日期，不要删除）"), this));
    right->addWidget(m_members, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(m_teams, 2);
    body->addLayout(right, 3);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    for (QPushButton* b : {newButton, saveButton, removeButton, closeButton})
        commands->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(commands);
    resize(960, 560);
    loadTeams(0);
}

qint64 TeamListWindow::currentTeamId() const
{
    return m_shown;
}

void TeamListWindow::loadTeams(qint64 select)
{
    QList<Team> teams;
    if (!ui::guarded(this, [&] { teams = Teams(m_ctx.conn()).all(); }))
        return;
    m_teams->setRows(int(teams.size()) + 1);
    int selectRow = teams.isEmpty() ? 0 : 1;
    for (int i = 0; i < teams.size(); ++i) {
        const Team& t = teams.at(i);
        const QStringList row{t.number, t.name, t.workshop, splitRuleName(t.rule), QString::number(t.id)};
        for (int c = 0; c < row.size(); ++c)
            m_teams->setText(i + 1, c, row.at(c));
        if (t.id == select)
            selectRow = i + 1;
    }
    ui::setListRowHeights(*m_teams);
    ui::fitListColumns(*m_teams);
    if (selectRow > 0) {
        m_teams->setCurrentCell(selectRow, 0);
        showTeam(m_teams->text(selectRow, TId).toLongLong());
    } else {
        startNew();
    }
}

void TeamListWindow::showTeam(qint64 id)
{
    std::optional<Team> team;
    QList<TeamMember> members;
    if (!ui::guarded(this, [&] {
            Teams teams(m_ctx.conn());
            team = teams.find(id);
            members = teams.members(id);
        }))
        return;
    if (!team)
        return startNew();
    m_shown = id;
    m_number->setText(team->number);
    m_name->setText(team->name);
    m_workshop->setText(team->workshop);
    m_rule->setCurrentIndex(m_rule->findData(int(team->rule)));
    m_remark->setText(team->remark);
    m_members->setRows(1);
    m_members->setRows(int(std::max<qsizetype>(members.size(), kMemberRows)) + 1);
    for (int i = 0; i < members.size(); ++i) {
        const TeamMember& m = members.at(i);
        const QStringList row{m.employeeNo,          m.name,
                              m.dayRate.plainText(), m.points.plainText(),
                              dateText(m.joined),    m.left ? dateText(*m.left) : QString()};
        for (int c = 0; c < row.size(); ++c)
            m_members->setText(i + 1, c, row.at(c));
    }
}

void TeamListWindow::startNew()
{
    m_shown = 0;
    for (QLineEdit* box : {m_number, m_name, m_workshop, m_remark})
        box->clear();
    m_rule->setCurrentIndex(0);
    m_members->setRows(1);
    m_members->setRows(kMemberRows + 1);
    m_number->setFocus();
}

bool TeamListWindow::save()
{
    const bool done = ui::guarded(this, [&] {
        QList<TeamMember> members;
        for (int r = 1; r < m_members->rows(); ++r) {
            const QString no = cleanText(m_members->text(r, MNo));
            if (no.isEmpty())
                continue;
            const auto joined = typedDate(m_members->text(r, MJoined), no, QStringLiteral("加入日期"));
            if (!joined)
                throw InputError(QStringLiteral("工号 %1 没有加入日期。").arg(no));
            members.append({no,
                            {},
                            typedFigure(m_members->text(r, MRate), no, QStringLiteral("日工资")),
                            typedFigure(m_members->text(r, MPoints), no, QStringLiteral("点数")),
                            *joined,
                            typedDate(m_members->text(r, MLeft), no, QStringLiteral("离开日期"))});
        }
        Teams teams(m_ctx.conn());
        // The team and its members in one transaction: a refused member leaves the team unsaved.
        Transaction tx(m_ctx.conn());
        const qint64 id = teams.save({m_shown, m_number->text(), m_name->text(), m_workshop->text(),
                                      SplitRule(m_rule->currentData().toInt()), m_remark->text()});
        teams.setMembers(id, members);
        tx.commit();
        m_shown = id;
    });
    if (!done)
        return false;
    loadTeams(m_shown);
    emit teamsChanged();
    return true;
}

bool TeamListWindow::removeTeam()
{
    if (m_shown == 0)
        return false;
    if (!ui::confirmLoss(this, QStringLiteral("确定要删除班组“%1”吗？").arg(m_name->text()),
                         QStringLiteral("确定删除")))
        return false;
    if (!ui::guarded(this, [&] { Teams(m_ctx.conn()).remove(m_shown); }))
        return false;
    loadTeams(0);
    emit teamsChanged();
    return true;
}

} // namespace kv
