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

// Runs one user command; a failure ends it in a box: a database failure with its cause and the
// database's message under "数据库错误", refused input with its reason under "输入错误".
// Returns false when it failed.
bool guarded(QWidget* parent, const std::function<void()>& command);

// Reconnects the shared connection; a failure shows the connection warning with its cause (or
// why the file was refused: a newer version, a failed upgrade) and goes on.
void connDB(AppContext& ctx, QWidget* parent);

} // namespace kv::ui
