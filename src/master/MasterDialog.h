#pragma once

#include "master/MasterRecords.h"

#include <QDialog>
#include <QList>

#include <optional>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kv {
class AppContext;

// The add/edit dialog of one master record, shared by employees, products and deduction
// items: opens in add mode (editedId 0) or edit mode (the record's id), checks the number for
// duplicates on add, the required fields in order, saves and has its list window reload.
class MasterDialog : public QDialog {
    Q_OBJECT
public:
    // 0 for add, the id of the record to edit; wide enough for any id.
    qint64 editedId = 0;

    // Prepares the fields (pick lists, the record to edit) and shows the dialog modally; a
    // record that no longer exists is reported and the dialog closes instead.
    void open() override;
    void done(int result) override;

signals:
    // A record was added or changed; the list window reloads.
    void saved();

protected:
    struct Captions {
        QString objectName; // 添加员工FRM
        QString add;        // 添加员工
        QString edit;       // 修改员工
    };
    MasterDialog(AppContext& ctx, MasterKind kind, const Captions& captions, QWidget* parent);

    // Fields are added in the table's column order. A control is a QLineEdit, an editable
    // QComboBox or a QDateEdit.
    QLineEdit* addLineEdit(const QString& label, const QString& name);
    QComboBox* addComboBox(const QString& label, const QString& name);
    void addField(const QString& label, QWidget* control);
    // Called with the buttons placed; fills pick lists and defaults.
    virtual void prepareFields() {}
    // Called in edit mode once the record's values are shown.
    virtual void recordShown() {}
    // Shows the column's value as now stored and takes it as the value loaded, after a change
    // the dialog itself made beside the record's save (a price change).
    void takeStoredValue(int column);
    // Below the fields, above the buttons.
    void addSection(QWidget* section);
    bool eventFilter(QObject* watched, QEvent* event) override;

    AppContext& m_ctx;

private:
    bool prepare();
    void save();
    bool confirmNewNumber(const QString& refusal);
    QString valueOf(int column) const;
    void setValue(int column, const QString& value);
    void reportMissingRecord();

    MasterKind m_kind;
    Captions m_captions;
    QGridLayout* m_grid;
    QVBoxLayout* m_sections;
    QList<QWidget*> m_fields;            // one per column
    std::optional<QStringList> m_loaded; // the record as opened for editing
    QPushButton* m_save;
    QPushButton* m_cancel;
};

} // namespace kv
