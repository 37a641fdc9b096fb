#pragma once

#include "teams/Teams.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace kv {
class AppContext;
namespace ui {
class DataGrid;
}

// "班组设置": the teams, and for the team chosen its number, name, workshop, split rule and its
// members with their standard day rates or points and the days they joined and left. A member
// who leaves gets the day he left, so that the months he worked keep him.
class TeamListWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TeamListWindow(AppContext& ctx, QWidget* parent = nullptr);

    bool save();
    bool removeTeam();
    void startNew();

signals:
    void teamsChanged();

private:
    void loadTeams(qint64 select);
    void showTeam(qint64 id);
    qint64 currentTeamId() const;

    AppContext& m_ctx;
    qint64 m_shown = 0;
    ui::DataGrid* m_teams = nullptr;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_workshop = nullptr;
    QComboBox* m_rule = nullptr;
    QLineEdit* m_remark = nullptr;
    ui::DataGrid* m_members = nullptr;
};

} // namespace kv
