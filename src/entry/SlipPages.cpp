#include "entry/SlipPages.h"

#include "entry/WageSlip.h"

namespace kv {

namespace {
using Kind = SlipRowKind;

bool isCaption(Kind k)
{
    return k == Kind::ProductionCaption || k == Kind::DeductionCaption;
}

// The rows between the employee line and the totals.
QList<SlipRow> bodyRows(const WageSlip& slip)
{
    QList<SlipRow> rows;
    if (!slip.production.isEmpty())
        rows.append({Kind::ProductionCaption});
    for (int i = 0; i < slip.production.size(); ++i)
        rows.append({Kind::ProductionLine, i});
    if (!slip.deductions.isEmpty())
        rows.append({Kind::DeductionCaption});
    for (int i = 0; i < slip.deductions.size(); ++i)
        rows.append({Kind::DeductionLine, i});
    return rows;
}

double heightOf(const SlipMetrics& m, const QList<SlipRow>& rows)
{
    double h = 0;
    for (const SlipRow& r : rows)
        h += rowHeight(m, r.kind);
    return h;
}

const QList<SlipRow> kHead{{Kind::Title}, {Kind::Employee}};
const QList<SlipRow> kFoot{{Kind::Totals}, {Kind::Signature}};

// Cuts a slip into parts no higher than a page.
QList<QList<SlipRow>> cutIntoParts(const QList<SlipRow>& body, const SlipMetrics& m)
{
    QList<QList<SlipRow>> parts;
    const double foot = heightOf(m, kFoot);
    qsizetype i = 0;
    for (;;) {
        QList<SlipRow> part = kHead;
        double h = heightOf(m, kHead);
        // A table cut in two goes on under its caption.
        if (i > 0 && i < body.size() && !isCaption(body.at(i).kind) && body.at(i).kind == body.at(i - 1).kind) {
            const Kind caption =
                body.at(i).kind == Kind::ProductionLine ? Kind::ProductionCaption : Kind::DeductionCaption;
            part.append({caption});
            h += m.row;
        }
        int placed = 0;
        while (i < body.size()) {
            // A caption goes on with its first line, as one unit.
            const qsizetype unit = isCaption(body.at(i).kind) && i + 1 < body.size() ? 2 : 1;
            double needed = 0;
            for (qsizetype k = i; k < i + unit; ++k)
                needed += rowHeight(m, body.at(k).kind);
            const double placedHeight = needed;
            if (i + unit == body.size())
                needed += foot; // the last line keeps the totals below it
            // At least one unit goes on every part, so that a page too small still ends.
            if (h + needed > m.page && placed > 0)
                break;
            for (qsizetype k = i; k < i + unit; ++k)
                part.append(body.at(k));
            h += placedHeight;
            ++placed;
            i += unit;
        }
        if (i == body.size()) {
            part.append(kFoot);
            parts.append(part);
            return parts;
        }
        parts.append(part);
    }
}
} // namespace

double rowHeight(const SlipMetrics& m, SlipRowKind kind)
{
    return kind == Kind::Title ? m.title : m.row;
}

QList<SlipPage> layOutSlips(const QList<WageSlip>& slips, const SlipMetrics& m)
{
    QList<SlipPage> pages;
    double used = 0; // height taken on the last page
    const auto startPage = [&] {
        pages.append(SlipPage{});
        used = 0;
    };
    for (int s = 0; s < slips.size(); ++s) {
        const QList<SlipRow> body = bodyRows(slips.at(s));
        QList<SlipRow> whole = kHead + body + kFoot;
        const double height = heightOf(m, whole);
        const auto place = [&](const SlipPart& part, double h) {
            if (pages.isEmpty())
                startPage();
            used += (pages.last().parts.isEmpty() ? 0 : m.cut) + h;
            pages.last().parts.append(part);
        };

        const double gap = pages.isEmpty() || pages.last().parts.isEmpty() ? 0 : m.cut;
        if (!pages.isEmpty() && used + gap + height <= m.page) {
            place({s, 0, 1, whole}, height);
            continue;
        }
        if (height <= m.page) {
            startPage();
            place({s, 0, 1, whole}, height);
            continue;
        }
        const QList<QList<SlipRow>> parts = cutIntoParts(body, m);
        for (int p = 0; p < parts.size(); ++p) {
            startPage();
            place({s, p, int(parts.size()), parts.at(p)}, heightOf(m, parts.at(p)));
        }
    }
    return pages;
}

} // namespace kv
