#include "teams/TeamEntryWindow.h"

#include "data/AppContext.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "entry/ItemLookup.h"
#include "entry/MonthRecords.h"
#include "teams/TeamListWindow.h"
#include "teams/TeamSheet.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Printing.h"
#include "ui/WindowParts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

namespace {
constexpr int kLineRows = 30;
constexpr int kMemberRows = 40;

const char16_t* const kLineCaptions[TeamLineColumnCount] = {u"日期", u"产品", u"计量单位", u"数量",
                                                            u"工价", u"金额", u"产品编号"};
const char16_t* const kMemberCaptions[TeamMemberColumnCount] = {u"工号", u"姓名",   u"出勤(天)", u"日工资", u"点数",
                                                                u"权数", u"精确值", u"份额",     u"尾差"};

const QList<std::pair<SplitRule, QString>> kRules{{SplitRule::DaysByRate, QStringLiteral("按天数×日工资")},
                                                  {SplitRule::Points, QStringLiteral("按点数")},
                                                  {SplitRule::Days, QStringLiteral("按天数平均")}};

template <size_t N> void setUpGrid(ui::DataGrid* grid, int rows, const char16_t* const (&captions)[N])
{
    grid->setCols(int(N));
    grid->setRows(rows + 1);
    for (int c = 0; c < int(N); ++c)
        grid->setText(0, c, QString::fromUtf16(captions[c]));
    grid->setEditable(true);
}

QList<QStringList> gridRows(const ui::DataGrid& grid)
{
    QList<QStringList> rows;
    for (int r = 1; r < grid.rows(); ++r) {
        QStringList row;
        for (int c = 0; c < grid.cols(); ++c)
            row << grid.text(r, c);
        rows << row;
    }
    return rows;
}

void putRows(ui::DataGrid& grid, const QList<QStringList>& rows, int minimumRows)
{
    grid.setRows(1);
    grid.setRows(int(std::max<qsizetype>(rows.size(), minimumRows)) + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size() && c < grid.cols(); ++c)
            grid.setText(r + 1, c, rows.at(r).at(c));
}
} // namespace

