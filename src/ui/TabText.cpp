#include "ui/TabText.h"

namespace kv::ui {

namespace {
QString field(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}
} // namespace

QString tabSeparated(const QList<QStringList>& lines)
{
    QString out;
    for (const QStringList& line : lines) {
        QStringList fields;
        for (const QString& cell : line)
            fields << field(cell);
        out += fields.join(u'\t') + u'\n';
    }
    return out;
}

} // namespace kv::ui
