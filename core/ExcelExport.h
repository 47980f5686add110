#pragma once
// The convention every Excel export of the program follows: the save dialog, the extension,
// an existing file deleted first, and the failure text. The workbook itself is written by
// xls::WorkbookWriter.
#include <cstddef>
#include <optional>
#include <string>

namespace excel {

inline constexpr char kFilter[] = "电子表格文件(*.XLS)|*.XLS|";
inline constexpr char kDefaultExt[] = "XLS";
inline constexpr char kDeleteFailedText[] = "删除原有Excel文件失败！\n请选择新的Excel文件名";
inline constexpr char kWriteFailedText[] = "Excel驱动没有安装，Excel文件写入失败！";

// Data rows an Excel 97-2003 sheet holds below its header row.
inline constexpr std::size_t kMaxSheetRows = 65535;
// What an export of listed rows says when they were more than a sheet holds: the first
// kMaxSheetRows were written, the others left out.
std::string TooManyRowsText(std::size_t listed);

// Asks for the workbook to write through the save dialog titled title. An existing file of
// that name is deleted; when that fails the user is told kDeleteFailedText. The path, or
// nothing when cancelled or the old file stays.
std::optional<std::string> AskExcelExportPath(const std::string& title);

}  // namespace excel
