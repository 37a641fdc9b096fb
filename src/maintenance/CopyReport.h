#pragma once

#include "maintenance/Backup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScopeGuard>

class QWidget;

namespace kv {

// Runs a file copy with the wait cursor up, since a large database takes a moment.
template <class Copy> CopyOutcome withWaitCursor(Copy&& copy)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    return copy();
}

// Tells the user that a backup or restore did not take place and why (`what` leads the text),
// and when the connection could not be opened again afterwards. Silent when all went well.
void reportCopyFailure(QWidget* parent, AppContext& ctx, const CopyOutcome& outcome, const QString& what,
                       const QString& caption);

} // namespace kv
