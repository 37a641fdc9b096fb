#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kv {
class AppContext;
}

namespace kv::ui {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct BoxRequest {
    QString text;
    QString caption;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
};

// Every message box of the program goes through here. An empty caption shows "Kelvaro".
Answer message(QWidget* parent, const QString& text, const QString& caption = {}, Icon icon = Icon::None,
               Buttons buttons = Buttons::Ok);

// Tests answer boxes instead of a person; an empty responder restores real boxes.
using Responder = std::function<Answer(const BoxRequest&)>;
void setResponder(Responder responder);

// Runs one user command; a database failure ends it with the database's message in a box.
// Returns false when it failed.
bool guarded(QWidget* parent, const std::function<void()>& command);

// Reconnects the shared connection; a failure shows the connection warning (or why the file was
// refused: a newer version, a failed upgrade) and goes on.
void connDB(AppContext& ctx, QWidget* parent);

} // namespace kv::ui
