#include "ui/WorkbookExport.h"

#include "data/OutputFiles.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"
#include "ui/XlsxLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace kv::ui {

namespace {

constexpr qsizetype kMaxCellChars = 32767; // what a spreadsheet cell holds

QString failure(const QString& filePath, const QString& reason)
{
    return QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(filePath), reason);
}

// A workbook under construction: one sheet, two formats.
struct SheetWriter {
    const XlsxFunctions& lxw;
    lxw_workbook* workbook;
    lxw_worksheet* sheet;
    lxw_format* bold;
    lxw_format* money;     // money cells: thousands separators, two to six places
    lxw_format* boldMoney; // the sums of totals rows
};

// Money as the grids show it: at least two places, and any further place the exact value has.
constexpr auto kMoneyFormat = "#,##0.00####";

// Writes a workbook through `write` under a temporary name beside the target, which it
// replaces only when complete, so a failed export never leaves a broken file or destroys the
// old one.
bool writeWorkbook(const QString& filePath, QString* error, const std::function<lxw_error(const SheetWriter&)>& write,
                   const QString& firstSheetName = {})
{
    const QFileInfo target(filePath);
    if (!target.absoluteDir().exists()) {
        if (error)
            *error = failure(filePath, QStringLiteral("文件夹不存在。"));
        return false;
    }
    if (target.isDir()) {
        if (error)
            *error = failure(filePath, QStringLiteral("同名的文件夹已存在。"));
        return false;
    }

    // The workbook library writes the file at the end, into the file made here with its
    // permissions (OutputFiles.h).
    const QString temporary = temporaryNameFor(filePath);
    QString reason;
    if (!createOutputFile(temporary, filePath, &reason)) {
        if (error)
            *error = failure(filePath, reason);
        return false;
    }
    const QByteArray temporaryName = QFile::encodeName(temporary);
    QString missing;
    const XlsxFunctions* lxw = loadXlsx(&missing);
    if (!lxw) {
        if (error)
            *error = failure(filePath, missing);
        return false;
    }
    lxw_workbook* workbook = lxw->workbook_new(temporaryName.constData());
    if (!workbook) {
        QFile::remove(temporary);
        if (error)
            *error = failure(filePath, QStringLiteral("无法创建工作簿。"));
        return false;
    }
    const QByteArray sheetName = firstSheetName.toUtf8();
    SheetWriter writer{*lxw,
                       workbook,
                       lxw->workbook_add_worksheet(workbook, sheetName.isEmpty() ? nullptr : sheetName.constData()),
                       lxw->workbook_add_format(workbook),
                       lxw->workbook_add_format(workbook),
                       lxw->workbook_add_format(workbook)};
    lxw->format_set_bold(writer.bold);
    lxw->format_set_num_format(writer.money, kMoneyFormat);
    lxw->format_set_bold(writer.boldMoney);
    lxw->format_set_num_format(writer.boldMoney, kMoneyFormat);

    const lxw_error written = write(writer);
    const lxw_error closed = lxw->workbook_close(workbook);
    const lxw_error result = written != LXW_NO_ERROR ? written : closed;
    if (result != LXW_NO_ERROR) {
        QFile::remove(temporary);
        if (error)
            *error = failure(filePath, QString::fromUtf8(lxw->lxw_strerror(result)));
        return false;
    }
    if (!replaceWithOutput(temporary, filePath, &reason)) {
        if (error)
            *error = failure(filePath, reason);
        return false;
    }
    return true;
}

// Column widths in the spreadsheet's character units (7 pixels each at 96 dpi, plus a margin
// of 5).
lxw_error setWidths(const SheetWriter& w, const QList<int>& widthsTwips)
{
    for (qsizetype i = 0; i < widthsTwips.size(); ++i) {
        const double px96 = widthsTwips.at(i) / 15.0;
        const lxw_error e = w.lxw.worksheet_set_column(w.sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i),
                                                       std::max(1.0, (px96 - 5.0) / 7.0), nullptr);
        if (e != LXW_NO_ERROR)
            return e;
    }
    return LXW_NO_ERROR;
}

void reportExport(QWidget* parent, bool saved, const QString& error, const QString& filePath)
{
    if (!saved) {
        message(parent, error, QStringLiteral("导出失败"), Icon::Warning);
        return;
    }
    message(parent, QStringLiteral("己导出Excel文件到%1，请到该目录打开查看").arg(QDir::toNativeSeparators(filePath)),
            QStringLiteral("成功导出！"), Icon::Information);
}
} // namespace

