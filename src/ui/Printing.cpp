#include "ui/Printing.h"

#include "data/OutputFiles.h"

#include "data/AppContext.h"
#include "data/FactoryName.h"
#include "data/TextRules.h"
#include "ui/BackgroundWork.h"
#include "ui/CellNumbers.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTableView>

#include <algorithm>
#include <memory>

namespace kv::ui {

namespace {

const QColor kLineColor(128, 128, 128);
const QColor kCaptionBackground(230, 230, 230);

// A title as a file name: characters no file name may hold become "_".
QString fileNameFor(const QString& title)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString name = title.trimmed();
    name.replace(forbidden, QStringLiteral("_"));
    return name;
}

// A print without a title is named after the window that holds the grid.
QString fallbackName(const DataGrid& grid)
{
    for (const QWidget* w = grid.parentWidget(); w; w = w->parentWidget()) {
        if (!w->windowTitle().isEmpty())
            return w->windowTitle();
    }
    return QStringLiteral("打印");
}

struct Layout {
    QList<int> columns;    // grid columns printed, left to right
    QList<double> widths;  // their widths in twips
    QList<int> rows;       // grid rows printed below the caption row
    QList<double> heights; // their heights in twips
    double captionHeight = 0;
    double totalWidth = 0;
};

Layout layoutOf(const DataGrid& grid)
{
    Layout l;
    for (int c = 0; c < grid.cols(); ++c) {
        if (grid.isColHidden(c))
            continue;
        l.columns.append(c);
        l.widths.append(std::max(grid.colWidth(c), 150));
        l.totalWidth += l.widths.last();
    }
    l.captionHeight = std::max(grid.rowHeight(0), 240);
    for (int r = 1; r < grid.rows(); ++r) {
        if (grid.isRowHidden(r))
            continue;
        l.rows.append(r);
        l.heights.append(std::max(grid.rowHeight(r), 240));
    }
    return l;
}

// Number and money columns, and columns whose every shown cell below the captions is a number
// (and at least one is).
QSet<int> numberColumns(const DataGrid& grid, const Layout& layout)
{
    QSet<int> numeric;
    for (int col : layout.columns) {
        if (grid.columnKind(col) != DataGrid::ColumnKind::Text) {
            numeric.insert(col);
            continue;
        }
        bool any = false;
        bool all = true;
        for (int row : layout.rows) {
            const QString text = grid.text(row, col);
            if (text.isEmpty())
                continue;
            any = true;
            if (!plainNumber(text) && !groupedNumber(text)) {
                all = false;
                break;
            }
        }
        if (any && all)
            numeric.insert(col);
    }
    return numeric;
}

class GridPainter {
public:
    GridPainter(QPrinter& printer, const DataGrid& grid, const PrintHeading& heading, const PrintStamp& stamp)
        : m_printer(printer), m_grid(grid), m_heading(heading), m_stamp(stamp), m_layout(layoutOf(grid)),
          m_numeric(numberColumns(grid, m_layout))
    {
    }

    bool print()
    {
        QPainter painter;
        if (!painter.begin(&m_printer))
            return false;
        m_painter = &painter;
        const QRectF area(QPointF(0, 0), m_printer.pageLayout().paintRectPixels(m_printer.resolution()).size());
        m_width = area.width();
        const double perTwip = m_printer.resolution() / 1440.0;
        // A grid wider than the page is printed smaller, so that every column fits.
        m_scale =
            perTwip * std::min(1.0, m_layout.totalWidth > 0 ? area.width() / (m_layout.totalWidth * perTwip) : 1.0);

        QFont body = m_grid.table()->font();
        body.setPointSizeF(std::max(5.0, 9.0 * m_scale / perTwip));
        m_body = body;
        m_factoryFont = m_grid.table()->font();
        m_factoryFont.setPointSizeF(14);
        m_factoryFont.setBold(true);
        m_titleFont = m_factoryFont;
        m_titleFont.setPointSizeF(12);
        m_small = m_grid.table()->font();
        m_small.setPointSizeF(9);
        QFont footer = m_grid.table()->font();
        footer.setPointSizeF(8);

        const double tableTop = headingHeight();
        const double footerHeight = QFontMetricsF(footer, &m_printer).height() * 1.6;
        const double tableBottom = area.height() - footerHeight;
        m_noteHeight = QFontMetricsF(m_body, &m_printer).height() * 1.6;
        const double notes = m_noteHeight * (double(m_heading.notes.size()) + (m_heading.notes.isEmpty() ? 0 : 0.5));

        // Cut the rows into pages, the caption row at the top of each; the notes stay with the
        // last row.
        QList<QPair<int, int>> pages; // [first, end) indexes into m_layout.rows
        int first = 0;
        do {
            double y = tableTop + m_layout.captionHeight * m_scale;
            int end = first;
            while (end < m_layout.rows.size()) {
                const double needed =
                    m_layout.heights.at(end) * m_scale + (end + 1 == m_layout.rows.size() ? notes : 0);
                if (end > first && y + needed > tableBottom)
                    break;
                y += m_layout.heights.at(end) * m_scale;
                ++end;
            }
            pages.append({first, end});
            first = end;
        } while (first < m_layout.rows.size());

        for (qsizetype p = 0; p < pages.size(); ++p) {
            if (p > 0 && !m_printer.newPage())
                return false;
            drawHeading();
            double y = tableTop;
            y += drawRow(0, y, m_layout.captionHeight * m_scale);
            for (int i = pages.at(p).first; i < pages.at(p).second; ++i)
                y += drawRow(m_layout.rows.at(i), y, m_layout.heights.at(i) * m_scale);
            if (p + 1 == pages.size())
                drawNotes(y + m_noteHeight * 0.5);
            painter.setFont(footer);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, tableBottom, area.width(), footerHeight), Qt::AlignCenter,
                             QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pages.size()));
        }
        return painter.end();
    }

