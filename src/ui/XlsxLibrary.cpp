#include "ui/XlsxLibrary.h"

#include "data/LateLibrary.h"

namespace kv::ui {

const XlsxFunctions* loadXlsx(QString* error)
{
    return lateTable<XlsxFunctions>(
        KV_XLSXWRITER_SONAME, QStringLiteral("导出工作簿"),
        [](LateLibrary& library, XlsxFunctions& f) {
            library.resolve(f.format_set_bold, "format_set_bold");
            library.resolve(f.format_set_num_format, "format_set_num_format");
            library.resolve(f.lxw_strerror, "lxw_strerror");
            library.resolve(f.workbook_add_format, "workbook_add_format");
            library.resolve(f.workbook_add_worksheet, "workbook_add_worksheet");
            library.resolve(f.workbook_close, "workbook_close");
            library.resolve(f.workbook_new, "workbook_new");
            library.resolve(f.worksheet_set_column, "worksheet_set_column");
            library.resolve(f.worksheet_write_number, "worksheet_write_number");
            library.resolve(f.worksheet_write_string, "worksheet_write_string");
        },
        error);
}

} // namespace kv::ui
