// The CSV reader: encodings, separators, quotes, line ends and the shapes of damaged texts.
#include "FuzzInput.h"

#include <QByteArray>

namespace {

// Rows written back as CSV, comma separated and every cell quoted, each row on the line it
// came from; blank lines where the reader left rows of blanks out.
QByteArray written(const kv::SourceSheet& sheet)
{
    QByteArray out;
    int line = 1;
    for (const kv::SourceRow& row : sheet.rows) {
        for (; line < row.line; ++line)
            out += '\n';
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            QString cell = row.cells.at(c);
            cell.replace(u'"', QStringLiteral("\"\""));
            out += (c > 0 ? ",\"" : "\"") + cell.toUtf8() + '"';
            line += int(cell.count(u'\n'));
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const kv::SourceSheet sheet =
        kv::readCsv(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    checkSheet(sheet);
    // A text read whole reads back the same when written out again: no cell lost its quotes,
    // line breaks or separators on the way, and every row keeps its line.
    if (sheet.error.isEmpty()) {
        const kv::SourceSheet again = kv::readCsv(written(sheet));
        if (!again.error.isEmpty() || again.rows.size() != sheet.rows.size())
            std::abort();
        for (qsizetype r = 0; r < sheet.rows.size(); ++r)
            if (again.rows.at(r).line != sheet.rows.at(r).line || again.rows.at(r).cells != sheet.rows.at(r).cells)
                std::abort();
    }
    return 0;
}
