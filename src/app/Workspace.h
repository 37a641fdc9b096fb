#pragma once

#include <QWidget>

#include <functional>

namespace kv {
class AppContext;

// The main window as the shell knows it. The shell makes it after the first login through the
// maker it is given: the program opens the module of its windows then (WorkspaceModule.h), so
// that its start to the login window loads none of the libraries that only the windows after
// the login use (charts, printing); a program that links the windows makes it directly.
class Workspace : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void setAccountCaption(const QString& account) = 0;

    // When true, closing asks no question (restore and clear return to the login themselves).
    bool closesWithoutQuestion = false;

signals:
    // Emitted once the user confirmed leaving the program.
    void exitConfirmed();
    // The settings page restored or cleared the data: the shell closes this window with every
    // working window, without the exit question, and shows a fresh login. Whoever listens must
    // do so queued, since the window that ends the session is deleted on the way.
    void sessionEnded();
};

// Makes the main window for the context; null with the reason in *error when it cannot.
using WorkspaceMaker = std::function<Workspace*(AppContext& ctx, QString* error)>;

// The main window of the windows linked into this program.
Workspace* makeLinkedWorkspace(AppContext& ctx, QString* error);

} // namespace kv
