#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace kv::ui {

class DataGrid;

// A command button named for the window's commands. It never becomes a dialog's default button,
// so Enter in a field of the window stays with that field.
QPushButton* commandButton(const QString& text, const QString& objectName, QWidget* parent);

// The parts of a window that shows one sheet of figures: the grid "fg", and the note under it
// ("LabelNote", wrapped) that says how the figures were made.
DataGrid* sheetGrid(QWidget* parent);
QLabel* sheetNote(QWidget* parent);

// A window of its own that is deleted when closed and holds the rest of the program while open.
void makeModalWindow(QWidget* window, const QString& objectName, const QString& title);

} // namespace kv::ui
