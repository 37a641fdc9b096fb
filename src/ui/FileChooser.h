#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kv::ui {

// Every "open a file" question of the program goes through here: the path chosen, or empty
// when the user cancelled.
QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& filter);

// Tests answer the question instead of a person; an empty responder restores the real dialog.
using FileResponder = std::function<QString(const QString& caption)>;
void setFileResponder(FileResponder responder);

} // namespace kv::ui
