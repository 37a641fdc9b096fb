#pragma once

#include "maintenance/Backup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScopeGuard>

class QWidget;

namespace kv {

// Runs work on the whole database with the wait cursor up: copying or clearing a year of
// lines of a large factory takes a moment.
template <class Work> auto withWaitCursor(Work&& work)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    return work();
}

// Tells the user that a backup or restore did not take place and why (`what` leads the text),
// and when the connection could not be opened again afterwards. Silent when all went well.
void reportCopyFailure(QWidget* parent, AppContext& ctx, const CopyOutcome& outcome, const QString& what,
                       const QString& caption);

} // namespace kv
