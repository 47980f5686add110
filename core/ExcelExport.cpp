#include "core/ExcelExport.h"

#include "core/Helpers.h"
#include "platform/Seams.h"
#include "platform/XlsWriter.h"

#include <filesystem>
#include <system_error>

namespace excel {

static_assert(kMaxSheetRows + 1 == xls::kMaxRows);

std::string TooManyRowsText(std::size_t listed) {
    const std::size_t left = listed > kMaxSheetRows ? listed - kMaxSheetRows : 0;
    return "Excel 97-2003工作表最多容纳" + std::to_string(kMaxSheetRows) + "行记录：已写入" +
           std::to_string(kMaxSheetRows) + "行，其余" + std::to_string(left) + "行未导出！";
}

std::optional<std::string> AskExcelExportPath(const std::string& title) {
    seam::FileDialogRequest req;
    req.save = true;
    req.title = title;
    req.filter = kFilter;
    req.defaultExt = kDefaultExt;
    std::optional<std::string> path = seam::AskFile(req);
    if (!path) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path p(*path);
    const auto st = std::filesystem::symlink_status(p, ec);
    if (std::filesystem::exists(st)) {
        // Only a file is ours to delete; a folder of that name is never removed.
        if (std::filesystem::is_directory(st) || !std::filesystem::remove(p, ec) || ec) {
            ShowMessage(kDeleteFailedText);
            return std::nullopt;
        }
    }
    return path;
}

}  // namespace excel
