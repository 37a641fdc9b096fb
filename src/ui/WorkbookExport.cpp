#include "ui/WorkbookExport.h"

#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/Twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTableWidget>

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>

namespace kv::ui {

namespace {

constexpr qsizetype kMaxCellChars = 32767; // what a spreadsheet cell holds

// A number that a spreadsheet shows exactly as the grid does: no sign but a minus, no leading
// zeros ("001" is a code, not one), at most 15 significant digits (identity numbers are text).
bool plainNumber(const QString& text, double* value)
{
    static const QRegularExpression form(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?$"));
    if (!form.match(text).hasMatch())
        return false;
    QString digits = text;
    digits.remove(u'-');
    digits.remove(u'.');
    while (digits.startsWith(u'0') && digits.size() > 1)
        digits.remove(0, 1);
    if (digits.size() > 15)
        return false;
    *value = text.toDouble();
    return true;
}

// The "#,##0" text of a totals row, read back as its number.
bool groupedNumber(const QString& text, double* value)
{
    static const QRegularExpression form(QStringLiteral("^-?[0-9]{1,3}(,[0-9]{3})*$"));
    if (!form.match(text).hasMatch())
        return false;
    QString digits = text;
    digits.remove(u',');
    return plainNumber(digits, value);
}

QString failure(const QString& filePath, const QString& reason)
{
    return QStringLiteral("无法保存文件“%1”：%2").arg(QDir::toNativeSeparators(filePath), reason);
}

} // namespace

bool saveWorkbook(const DataGrid& grid, const QString& filePath, QString* error)
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

    // The workbook is written under a temporary name beside the target and takes its place only
    // when complete, so a failed export never leaves a broken file or destroys the old one.
    const QString temporary = target.absoluteDir().filePath(
        QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(QCoreApplication::applicationPid()));
    const QByteArray temporaryName = QFile::encodeName(temporary);
    lxw_workbook* workbook = workbook_new(temporaryName.constData());
    if (!workbook) {
        if (error)
            *error = failure(filePath, QStringLiteral("无法创建工作簿。"));
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* boldGrouped = workbook_add_format(workbook);
    format_set_bold(boldGrouped);
    format_set_num_format(boldGrouped, "#,##0");

    QList<int> columns;
    for (int c = 0; c < grid.cols(); ++c)
        if (!grid.isColHidden(c))
            columns.append(c);

    lxw_error written = LXW_NO_ERROR;
    lxw_row_t outRow = 0;
    for (int r = 0; r < grid.rows() && written == LXW_NO_ERROR; ++r) {
        if (grid.isRowHidden(r))
            continue;
        const bool totals = grid.isTotalsRow(r);
        const QTableWidgetItem* first = r == 0 ? nullptr : grid.table()->item(r - 1, 0);
        const bool boldRow = r == 0 || totals || (first && first->font().bold());
        for (qsizetype i = 0; i < columns.size() && written == LXW_NO_ERROR; ++i) {
            const auto outCol = static_cast<lxw_col_t>(i);
            const QString text = grid.text(r, columns.at(i));
            double value = 0;
            if (r > 0 && totals && groupedNumber(text, &value))
                written = worksheet_write_number(sheet, outRow, outCol, value, boldGrouped);
            else if (r > 0 && plainNumber(text, &value))
                written = worksheet_write_number(sheet, outRow, outCol, value, boldRow ? bold : nullptr);
            else if (!text.isEmpty())
                written = worksheet_write_string(sheet, outRow, outCol, text.left(kMaxCellChars).toUtf8().constData(),
                                                 boldRow ? bold : nullptr);
        }
        ++outRow;
    }
    // Column widths follow the grid's, in the spreadsheet's character units (7 pixels each at
    // 96 dpi, plus a margin of 5).
    for (qsizetype i = 0; i < columns.size() && written == LXW_NO_ERROR; ++i) {
        const double px96 = grid.colWidth(columns.at(i)) / 15.0;
        worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i),
                             std::max(1.0, (px96 - 5.0) / 7.0), nullptr);
    }

    const lxw_error closed = workbook_close(workbook);
    const lxw_error result = written != LXW_NO_ERROR ? written : closed;
    if (result != LXW_NO_ERROR) {
        QFile::remove(temporary);
        if (error)
            *error = failure(filePath, QString::fromUtf8(lxw_strerror(result)));
        return false;
    }
    std::error_code failed;
    std::filesystem::rename(std::filesystem::path(temporaryName.toStdString()),
                            std::filesystem::path(QFile::encodeName(target.absoluteFilePath()).toStdString()), failed);
    if (failed) {
        QFile::remove(temporary);
        if (error)
            *error = failure(
                filePath,
                QStringLiteral("文件可能正被其他程序打开。(%1)").arg(QString::fromLocal8Bit(failed.message().c_str())));
        return false;
    }
    return true;
}

bool exportGrid(QWidget* parent, const DataGrid& grid, const QString& filePath)
{
    QString error;
    if (!saveWorkbook(grid, filePath, &error)) {
        message(parent, error, QStringLiteral("导出失败"), Icon::Warning);
        return false;
    }
    message(parent, QStringLiteral("己导出Excel文件到%1，请到该目录打开查看").arg(QDir::toNativeSeparators(filePath)),
            QStringLiteral("成功导出！"), Icon::Information);
    return true;
}

} // namespace kv::ui
