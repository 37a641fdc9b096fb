#pragma once

#include "lists/ListEntry.h"

#include <QDialog>

#include <optional>

class QGridLayout;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kv {
class AppContext;
class Database;

// A window keeping one list of names: add, change and delete through an edit panel that takes
// the place of the row of command buttons while it is open. The code lists and the accounts
// share it. It reconnects when it opens; open it application-modal with show().
class ListEditWindow : public QDialog {
    Q_OBJECT
public:
    // Refills the list from the table; no entry is selected afterwards.
    void loadData();
    // True while the panel changes the selected entry, false while it adds one.
    bool editMode() const { return m_editMode; }

    struct Texts {
        QString objectName;
        QString caption;
        QString add;    // Command2
        QString edit;   // Command3
        QString remove; // Command4
    };

protected:
    ListEditWindow(AppContext& ctx, const Texts& texts, QWidget* parent);

    // The subclass constructor calls this once its panel fields are in place.
    void load();

    // The panel's fields: labels in column 0, controls in column 1; the name box is row 0.
    QGridLayout* panelFields() const { return m_fields; }
    QLineEdit* nameBox() const { return m_name; }

    virtual QList<ListEntry> readEntries(Database& db) = 0;
    // The panel opens to add an entry (none) or to change `entry`; the name box is filled.
    virtual void preparePanel(const std::optional<ListEntry>& entry) { Q_UNUSED(entry) }
    // What keeps the panel's other fields from being saved, empty when nothing does.
    virtual QString panelProblem() const { return {}; }
    // Adds (no id) or changes the entry from the panel.
    virtual ListChange write(Database& db, std::optional<qint64> editId) = 0;
    virtual ListChange erase(Database& db, qint64 id) = 0;
    // Why the entry may not be deleted at all, empty when it may.
    virtual QString deleteRefusal(qint64 id) const
    {
        Q_UNUSED(id)
        return {};
    }
    // Called whenever the selection changes or the list is refilled, so that a subclass can
    // enable the commands for the entry selected (none) as the account may use them.
    virtual void updateCommands(const std::optional<ListEntry>& selected) { Q_UNUSED(selected) }

    QPushButton* addButton() const { return m_add; }
    QPushButton* editButton() const { return m_edit; }
    QPushButton* removeButton() const { return m_remove; }
    std::optional<ListEntry> selectedEntry() const;

    // The panel's "确定": checks, writes and reloads the list.
    void confirm();
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openPanel(bool editMode);
    void closePanel();
    void removeSelected();
    void warn(const QString& text);

    AppContext& m_ctx;
    QListWidget* m_list;
    QWidget* m_buttons;
    QWidget* m_panel;
    QGridLayout* m_fields;
    QLineEdit* m_name;
    QPushButton* m_add;
    QPushButton* m_edit;
    QPushButton* m_remove;
    QPushButton* m_confirm;
    QPushButton* m_cancel;
    bool m_editMode = false;
};

} // namespace kv
