#include "core/RecordExport.h"

#include "core/ExcelExport.h"
#include "core/Helpers.h"
#include "core/RecordLog.h"
#include "platform/AppPath.h"
#include "platform/FolderList.h"
#include "platform/XlsWriter.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace recexport {

namespace {
bool CopyWhole(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return !ec;
}
}  // namespace

const std::vector<std::string>& Columns() {
    static const std::vector<std::string> columns{
        "彩信编号", "状态",           "时间",           "姓名",           "手机号",
        "彩信名称", "接收时间",       "资源文件",       "接收彩信资源1", "接收彩信资源2",
        "接收彩信资源3", "接收彩信资源4", "接收彩信资源5"};
    return columns;
}

int ListReceivedMedia(const std::string& folder, const std::string& prefix, const std::string& dest,
                      std::array<std::string, kMediaNames>& names) {
    int copied = 0;
    for (const std::string& name : paths::ListFolder(folder, paths::EntryKind::Files)) {
        if (name == "RecvMMS.smil" || name == "RecvMMS.ini") continue;
        for (std::string& n : names)
            if (n.empty()) {
                n = prefix + name;
                break;
            }
        if (CopyWhole(fs::path(folder) / name, fs::path(dest) / name)) ++copied;
    }
    return copied;
}

std::string MediaSubfolder(const std::string& folder) {
    std::string s = folder;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    const std::size_t cut = s.find_last_of("\\/");
    std::string last = cut == std::string::npos ? s : s.substr(cut + 1);
    if (last == "." || last == "..") last.clear();
    return last;
}

std::string ExportRows(const std::string& fsPath, const std::vector<std::vector<std::string>>& rows,
                       const std::function<bool(std::size_t, std::size_t)>& progress, std::size_t listed) {
    const fs::path file = fs::path(fsPath);
    const fs::path mediaRoot = file.parent_path() / fs::path(kMediaFolder);
    std::error_code ec;
    fs::create_directories(mediaRoot, ec);  // an existing folder is the usual case

    xls::WorkbookWriter w(kSheetName, Columns());
    std::vector<std::string> cells(Columns().size());
    auto cell = [](const std::vector<std::string>& row, std::size_t c) -> const std::string& {
        static const std::string none;
        return c < row.size() ? row[c] : none;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];
        if (w.RowCount() >= xls::kMaxRows) break;
        std::array<std::string, kMediaNames> media;
        const std::string& folder = cell(row, 12);
        if (cell(row, 0) == recstatus::kMmsReceived && folder.find_first_not_of(" \t") != std::string::npos) {
            const std::string sub = MediaSubfolder(folder);
            if (!sub.empty()) {
                const fs::path dest = mediaRoot / fs::path(sub);
                fs::create_directories(dest, ec);
                ListReceivedMedia(paths::ToFsPath(folder), std::string(kMediaFolder) + "\\" + sub + "\\",
                                  dest.string(), media);
            }
        }
        const std::size_t from[8] = {9, 0, 1, 2, 3, 4, 5, 6};
        for (std::size_t c = 0; c < 8; ++c)
            cells[c] = BlankIfEmpty(c == 5 ? ReplaceQuotes(cell(row, from[c])) : cell(row, from[c]));
        for (std::size_t m = 0; m < kMediaNames; ++m) cells[8 + m] = BlankIfEmpty(media[m]);
        w.AddRow(cells);
        if (progress && !progress(i + 1, rows.size()) && i + 1 < rows.size()) return {};
    }
    if (!w.Save(fsPath)) return excel::kWriteFailedText;
    listed = std::max(listed, rows.size());
    if (listed > excel::kMaxSheetRows) return excel::TooManyRowsText(listed);
    return kDoneText;
}

int CopyResourceFiles(const std::string& workFolder, const std::string& dest) {
    std::error_code ec;
    const fs::path to = fs::path(dest);
    fs::create_directories(to, ec);
    if (!fs::is_directory(to, ec)) return -1;
    int copied = 0;
    for (const std::string& name : paths::ListFolder(workFolder, paths::EntryKind::Files)) {
        if (name.find(".xml") != std::string::npos) continue;
        if (!CopyWhole(fs::path(workFolder) / name, to / name)) return -1;
        ++copied;
    }
    return copied;
}

}  // namespace recexport
