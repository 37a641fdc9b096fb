#pragma once

#include <xlsxwriter.h>

#include <QString>

namespace kv::ui {

// The functions of the workbook writer (libxlsxwriter) that the export calls, opened at the
// first export rather than at every start of the program.
struct XlsxFunctions {
    decltype(&::format_set_bold) format_set_bold = nullptr;
    decltype(&::format_set_num_format) format_set_num_format = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;
    decltype(&::workbook_add_format) workbook_add_format = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::workbook_new) workbook_new = nullptr;
    decltype(&::worksheet_set_column) worksheet_set_column = nullptr;
    decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
};

// The writer's functions; null with the reason in *error (when given) while the library or one of
// its functions is missing.
const XlsxFunctions* loadXlsx(QString* error);

} // namespace kv::ui