private:
    double lineHeight(const QFont& font) const { return QFontMetricsF(font, &m_printer).height() * 1.5; }

    // The factory, the title, then what the grid shows beside the date and the account.
    double headingHeight() const
    {
        return (m_stamp.factory.isEmpty() ? 0 : lineHeight(m_factoryFont)) + lineHeight(m_titleFont) +
               lineHeight(m_small) * 1.2;
    }

    void drawHeading()
    {
        QPainter& painter = *m_painter;
        painter.setPen(Qt::black);
        double y = 0;
        if (!m_stamp.factory.isEmpty()) {
            painter.setFont(m_factoryFont);
            painter.drawText(QRectF(0, y, m_width, lineHeight(m_factoryFont)), Qt::AlignCenter, m_stamp.factory);
            y += lineHeight(m_factoryFont);
        }
        painter.setFont(m_titleFont);
        painter.drawText(QRectF(0, y, m_width, lineHeight(m_titleFont)), Qt::AlignCenter, m_heading.title);
        y += lineHeight(m_titleFont);
        painter.setFont(m_small);
        const QRectF line(0, y, m_width, lineHeight(m_small));
        QString printed = QStringLiteral("打印日期：") + m_stamp.date;
        if (!m_stamp.account.isEmpty())
            printed += QStringLiteral("    打印人：") + m_stamp.account;
        const double printedWidth = QFontMetricsF(m_small, &m_printer).horizontalAdvance(printed);
        const QString subject = QFontMetricsF(m_small, &m_printer)
                                    .elidedText(m_heading.subject, Qt::ElideRight, m_width - printedWidth * 1.1);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, subject);
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, printed);
    }

    void drawNotes(double y)
    {
        QFont bold = m_body;
        bold.setBold(true);
        m_painter->setFont(bold);
        m_painter->setPen(Qt::black);
        for (const QString& note : m_heading.notes) {
            m_painter->drawText(QRectF(0, y, m_width, m_noteHeight), Qt::AlignLeft | Qt::AlignVCenter, note);
            y += m_noteHeight;
        }
    }

    double drawRow(int row, double y, double height)
    {
        QPainter& painter = *m_painter;
        double x = 0;
        for (qsizetype i = 0; i < m_layout.columns.size(); ++i) {
            const int col = m_layout.columns.at(i);
            const QRectF cell(x, y, m_layout.widths.at(i) * m_scale, height);
            const QColor background = row == 0 ? kCaptionBackground : m_grid.cellBackground(row, col);
            if (background != QColor(Qt::white))
                painter.fillRect(cell, background);
            painter.setPen(QPen(kLineColor, 0));
            painter.drawRect(cell);

            QFont font = m_body;
            font.setBold(row > 0 && m_grid.isRowBold(row));
            painter.setFont(font);
            painter.setPen(Qt::black);
            const double pad = 30 * m_scale; // 2 pixels at 96 dpi
            const QRectF textRect = cell.adjusted(pad, 0, -pad, 0);
            const QString text = m_grid.shownText(row, col);
            const QString shown =
                QFontMetricsF(font, &m_printer).elidedText(text, Qt::ElideRight, std::max(0.0, textRect.width()));
            const Qt::Alignment align = row == 0                  ? Qt::AlignHCenter
                                        : m_numeric.contains(col) ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
            painter.drawText(textRect, int(align | Qt::AlignVCenter), shown);
            x += cell.width();
        }
        return height;
    }

    QPrinter& m_printer;
    const DataGrid& m_grid;
    const PrintHeading& m_heading;
    const PrintStamp& m_stamp;
    Layout m_layout;
    QSet<int> m_numeric;
    QPainter* m_painter = nullptr;
    QFont m_body, m_factoryFont, m_titleFont, m_small;
    double m_scale = 1;
    double m_width = 0;
    double m_noteHeight = 0;
};

