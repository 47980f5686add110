#pragma once
// Upload of MMS files to the platform's FTP server: the file list of a package under the upload
// prefix, and the upload itself with its three messages.
#include <functional>
#include <string>
#include <vector>

class CMMSPackage;

namespace mmsupload {

// A transfer buffer's worth: a larger file is not uploaded.
constexpr long long kMaxFileBytes = 100000;

// Takes the request serial for one upload and raises g_nSerialNo at once (saving "流水号"),
// so two uploaders never share a prefix.
int TakeUploadSerial();
// Hands back a serial taken for an upload that produced no names: g_nSerialNo goes back down
// (saving "流水号") unless a later number was taken meanwhile, which keeps the gap.
void ReturnUploadSerial(int serial);
// Runs upload(serial) under a serial taken for it; the serial stays used only when the upload
// returns names.
std::string UploadUnderSerial(const std::function<std::string(int serial)>& upload);

// "%d%02d%02d%02d%02d%02d" of the serial and the platform clock's month, day, hour, minute, second.
std::string UploadPrefix(int serial);

// The files of a package's frames in upload order (per frame: text, sound, image, app, video),
// their remote names ("<prefix>-<name>", "#" and "|" of a name as "_") and the uploaded-name
// list (each remote name followed by "#").
struct UploadPlan {
    std::vector<std::string> remote;
    std::vector<std::string> local;
    std::string list;
};
UploadPlan PlanPackageUpload(const CMMSPackage& package, int serial);

}  // namespace mmsupload

// Uploads local file i under remote name i over one login; shows "提交彩信文件时，连接服务器失败。",
// "…打开目标文件失败。" or "…写入目标文件失败。" and returns 0 on failure, 1 when done.
int FtpUpload(const std::vector<std::string>& remoteNames, const std::vector<std::string>& localPaths);

// Opens the package file into the package, uploads its frame files under the serial's prefix and
// resets the package; returns the uploaded-name list, empty on failure. A list that would not fit
// a queue row's file field uploads nothing.
std::string UploadPackageFiles(CMMSPackage& package, const std::string& strPackagePath, int nSerialNo);