TeamEntryWindow::TeamEntryWindow(AppContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), m_ctx(ctx)
{
    ui::makeModalWindow(this, QStringLiteral("集体计件Frm"), QStringLiteral("集体计件"));

    m_team = new QComboBox(this);
    m_team->setObjectName(QStringLiteral("teamBox"));
    m_team->setMinimumContentsLength(14);
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("monthBox"));
    m_month->addItems(workingMonths(ctx.clock().today()));
    m_month->setCurrentIndex(m_month->count() - 1);
    m_rule = new QComboBox(this);
    m_rule->setObjectName(QStringLiteral("ruleBox"));
    for (const auto& [rule, caption] : kRules)
        m_rule->addItem(caption, int(rule));

    auto* fromTeam = ui::commandButton(QStringLiteral("按班组成员填入"), QStringLiteral("CommandMembers"), this);
    auto* saveButton = ui::commandButton(QStringLiteral("保存"), QStringLiteral("Command1"), this);
    auto* printButton = ui::commandButton(QStringLiteral("打印"), QStringLiteral("Command2"), this);
    auto* removeButton = ui::commandButton(QStringLiteral("删除本月"), QStringLiteral("Command3"), this);
    auto* closeButton = ui::commandButton(QStringLiteral("关闭"), QStringLiteral("CommandClose"), this);
    auto* teamsButton = ui::commandButton(QStringLiteral("班组设置"), QStringLiteral("CommandTeams"), this);
    connect(teamsButton, &QPushButton::clicked, this, [this] {
        auto* teams = new TeamListWindow(m_ctx, this);
        connect(teams, &TeamListWindow::teamsChanged, this, &TeamEntryWindow::reloadTeams);
        teams->show();
    });
    connect(fromTeam, &QPushButton::clicked, this, &TeamEntryWindow::fillMembersFromTeam);
    connect(saveButton, &QPushButton::clicked, this, &TeamEntryWindow::save);
    connect(printButton, &QPushButton::clicked, this, &TeamEntryWindow::print);
    connect(removeButton, &QPushButton::clicked, this, &TeamEntryWindow::removeMonth);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("班组："), this));
    top->addWidget(m_team);
    top->addWidget(new QLabel(QStringLiteral("计工月份："), this));
    top->addWidget(m_month);
    top->addWidget(new QLabel(QStringLiteral("分配方式："), this));
    top->addWidget(m_rule);
    top->addStretch(1);

    m_lines = new ui::DataGrid(this);
    m_lines->setObjectName(QStringLiteral("fgLines"));
    setUpGrid(m_lines, kLineRows, kLineCaptions);
    m_lines->setColHidden(TLProductNo);
    m_lines->setColumnKind(TLQuantity, ui::DataGrid::ColumnKind::Number);
    m_lines->setColumnKind(TLPrice, ui::DataGrid::ColumnKind::Number);
    m_lines->setColumnKind(TLAmount, ui::DataGrid::ColumnKind::Money);
    m_lines->setColWidth(TLProduct, 3000);
    m_members = new ui::DataGrid(this);
    m_members->setObjectName(QStringLiteral("fgMembers"));
    setUpGrid(m_members, kMemberRows, kMemberCaptions);
    for (int c : {TMDays, TMRate, TMPoints, TMWeight, TMExact})
        m_members->setColumnKind(c, ui::DataGrid::ColumnKind::Number);
    m_members->setColumnKind(TMShare, ui::DataGrid::ColumnKind::Money);

    // Unit and amount come from the product and the quantity; what the split gives is shown only.
    connect(m_lines, &ui::DataGrid::beforeEdit, this,
            [](int, int col, bool& cancel) { cancel = col == TLUnit || col == TLAmount; });
    connect(m_members, &ui::DataGrid::beforeEdit, this,
            [](int, int col, bool& cancel) { cancel = col == TMName || col >= TMWeight; });
    connect(m_lines, &ui::DataGrid::afterEdit, this, &TeamEntryWindow::onLineEdited);
    connect(m_members, &ui::DataGrid::afterEdit, this, &TeamEntryWindow::onMemberEdited);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("LabelNote"));
    m_note->setWordWrap(true);
    m_note->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_note->setMinimumHeight(m_note->fontMetrics().lineSpacing() * 3);
    for (int c = 0; c < TeamMemberColumnCount; ++c)
        m_members->setColWidth(c, c == TMName ? 1100 : 1000);
    m_members->setColWidth(TMExact, 1300);

    auto* commands = new QHBoxLayout;
    commands->addWidget(teamsButton);
    commands->addWidget(fromTeam);
    commands->addStretch(1);
    commands->addWidget(saveButton);
    commands->addWidget(printButton);
    commands->addWidget(removeButton);
    commands->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("集体产量"), this));
    layout->addWidget(m_lines, 2);
    layout->addWidget(new QLabel(QStringLiteral("成员出勤与分配"), this));
    layout->addWidget(m_members, 3);
    layout->addWidget(m_note);
    layout->addLayout(commands);
    resize(900, 680);

    connect(m_team, &QComboBox::currentIndexChanged, this, &TeamEntryWindow::loadMonth);
    connect(m_month, &QComboBox::currentIndexChanged, this, &TeamEntryWindow::loadMonth);
    connect(m_rule, &QComboBox::currentIndexChanged, this, &TeamEntryWindow::showSplit);
    reloadTeams();
}

qint64 TeamEntryWindow::teamId() const
{
    return m_team->currentData().toLongLong();
}

