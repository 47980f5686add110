#include "core/RecordForward.h"

#include "core/FileUtil.h"
#include "core/Helpers.h"
#include "core/RecordLog.h"
#include "platform/AppPath.h"

#include <algorithm>

namespace recforward {

ForwardKind ForwardKindOf(const std::string& status) {
    if (!recstatus::IsKnown(status)) return ForwardKind::None;
    if (status == recstatus::kMmsReceived) return ForwardKind::ReceivedMms;
    return recstatus::IsSms(status) ? ForwardKind::Sms : ForwardKind::Mms;
}

int ForwardRecord(const RecordRow& row, const std::vector<std::string>& numbers, const std::string& title,
                  bool mmsFiles, const Writers& writers, const Progress& progress) {
    const ForwardKind kind = ForwardKindOf(row.status);
    if (kind != ForwardKind::Sms && kind != ForwardKind::Mms) return 0;
    std::vector<std::string> valid;
    for (const std::string& n : numbers)
        if (IsValidMobileNumber(n)) valid.push_back(n);
    const int k = static_cast<int>(valid.size());
    const int base = CFileUtil::GetNextSerial(k + 1);
    for (int i = 0; i < k; ++i) {
        if (kind == ForwardKind::Sms) writers.sms(base + i, valid[i], std::string(), row.text);
        else writers.mms(base + i, valid[i], mmsFiles ? row.files : std::string(), title, row.package);
        if (progress && !progress(static_cast<std::size_t>(i) + 1, valid.size())) return i + 1;
    }
    return k;
}

std::string PackagePath(const std::string& package) { return g_strAppPath + "\\MMSSink\\" + package + ".qmx"; }

ResendResult ResendRecords(const std::vector<RecordRow>& rows, const Writers& writers, const UploadFn& upload,
                           const Progress& progress) {
    ResendResult res;
    const std::size_t total = std::min(rows.size(), kMaxResendRows);
    for (std::size_t i = 0; i < total; ++i) {
        const RecordRow& row = rows[i];
        if (IsValidMobileNumber(row.number)) {
            if (!upload) {
                writers.sms(CFileUtil::GetNextSerial(1), row.number, row.name, row.text);
                ++res.queued;
            } else {
                const std::string path = PackagePath(row.package);
                if (!paths::FileExists(paths::ToFsPath(path))) {
                    res.missingPackage = true;
                } else if (const std::string files = upload(path); !files.empty()) {
                    writers.mms(CFileUtil::GetNextSerial(1), row.number, files, row.text, row.package);
                    ++res.queued;
                }
            }
        }
        if (progress && !progress(i + 1, total)) {
            res.stopped = i + 1 < total;
            break;
        }
    }
    return res;
}

}  // namespace recforward
