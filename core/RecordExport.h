#pragma once
// Record export without a widget: what a records page lists as an Excel 97-2003 workbook (table
// 彩信记录, received MMS with copies of their media beside it), and a package's resource files
// copied out of the work folder.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace recexport {

inline constexpr char kSheetName[] = "彩信记录";
inline constexpr char kMediaFolder[] = "彩信资源";
inline constexpr char kDoneText[] = "Excel文件导出成功！";
inline constexpr std::size_t kMediaNames = 5;

// The sheet's 13 column names.
const std::vector<std::string>& Columns();

// Copies every file of the received-MMS folder (file-system path) but "RecvMMS.ini" and
// "RecvMMS.smil" into dest, in the sorted order of paths::ListFolder, and names the first five
// prefix + file name in names. A file that cannot be copied is skipped. Returns the number of
// files copied.
int ListReceivedMedia(const std::string& folder, const std::string& prefix, const std::string& dest,
                      std::array<std::string, kMediaNames>& names);

// The subfolder name a received MMS's media go into: the last part of its folder (after the
// last "\" or "/"). Empty when that part is empty, "." or "..", which would put the media into
// the export folder itself or beside the workbook.
std::string MediaSubfolder(const std::string& folder);

// Writes the rows (13 list cells each, as the page lists them) to the workbook fsPath and the
// media of received MMS into "彩信资源" beside it. Every value goes as it is, empty as one blank;
// column 4 with its single quotes turned into double quotes. Of a list over 65,535 rows the
// first 65,535 are written; listed is the list's row count when rows holds only its first part.
// progress(done, total) after each row; false stops the export there and no workbook is written.
// The message to show: kDoneText, the text of rows left out, or the failure text of the Excel
// convention; empty when stopped.
std::string ExportRows(const std::string& fsPath, const std::vector<std::vector<std::string>>& rows,
                       const std::function<bool(std::size_t done, std::size_t total)>& progress = {},
                       std::size_t listed = 0);

// Copies every file of the work folder whose name does not contain ".xml" into dest (created
// first). The number of files copied, or -1 when the folder could not be made or a copy failed.
int CopyResourceFiles(const std::string& workFolder, const std::string& dest);

}  // namespace recexport
