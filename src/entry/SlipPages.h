#pragma once

#include <QList>

namespace kv {

struct WageSlip;

// What a printed wage slip is made of, top to bottom: a title (the factory's name), the
// employee's line, the production lines under their caption, the deduction lines under theirs,
// the three totals and the line for the worker's signature. A table without lines is left out.
enum class SlipRowKind {
    Title,
    Employee,
    ProductionCaption,
    ProductionLine,
    DeductionCaption,
    DeductionLine,
    Totals,
    Signature
};

struct SlipRow {
    SlipRowKind kind;
    int line = -1; // index into the slip's production or deduction lines
    bool operator==(const SlipRow&) const = default;
};

// The piece of one slip that stands on one page. A slip too long for a page is cut into parts,
// each under the slip's title and employee line (and the caption of a table cut in two), and
// numbered "第 part+1 页" of partCount.
struct SlipPart {
    int slip = 0; // index into the slips printed
    int part = 0;
    int partCount = 1;
    QList<SlipRow> rows;
};

struct SlipPage {
    QList<SlipPart> parts; // top to bottom, a cut line between two of them
};

// Heights in any one unit (the printer's pixels when printing).
struct SlipMetrics {
    double page = 0;  // usable height of a page
    double title = 0; // the title row
    double row = 0;   // every other row
    double cut = 0;   // the space between two slips on a page, with the cut line in its middle
};

double rowHeight(const SlipMetrics& m, SlipRowKind kind);

// Puts the slips on pages in their order: as many whole slips on a page as fit, a slip that
// does not fit the rest of a page on the next, and a slip longer than a page on pages of its own
// (what follows its last part may share that page). A caption never ends a part, and the totals
// and the signature stay with the last line. Every line of every slip is placed exactly once.
QList<SlipPage> layOutSlips(const QList<WageSlip>& slips, const SlipMetrics& metrics);

} // namespace kv
