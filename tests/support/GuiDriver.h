#pragma once

#include <QString>
#include <QTest>
#include <QWidget>

#include <stdexcept>

// Drives a window through its controls, found by object name, as a user would.
class GuiDriver {
public:
    explicit GuiDriver(QWidget* root) : m_root(root) {}

    template <class T = QWidget> T* find(const QString& name) const
    {
        T* w = m_root->objectName() == name ? qobject_cast<T*>(m_root) : m_root->findChild<T*>(name);
        if (!w)
            throw std::runtime_error("no control named " + name.toStdString());
        return w;
    }

    // Clicks a button; it must exist and be enabled.
    void click(const QString& name) const;
    // Gives the control the focus and types the text: Latin-1 characters as key presses, the
    // rest as an input method commits them.
    void type(const QString& name, const QString& text) const;
    void key(const QString& name, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const;
    // Moves the focus away from a control, so its focus-out handling runs.
    void leave(const QString& name) const;

    static void typeInto(QWidget* w, const QString& text);
    static void commitText(QWidget* w, const QString& text);

private:
    QWidget* m_root;
};
