#pragma once

#include "master/ImportFile.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

// The workbook readers open files by name: each input is written to one file of this process.
inline QString fuzzInputFile(const char* suffix, const uint8_t* data, size_t size)
{
    static const QString path = [suffix] {
        const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        return QStringLiteral("%1/kelvaro-fuzz-%2.%3").arg(dir).arg(getpid()).arg(QLatin1String(suffix));
    }();
    static const bool removedAtExit = [] { return std::atexit([] { QFile::remove(path); }) == 0; }();
    (void)removedAtExit;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

// What every answer of a reader keeps to: an error and no rows, or rows within the limits.
inline void checkSheet(const kv::SourceSheet& sheet)
{
    if (!sheet.error.isEmpty() && !sheet.rows.isEmpty())
        std::abort();
    qint64 cells = 0;
    int line = 0;
    for (const kv::SourceRow& row : sheet.rows) {
        cells += row.cells.size();
        if (row.line <= line || row.line > kv::ImportLimits::maxRows || row.cells.size() > kv::ImportLimits::maxColumns)
            std::abort();
        line = row.line;
        for (const int column : row.longNumbers)
            if (column < 0 || column >= row.cells.size())
                std::abort();
    }
    if (cells > kv::ImportLimits::maxCells)
        std::abort();
}