std::unique_ptr<QPrinter> openPrinter(AppContext& ctx, QWidget* parent, const QString& docName)
{
    std::unique_ptr<QPrinter> printer;
    if (!ctx.printToPdfDir.isEmpty()) {
        const QDir dir(ctx.printToPdfDir);
        if (!QDir().mkpath(dir.absolutePath())) {
            message(parent, QStringLiteral("无法打印到文件夹“%1”。").arg(QDir::toNativeSeparators(dir.absolutePath())),
                    QStringLiteral("打印"), Icon::Warning);
            return nullptr;
        }
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setOutputFileName(dir.filePath(docName + QStringLiteral(".pdf")));
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            message(parent, QStringLiteral("没有找到默认打印机，无法打印。请先安装打印机并把它设为默认打印机。"),
                    QStringLiteral("打印"), Icon::Warning);
            return nullptr;
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setDocName(docName);
    return printer;
}

} // namespace

namespace {
// A print to file is written beside its name and takes the name only when whole: a failed or
// cancelled print leaves no part of itself, and an earlier print of that name stays as it was.
QString partFileOf(const QString& path)
{
    return path + QStringLiteral(".part");
}

std::unique_ptr<QPrinter> openPrinterFor(AppContext& ctx, QWidget* parent, const QString& name)
{
    std::unique_ptr<QPrinter> printer = openPrinter(ctx, parent, name);
    if (printer && printer->outputFormat() == QPrinter::PdfFormat) {
        // The PDF is written into a file made with the permissions its place gives it
        // (OutputFiles.h): wages printed into the data folder are the owner's alone.
        const QString target = printer->outputFileName();
        QString reason;
        if (!createOutputFile(partFileOf(target), target, &reason)) {
            message(parent, QStringLiteral("无法打印到文件“%1”：%2").arg(QDir::toNativeSeparators(target), reason),
                    QStringLiteral("打印"), Icon::Warning);
            return nullptr;
        }
        printer->setOutputFileName(partFileOf(target));
    }
    return printer;
}

bool finishPrint(QPrinter& printer, bool whole)
{
    if (printer.outputFormat() != QPrinter::PdfFormat)
        return whole;
    const QString part = printer.outputFileName();
    const QString target = part.chopped(int(QStringLiteral(".part").size()));
    if (!whole) {
        QFile::remove(part);
        return false;
    }
    return replaceWithOutput(part, target, nullptr);
}

QString documentName(const QString& title)
{
    return fileNameFor(title).isEmpty() ? QStringLiteral("打印") : fileNameFor(title);
}

void reportPrintFailure(QWidget* parent, const QString& name)
{
    message(parent, QStringLiteral("打印“%1”时出错，文档没有打印出来。").arg(name), QStringLiteral("打印"),
            Icon::Warning);
}
} // namespace

bool printPages(AppContext& ctx, QWidget* parent, const QString& title, const std::function<void(QPrinter&)>& setUp,
                const std::function<bool(QPrinter&)>& paint)
{
    const QString name = documentName(title);
    const std::unique_ptr<QPrinter> printer = openPrinterFor(ctx, parent, name);
    if (!printer)
        return false;
    if (setUp)
        setUp(*printer);
    if (!finishPrint(*printer, paint(*printer))) {
        reportPrintFailure(parent, name);
        return false;
    }
    return true;
}

bool printPagesInBackground(AppContext& ctx, QWidget* parent, const QString& title,
                            const std::function<bool(QPrinter&, WorkProgress&)>& paint)
{
    const QString name = documentName(title);
    const std::unique_ptr<QPrinter> printer = openPrinterFor(ctx, parent, name);
    if (!printer)
        return false;
    const WorkOutcome outcome =
        runInBackground(parent, QStringLiteral("打印"), QStringLiteral("正在打印“%1”……").arg(name), true,
                        [&](WorkProgress& progress) { return paint(*printer, progress); });
    if (!finishPrint(*printer, outcome == WorkOutcome::Done)) {
        if (outcome != WorkOutcome::Cancelled)
            reportPrintFailure(parent, name);
        return false;
    }
    return true;
}

PrintStamp printStamp(AppContext& ctx)
{
    PrintStamp stamp;
    // A print goes out without the factory's name rather than not at all.
    try {
        stamp.factory = factoryName(ctx.conn());
    } catch (const DbError&) {
    }
    stamp.date = dateText(ctx.clock().today());
    stamp.account = ctx.session().account();
    return stamp;
}

bool printDocument(AppContext& ctx, QWidget* parent, const DataGrid& grid, const QString& title)
{
    return printDocument(ctx, parent, grid, PrintHeading{title, {}, {}});
}

bool printDocument(AppContext& ctx, QWidget* parent, const DataGrid& grid, const PrintHeading& heading)
{
    PrintHeading shown = heading;
    shown.title = heading.title.trimmed().isEmpty() ? fallbackName(grid) : heading.title.trimmed();
    const PrintStamp stamp = printStamp(ctx);
    return printPages(
        ctx, parent, shown.title,
        [&](QPrinter& printer) {
            // A grid wider than a portrait page but not than a landscape one is turned sideways.
            const Layout layout = layoutOf(grid);
            const double portraitTwips = printer.pageLayout().paintRect(QPageLayout::Inch).width() * 1440.0;
            if (layout.totalWidth > portraitTwips)
                printer.setPageOrientation(QPageLayout::Landscape);
        },
        [&](QPrinter& printer) { return GridPainter(printer, grid, shown, stamp).print(); });
}

} // namespace kv::ui