void TeamEntryWindow::reloadTeams()
{
    const qint64 chosen = teamId();
    QList<Team> teams;
    if (!ui::guarded(this, [&] { teams = Teams(m_ctx.conn()).all(); }))
        return;
    m_teams = teams;
    m_loading = true;
    m_team->clear();
    for (const Team& t : std::as_const(m_teams))
        m_team->addItem(QStringLiteral("%1 %2").arg(t.number, t.name), t.id);
    const int at = m_team->findData(chosen);
    m_team->setCurrentIndex(at >= 0 ? at : 0);
    m_loading = false;
    loadMonth();
}

void TeamEntryWindow::loadMonth()
{
    if (m_loading)
        return;
    const auto month = parseMonthText(m_month->currentText());
    TeamMonth stored;
    if (teamId() != 0 && month && !ui::guarded(this, [&] { stored = TeamMonths(m_ctx.conn()).load(teamId(), *month); }))
        return;
    m_loading = true;
    m_loadedVersion = stored.version;
    putRows(*m_lines, teamLineTexts(stored), kLineRows);
    putRows(*m_members, teamMemberTexts(stored.members, nullptr), kMemberRows);
    SplitRule rule = stored.rule;
    if (stored.id == 0)
        for (const Team& t : std::as_const(m_teams))
            if (t.id == teamId())
                rule = t.rule;
    m_rule->setCurrentIndex(m_rule->findData(int(rule)));
    m_loading = false;
    if (stored.id == 0)
        fillMembersFromTeam();
    showSplit();
}

void TeamEntryWindow::fillMembersFromTeam()
{
    const auto month = parseMonthText(m_month->currentText());
    if (!month || teamId() == 0)
        return;
    QList<TeamMember> members;
    if (!ui::guarded(this, [&] { members = Teams(m_ctx.conn()).membersIn(teamId(), *month); }))
        return;
    // Members already on the sheet keep what was typed for them.
    QList<TeamAttendance> rows =
        readTeamSheet({teamId(), m_month->currentText(), {}, {}, gridRows(*m_members)}).members;
    for (const TeamMember& m : members) {
        const bool listed = std::any_of(rows.cbegin(), rows.cend(),
                                        [&](const TeamAttendance& a) { return a.employeeNo == m.employeeNo; });
        if (!listed)
            rows.append({m.employeeNo, m.name, {}, m.dayRate, m.points});
    }
    m_loading = true;
    putRows(*m_members, teamMemberTexts(rows, nullptr), kMemberRows);
    m_loading = false;
    showSplit();
}

TeamMonthSheet TeamEntryWindow::sheet() const
{
    return readTeamSheet({teamId(), m_month->currentText(), SplitRule(m_rule->currentData().toInt()),
                          gridRows(*m_lines), gridRows(*m_members), m_loadedVersion});
}

void TeamEntryWindow::showSplit()
{
    const auto rule = SplitRule(m_rule->currentData().toInt());
    m_members->setColHidden(TMRate, rule != SplitRule::DaysByRate);
    m_members->setColHidden(TMPoints, rule != SplitRule::Points);
    m_members->setColHidden(TMDays, rule == SplitRule::Points);
    if (m_loading)
        return;
    for (int r = 1; r < m_members->rows(); ++r)
        for (int c = TMWeight; c < TeamMemberColumnCount; ++c)
            m_members->setText(r, c, QString());
    try {
        const TeamMonthSheet s = sheet();
        if (s.members.isEmpty()) {
            m_note->setText(QStringLiteral("请填入班组成员及出勤。"));
            return;
        }
        const TeamSplit split = splitOfSheet(s);
        int row = 1;
        QStringList roundedUp;
        for (int r = 1; r < m_members->rows() && row - 1 < split.shares.size(); ++r) {
            if (cleanText(m_members->text(r, TMNo)).isEmpty())
                continue;
            const SplitShare& share = split.shares.at(row - 1);
            m_members->setText(r, TMWeight, share.weight.plainText());
            m_members->setText(r, TMExact, share.exact.plainText());
            m_members->setText(r, TMShare, share.share.plainText());
            m_members->setText(r, TMRounding, share.roundedUp ? QStringLiteral("+0.01") : QString());
            if (share.roundedUp)
                roundedUp << share.employeeNo;
            ++row;
        }
        m_note->setText(
            QStringLiteral("集体产值 %1 元，分配 %2 元（到分），权数合计 %3。各人份额 = 分配金额 × 权数 ÷ 权数合计，"
                           "先舍去分以下，余下的 %4 分按余数从大到小补给：%5。")
                .arg(split.totalBeforeRounding.moneyText(), split.total.moneyText(), split.weightSum.plainText())
                .arg(roundedUp.size())
                .arg(roundedUp.isEmpty() ? QStringLiteral("无") : roundedUp.join(QStringLiteral("、"))));
    } catch (const InputError& e) {
        m_note->setText(e.message());
    }
}

