#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace kv::ui {

// Lets the user drag a floating panel about by a handle (its caption or title strip). Moves of
// 15 twips or less are a shaky click, not a drag. The panel stays inside its parent, so that its
// handle can never be lost off the window.
class DragHandle final : public QObject {
    Q_OBJECT
public:
    DragHandle(QWidget* handle, QWidget* panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_panel;
    QPoint m_origin; // pointer position in the handle when the left button went down
    bool m_pressed = false;
};

// Moves a child widget to `topLeft`, kept inside its parent.
void moveWithinParent(QWidget* widget, QPoint topLeft);

} // namespace kv::ui
