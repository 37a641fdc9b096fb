#include "ui/WindowParts.h"

#include "ui/DataGrid.h"

#include <QLabel>
#include <QPushButton>

namespace kv::ui {

QPushButton* commandButton(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

DataGrid* sheetGrid(QWidget* parent)
{
    auto* grid = new DataGrid(parent);
    grid->setObjectName(QStringLiteral("fg"));
    return grid;
}

QLabel* sheetNote(QWidget* parent)
{
    auto* note = new QLabel(parent);
    note->setObjectName(QStringLiteral("LabelNote"));
    note->setWordWrap(true);
    return note;
}

void makeModalWindow(QWidget* window, const QString& objectName, const QString& title)
{
    window->setObjectName(objectName);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
}

} // namespace kv::ui
