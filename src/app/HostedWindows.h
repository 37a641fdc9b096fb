#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kv {
class AppContext;

// Working window of each of the first six tabs, by window name, in tab order.
const QStringList& hostedWindowNames();

// Creates the working window named `name`; null for a name the program does not know.
QWidget* createHostedWindow(const QString& name, AppContext& ctx, QWidget* parent);

} // namespace kv
