// The CSV reader: encodings, separators, quotes and line ends.
#include "FuzzInput.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const kv::SourceSheet sheet =
        kv::readCsv(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    // CSV rows follow each other line by line but may share none: check the general rules only.
    if (!sheet.error.isEmpty() && !sheet.rows.isEmpty())
        std::abort();
    int line = 0;
    for (const kv::SourceRow& row : sheet.rows) {
        if (row.line <= line || row.cells.isEmpty())
            std::abort();
        line = row.line;
    }
    return 0;
}