void TeamEntryWindow::onLineEdited(int row, int col)
{
    const QString typed = cleanText(m_lines->text(row, TLProduct));
    if ((col == TLProduct || col == TLDate) && !typed.isEmpty()) {
        // A product typed is looked up by number or description; a date changed takes the price
        // in force on it for the product chosen.
        const QString number = m_lines->text(row, TLProductNo);
        const QString key = col == TLProduct ? typed : number;
        QDate day;
        try {
            day = readTeamSheet({0, m_month->currentText(), {}, {{m_lines->text(row, TLDate), typed}}, {}})
                      .lines.value(0)
                      .date;
        } catch (const InputError&) {
        }
        LookupResult found;
        if (!key.isEmpty() &&
            !ui::guarded(this, [&] { found = lookupItems(m_ctx.conn(), LookupKind::Product, key, day); }))
            return;
        QList<QStringList> exact;
        for (const QStringList& item : std::as_const(found.rows))
            if (item.value(0) == key || item.value(1) == key)
                exact << item;
        const QList<QStringList>& pick = exact.isEmpty() ? found.rows : exact;
        if (pick.size() == 1) {
            const QStringList& item = pick.first();
            m_lines->setText(row, TLProductNo, item.value(0));
            m_lines->setText(row, TLProduct, item.value(1));
            m_lines->setText(row, TLUnit, item.value(2));
            m_lines->setText(row, TLPrice, item.value(3));
        } else if (col == TLProduct) {
            m_lines->setText(row, TLProductNo, QString());
            ui::message(this,
                        pick.isEmpty() ? QStringLiteral("没有找到产品“%1”。").arg(typed)
                                       : QStringLiteral("“%1”对应 %2 个产品，请输入产品编号或完整的产品说明。")
                                             .arg(typed)
                                             .arg(pick.size()),
                        QStringLiteral("提示！"), ui::Icon::Information);
        }
    }
    m_lines->setText(row, TLAmount, amountText(m_lines->text(row, TLQuantity), m_lines->text(row, TLPrice)));
    showSplit();
}

void TeamEntryWindow::onMemberEdited(int row, int col)
{
    if (col == TMNo) {
        const QString no = cleanText(m_members->text(row, TMNo));
        QString name;
        if (!no.isEmpty() && !ui::guarded(this, [&] {
                name =
                    m_ctx.conn().scalar(QStringLiteral("SELECT max(姓名) FROM 员工 WHERE 工号 = ?"), {no}).toString();
            }))
            return;
        m_members->setText(row, TMName, name);
        if (!no.isEmpty() && name.isEmpty())
            ui::message(this, QStringLiteral("没有工号为 %1 的员工。").arg(no), QStringLiteral("提示！"),
                        ui::Icon::Information);
    }
    showSplit();
}

bool TeamEntryWindow::save()
{
    if (teamId() == 0) {
        ui::message(this, QStringLiteral("请先在“班组设置”中建立班组。"), QStringLiteral("提示！"),
                    ui::Icon::Information);
        return false;
    }
    qint64 version = 0;
    if (!ui::guarded(this, [&] { version = TeamMonths(m_ctx.conn()).save(sheet()); }))
        return false;
    loadMonth();
    ui::message(this, QStringLiteral("集体计件已保存，各成员的份额已记入其本月工资。"), QStringLiteral("保存成功"),
                ui::Icon::Information);
    return version > 0;
}

