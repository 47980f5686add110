#pragma once
// Resend and forward of records without a widget: the queueing of resent rows
// (an MMS after a fresh upload of its package) and of a record forwarded to new numbers. Both
// records pages call it; the page supplies the queue writers, the upload and the progress.
#include "core/PendingQueues.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace recforward {

// Rows a resend reads at most.
inline constexpr std::size_t kMaxResendRows = 100000;
// Rows queued by one writer call (one journal entry); progress and a stop come between calls.
inline constexpr std::size_t kBatchRows = 2000;

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

// The immediate bulk queue writers (schedule empty, not to the front): the rows go in as one
// addition, in order; each returns the rows the queue took.
struct Writers {
    std::function<std::size_t(std::vector<PendingQueues::SmsItem>)> sms;
    std::function<std::size_t(std::vector<PendingQueues::Item>)> mms;  // items of kind Mms
};
// Writers onto the immediate lists of two pending queues (either may be null: nothing queued).
Writers WritersOf(PendingQueues* smsQueue, PendingQueues* mmsQueue);

// Called after each writer call (and after each upload of a resend) with the rows handled so
// far; false stops the work there. What was queued stays queued.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// What a forward does with a record's status.
enum class ForwardKind { None, Sms, Mms, ReceivedMms };
ForwardKind ForwardKindOf(const std::string& status);

// Queues the record for each valid number (others are dropped) under consecutive new ids (one
// id block of count k + 1), in writer calls of batchRows numbers.
// An SMS record goes with an empty name; an MMS record with title and, on the MMS page
// (mmsFiles), column 12 as its file list, else an empty list. Other kinds queue nothing.
// Returns the number of rows queued.
int ForwardRecord(const RecordRow& row, const std::vector<std::string>& numbers, const std::string& title,
                  bool mmsFiles, const Writers& writers, const Progress& progress = {},
                  std::size_t batchRows = kBatchRows);

// The resend: every row with a valid number is queued again under a fresh id, an SMS on the SMS
// page; on the MMS page (upload set) an MMS after upload(package path) gave its uploaded-name
// list. A package that does not exist is not uploaded and the row is not queued (missingPackage
// set); an upload that gives an empty list queues nothing. SMS rows go in writer calls of
// batching.rows rows with progress after each; MMS rows are uploaded one by one with progress
// after each upload, and the uploaded rows are queued once batching.rows of them wait or the
// first of them has waited batching.mmsHold, and at the end or a stop. The rows are used up.
struct ResendResult {
    int queued = 0;
    bool missingPackage = false;
    bool stopped = false;  // the progress stopped it before the last row
};
struct Batching {
    std::size_t rows = kBatchRows;
    std::chrono::milliseconds mmsHold{1000};
};
using UploadFn = std::function<std::string(const std::string& storedPackagePath)>;
ResendResult ResendRecords(std::vector<RecordRow> rows, const Writers& writers, const UploadFn& upload,
                           const Progress& progress = {}, const Batching& batching = {});

// The stored path of a library package: "%s\MMSSink\%s.qmx" (program folder, package name).
std::string PackagePath(const std::string& package);

}  // namespace recforward
