#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace kv {

class AppContext;

// What restoring a backup would undo: what the present data hold that the backup does not.
struct RestoreLoss {
    // Months closed in the present data that the backup has open ("2008-4"), in calendar order.
    QStringList monthsClosedSince;
    // Production and deduction lines saved since the backup (lines the backup lacks), by the
    // month of their date, in calendar order.
    QList<std::pair<QString, qint64>> linesSince;
    // The backup opened but a table of it could not be read whole: the figures may be short.
    bool partial = false;

    qint64 lines() const;
};

// Compares the named file of the backup folder with the data open on the shared connection
// (file or server). Nothing when the backup does not open with the present key or the one of
// earlier versions: the restore itself then says why it cannot use it. Reads only.
std::optional<RestoreLoss> restoreLoss(AppContext& ctx, const QString& backupName);

// The question asked before a restore: which backup, and what it undoes.
QString restoreQuestion(const QString& backupName, const RestoreLoss& loss);

} // namespace kv
