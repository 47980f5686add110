#pragma once
// Resend and forward of records without a widget: the queueing of resent rows
// (an MMS after a fresh upload of its package) and of a record forwarded to new numbers. Both
// records pages call it; the page supplies the queue writers, the upload and the progress.
#include <functional>
#include <string>
#include <vector>

namespace recforward {

// Rows a resend reads at most.
inline constexpr std::size_t kMaxResendRows = 100000;

inline constexpr char kResendDoneText[] =
    "已将选中信息再次加入了发送队列！\r\n\r\n使用技巧提示：按下ctrl键或shift键时可以一次选中多条记录。";
inline constexpr char kNoPackageText[] = "彩信文件不存在！";
inline constexpr char kReceivedMmsText[] =
    "接收彩信不能转发！\r\n\r\n接收彩信的资源在本机的文件夹中，只有发送过的彩信才能转发给其他号码。";

// The cells of a list row an action reads (UTF-8).
struct RecordRow {
    std::string status;   // column 0
    std::string name;     // 2
    std::string number;   // 3
    std::string text;     // 4: SMS text or MMS title
    std::string package;  // 6
    std::string files;    // 12: uploaded names, or a received MMS's folder
};

// The immediate queue writers (schedule empty, not to the front).
struct Writers {
    std::function<void(int id, const std::string& number, const std::string& name, const std::string& text)> sms;
    std::function<void(int id, const std::string& number, const std::string& files, const std::string& title,
                       const std::string& package)>
        mms;
};

// What a forward does with a record's status.
enum class ForwardKind { None, Sms, Mms, ReceivedMms };
ForwardKind ForwardKindOf(const std::string& status);

// Queues the record for each valid number (others are dropped) under consecutive new ids (one
// id block of count k + 1).
// An SMS record goes with an empty name; an MMS record with title and, on the MMS page
// (mmsFiles), column 12 as its file list, else an empty list. Other kinds queue nothing.
// progress(done, total) after each row; false stops there. Returns the number of rows queued.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;
int ForwardRecord(const RecordRow& row, const std::vector<std::string>& numbers, const std::string& title,
                  bool mmsFiles, const Writers& writers, const Progress& progress = {});

// The resend: every row with a valid number is queued again under a fresh id, an SMS on the SMS
// page; on the MMS page (upload set) an MMS after upload(package path) gave its uploaded-name
// list. A package that does not exist is not uploaded and the row is not queued (missingPackage
// set); an upload that gives an empty list queues nothing. progress(done, total) after each row;
// false stops there (stopped set).
struct ResendResult {
    int queued = 0;
    bool missingPackage = false;
    bool stopped = false;
};
using UploadFn = std::function<std::string(const std::string& storedPackagePath)>;
ResendResult ResendRecords(const std::vector<RecordRow>& rows, const Writers& writers, const UploadFn& upload,
                           const Progress& progress = {});

// The stored path of a library package: "%s\MMSSink\%s.qmx" (program folder, package name).
std::string PackagePath(const std::string& package);

}  // namespace recforward
