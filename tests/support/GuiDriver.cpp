#include "GuiDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>

void GuiDriver::click(const QString& name) const
{
    auto* button = find<QAbstractButton>(name);
    if (!button->isEnabled())
        throw std::runtime_error("button is disabled: " + name.toStdString());
    QTest::mouseClick(button, Qt::LeftButton);
}

void GuiDriver::type(const QString& name, const QString& text) const
{
    typeInto(find(name), text);
}

void GuiDriver::key(const QString& name, Qt::Key key, Qt::KeyboardModifiers mods) const
{
    QTest::keyClick(find(name), key, mods);
}

void GuiDriver::leave(const QString& name) const
{
    QWidget* w = find(name);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
    if (w->hasFocus())
        w->clearFocus();
}

void GuiDriver::commitText(QWidget* w, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(w, &event);
}

void GuiDriver::typeInto(QWidget* w, const QString& text)
{
    w->setFocus();
    QString latin;
    const auto flushLatin = [&] {
        if (!latin.isEmpty())
            QTest::keyClicks(w, latin);
        latin.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            latin += c;
        } else {
            flushLatin();
            commitText(w, QString(c));
        }
    }
    flushLatin();
}
