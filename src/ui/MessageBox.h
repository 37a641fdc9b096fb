#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
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
    // The question's OK gives something up (lines, a record, all data): Cancel is the default
    // button, so that Enter alone loses nothing.
    bool cancelByDefault = false;
};

// Every message box of the program goes through here. An empty caption shows "Kelvaro".
Answer message(QWidget* parent, const QString& text, const QString& caption = {}, Icon icon = Icon::None,
               Buttons buttons = Buttons::Ok);

// A question whose OK deletes or drops something, with OK and Cancel and Cancel as the default.
// True when the user chose OK.
bool confirmLoss(QWidget* parent, const QString& text, const QString& caption, Icon icon = Icon::None);

// The box shown for a request, not yet opened: its default button and its width (never
// narrower than its caption needs) are those the user sees.
std::unique_ptr<QMessageBox> makeMessageBox(const BoxRequest& request, QWidget* parent);

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