bool saveWorkbook(const DataGrid& grid, const QString& filePath, QString* error)
{
    QList<int> columns;
    QList<int> widths;
    for (int c = 0; c < grid.cols(); ++c) {
        if (!grid.isColHidden(c)) {
            columns.append(c);
            widths.append(grid.colWidth(c));
        }
    }
    return writeWorkbook(filePath, error, [&](const SheetWriter& w) {
        lxw_error written = LXW_NO_ERROR;
        lxw_row_t outRow = 0;
        for (int r = 0; r < grid.rows() && written == LXW_NO_ERROR; ++r) {
            if (grid.isRowHidden(r))
                continue;
            const bool totals = grid.isTotalsRow(r);
            const bool boldRow = grid.isRowBold(r);
            for (qsizetype i = 0; i < columns.size() && written == LXW_NO_ERROR; ++i) {
                const auto outCol = static_cast<lxw_col_t>(i);
                const QString text = grid.text(r, columns.at(i));
                // Only the cells of number columns are numbers: a remark or a number such as
                // "1.50" or "-0" in a text column stays the text it is.
                const DataGrid::ColumnKind kind = grid.columnKind(columns.at(i));
                const std::optional<Decimal> sum = totals ? grid.totalsValue(r, columns.at(i)) : std::nullopt;
                const std::optional<Decimal> value =
                    r > 0 && kind != DataGrid::ColumnKind::Text ? Decimal::fromCellText(text) : std::nullopt;
                if (sum)
                    written = w.lxw.worksheet_write_number(w.sheet, outRow, outCol, sum->toDouble(), w.boldMoney);
                else if (value && kind == DataGrid::ColumnKind::Money)
                    written = w.lxw.worksheet_write_number(w.sheet, outRow, outCol, value->toDouble(),
                                                           boldRow ? w.boldMoney : w.money);
                else if (value)
                    written = w.lxw.worksheet_write_number(w.sheet, outRow, outCol, value->toDouble(),
                                                           boldRow ? w.bold : nullptr);
                else if (!text.isEmpty())
                    written = w.lxw.worksheet_write_string(w.sheet, outRow, outCol,
                                                           text.left(kMaxCellChars).toUtf8().constData(),
                                                           boldRow ? w.bold : nullptr);
            }
            ++outRow;
        }
        return written == LXW_NO_ERROR ? setWidths(w, widths) : written;
    });
}

namespace {
// Writes the rows into the sheet of `w`: texts as texts (never formulas), amounts as numbers.
lxw_error writeRows(const SheetWriter& w, const SheetRows& rows, const QList<int>& widthsTwips)
{
    for (qsizetype r = 0; r < rows.size(); ++r) {
        for (qsizetype c = 0; c < rows.at(r).size(); ++c) {
            const SheetCell& cell = rows.at(r).at(c);
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            lxw_format* format = cell.bold ? w.bold : nullptr;
            lxw_error e = LXW_NO_ERROR;
            if (cell.number)
                e = w.lxw.worksheet_write_number(w.sheet, row, col, cell.number->toDouble(),
                                                 cell.bold ? w.boldMoney : w.money);
            else if (!cell.text.isEmpty())
                e = w.lxw.worksheet_write_string(w.sheet, row, col, cell.text.left(kMaxCellChars).toUtf8().constData(),
                                                 format);
            if (e != LXW_NO_ERROR)
                return e;
        }
    }
    return setWidths(w, widthsTwips);
}
} // namespace

bool saveSheet(const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath, QString* error)
{
    return writeWorkbook(filePath, error, [&](const SheetWriter& w) { return writeRows(w, rows, widthsTwips); });
}

bool saveSheets(const QList<NamedSheet>& sheets, const QString& filePath, QString* error)
{
    return writeWorkbook(
        filePath, error,
        [&](const SheetWriter& first) {
            for (qsizetype i = 0; i < sheets.size(); ++i) {
                SheetWriter w = first;
                if (i > 0) {
                    const QByteArray name = sheets.at(i).name.toUtf8();
                    w.sheet = w.lxw.workbook_add_worksheet(first.workbook, name.constData());
                    if (!w.sheet)
                        return LXW_ERROR_SHEETNAME_ALREADY_USED;
                }
                if (const lxw_error e = writeRows(w, sheets.at(i).rows, sheets.at(i).widthsTwips); e != LXW_NO_ERROR)
                    return e;
            }
            return LXW_NO_ERROR;
        },
        sheets.isEmpty() ? QString() : sheets.first().name);
}

bool exportGrid(QWidget* parent, const DataGrid& grid, const QString& filePath)
{
    QString error;
    const bool saved = saveWorkbook(grid, filePath, &error);
    reportExport(parent, saved, error, filePath);
    return saved;
}

bool exportSheets(QWidget* parent, const QList<NamedSheet>& sheets, const QString& filePath)
{
    QString error;
    const bool saved = saveSheets(sheets, filePath, &error);
    reportExport(parent, saved, error, filePath);
    return saved;
}

bool exportSheet(QWidget* parent, const SheetRows& rows, const QList<int>& widthsTwips, const QString& filePath)
{
    QString error;
    const bool saved = saveSheet(rows, widthsTwips, filePath, &error);
    reportExport(parent, saved, error, filePath);
    return saved;
}

} // namespace kv::ui
