#pragma once

#include "teams/TeamMonths.h"
#include "teams/Teams.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// "集体计件": one team's month — what the team made (date, product, quantity at the piece price
// in force) and each member's days, day rate or points — split to the 分 among the members as
// the grid shows while typing, and saved with every member's share as a line of his month.
// Prints the team's month sheet for the members to sign.
class TeamEntryWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TeamEntryWindow(AppContext& ctx, QWidget* parent = nullptr);

    // Reads the teams again (after they were changed) and shows the chosen team's month.
    void reloadTeams();
    bool save();
    bool removeMonth();
    bool print();

private:
    void loadMonth();
    void fillMembersFromTeam();
    void showSplit();
    void onLineEdited(int row, int col);
    void onMemberEdited(int row, int col);
    qint64 teamId() const;
    TeamMonthSheet sheet() const;

    AppContext& m_ctx;
    QList<Team> m_teams;
    std::optional<qint64> m_loadedVersion;
    QComboBox* m_team = nullptr;
    QComboBox* m_month = nullptr;
    QComboBox* m_rule = nullptr;
    ui::DataGrid* m_lines = nullptr;
    ui::DataGrid* m_members = nullptr;
    QLabel* m_note = nullptr;
    bool m_loading = false;
};

} // namespace kv