bool TeamEntryWindow::removeMonth()
{
    if (teamId() == 0 || !m_loadedVersion || *m_loadedVersion == 0)
        return false;
    if (!ui::confirmLoss(this,
                         QStringLiteral("确定删除本班组本月的集体计件记录吗？各成员的份额也将从其本月工资中去掉。"),
                         QStringLiteral("确定删除")))
        return false;
    if (!ui::guarded(this, [&] { TeamMonths(m_ctx.conn()).remove(teamId(), m_month->currentText(), m_loadedVersion); }))
        return false;
    loadMonth();
    return true;
}

bool TeamEntryWindow::print()
{
    TeamMonthSheet s;
    TeamSplit split;
    if (!ui::guarded(this, [&] {
            s = sheet();
            split = splitOfSheet(s);
        }))
        return false;
    // The sheet the members sign: each member's attendance and share, and a place for his name;
    // only the figures the rule counts.
    ui::DataGrid paper(this);
    paper.hide();
    enum PaperColumn { PNo, PName, PDays, PRate, PPoints, PShare, PRounding, PSign, PaperColumnCount };
    const QStringList captions{QStringLiteral("工号"),   QStringLiteral("姓名"), QStringLiteral("出勤(天)"),
                               QStringLiteral("日工资"), QStringLiteral("点数"), QStringLiteral("份额"),
                               QStringLiteral("尾差"),   QStringLiteral("签名")};
    paper.setCols(PaperColumnCount);
    paper.setRows(int(s.members.size()) + 1);
    for (int c = 0; c < captions.size(); ++c)
        paper.setText(0, c, captions.at(c));
    paper.setColumnKind(PShare, ui::DataGrid::ColumnKind::Money);
    paper.setColHidden(PRate, s.rule != SplitRule::DaysByRate);
    paper.setColHidden(PPoints, s.rule != SplitRule::Points);
    paper.setColHidden(PDays, s.rule == SplitRule::Points);
    for (int i = 0; i < s.members.size(); ++i) {
        const TeamAttendance& m = s.members.at(i);
        const SplitShare& share = split.shares.at(i);
        const QStringList row{m.employeeNo,
                              m.name,
                              m.days.plainText(),
                              m.dayRate.moneyText(),
                              m.points.plainText(),
                              share.share.plainText(),
                              share.roundedUp ? QStringLiteral("+0.01") : QString(),
                              QString()};
        for (int c = 0; c < row.size(); ++c)
            paper.setText(i + 1, c, row.at(c));
    }
    paper.setColWidth(PSign, 2400);
    paper.addTotalsRow({PShare});
    QStringList notes;
    for (const TeamOutputLine& l : s.lines)
        notes << QStringLiteral("%1  %2  %3 %4 × %5 = %6")
                     .arg(dateText(l.date), l.product, l.quantity.plainText(), l.unit, l.price.plainText(),
                          l.amount().moneyText());
    notes << QStringLiteral("集体产值 %1 元，分配 %2 元；%3，权数合计 %4。")
                 .arg(split.totalBeforeRounding.moneyText(), split.total.moneyText(), m_rule->currentText(),
                      split.weightSum.plainText());
    notes << QStringLiteral(
        "份额 = 分配金额 × 权数 ÷ 权数合计，先舍去分以下，余下的分按余数从大到小补足（尾差 +0.01）。");
    notes << QStringLiteral("班组长：______________    车间主任：______________    制表：______________");
    const QString teamText = m_team->currentText();
    return ui::printDocument(
        m_ctx, this, paper,
        {QStringLiteral("集体计件工资表"), QStringLiteral("班组：%1    月份：%2").arg(teamText, s.monthText), notes});
}

} // namespace kv
