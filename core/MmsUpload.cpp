#include "core/MmsUpload.h"

#include "compose/MMSPackage.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/MsgRecord.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/TextCodec.h"

#include <cstdio>
#include <mutex>

namespace mmsupload {

int TakeUploadSerial() {
    const int serial = g_nSerialNo.fetch_add(1);
    SaveSerialNo();
    return serial;
}

void ReturnUploadSerial(int serial) {
    int next = serial + 1;
    if (g_nSerialNo.compare_exchange_strong(next, serial)) SaveSerialNo();
}

std::string UploadUnderSerial(const std::function<std::string(int serial)>& upload) {
    const int serial = TakeUploadSerial();
    std::string list = upload(serial);
    if (list.empty()) ReturnUploadSerial(serial);
    return list;
}

std::string UploadPrefix(int serial) {
    const clk::LocalTime t = clk::Now();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d%02d%02d%02d%02d%02d", serial, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

UploadPlan PlanPackageUpload(const CMMSPackage& package, int serial) {
    UploadPlan plan;
    const std::string prefix = UploadPrefix(serial);
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const char* names[5];
        mmspkg::FrameNames(package.Frames()[i], names);
        for (const char* n : names) {
            if (!*n) continue;
            std::string name = codec::FromGbk(n);
            plan.local.push_back(package.WorkFile(n));
            // "#" and "|" separate the list and the URLs: never inside a remote name.
            for (char& c : name)
                if (c == '#' || c == '|') c = '_';
            std::string remote = prefix + "-" + name;
            plan.list += remote;
            plan.list += '#';
            plan.remote.push_back(std::move(remote));
        }
    }
    return plan;
}

}  // namespace mmsupload

int FtpUpload(const std::vector<std::string>& remoteNames, const std::vector<std::string>& localPaths) {
    static constexpr const char* kConnect = "提交彩信文件时，连接服务器失败。";
    static constexpr const char* kOpen = "提交彩信文件时，打开目标文件失败。";
    static constexpr const char* kWrite = "提交彩信文件时，写入目标文件失败。";
    const LoginInfo info = GetLoginInfo();
    ftp::Server server{info.strFtpServer, info.nFtpPort, info.strFtpUser, info.strFtpPassword};
    // A file larger than the transfer buffer fails the upload before any file goes up.
    for (const std::string& p : localPaths) {
        if (paths::FileSize(p) > mmsupload::kMaxFileBytes) {
            WriteRunLog("彩信文件超过100000字节，未上传：" + p);
            ShowMessage(kWrite, 0);
            return 0;
        }
    }
    const ftp::Result r = ftp::Upload(server, remoteNames, localPaths);
    switch (r.status) {
    case ftp::Status::Ok: return 1;
    case ftp::Status::ConnectFailed: ShowMessage(kConnect, 0); break;
    case ftp::Status::OpenFailed: ShowMessage(kOpen, 0); break;
    case ftp::Status::WriteFailed: ShowMessage(kWrite, 0); break;
    }
    if (!r.error.empty()) WriteRunLog("FTP: " + r.error);
    return 0;
}

std::string UploadPackageFiles(CMMSPackage& package, const std::string& strPackagePath, int nSerialNo) {
    package.Open(strPackagePath);
    const mmsupload::UploadPlan plan = mmsupload::PlanPackageUpload(package, nSerialNo);
    if (codec::GbkLength(plan.list) >= sizeof(MsgRecord::szFiles)) {
        // The queue would refuse it after the upload: send nothing.
        WriteRunLog("彩信文件列表过长，未上传：" + strPackagePath);
        package.Reset();
        return {};
    }
    const int ok = FtpUpload(plan.remote, plan.local);
    package.Reset();
    return ok ? plan.list : std::string();
}
