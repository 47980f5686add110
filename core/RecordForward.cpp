#include "core/RecordForward.h"

#include "core/FileUtil.h"
#include "core/Helpers.h"
#include "core/RecordLog.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <algorithm>

namespace recforward {

Writers WritersOf(PendingQueues* smsQueue, PendingQueues* mmsQueue) {
    Writers w;
    w.sms = [smsQueue](std::vector<PendingQueues::SmsItem> items) -> std::size_t {
        return smsQueue ? smsQueue->AddSMSItems(std::move(items)) : 0;
    };
    w.mms = [mmsQueue](std::vector<PendingQueues::Item> items) -> std::size_t {
        return mmsQueue ? mmsQueue->AddItems(std::move(items)) : 0;
    };
    return w;
}

ForwardKind ForwardKindOf(const std::string& status) {
    if (!recstatus::IsKnown(status)) return ForwardKind::None;
    if (status == recstatus::kMmsReceived) return ForwardKind::ReceivedMms;
    return recstatus::IsSms(status) ? ForwardKind::Sms : ForwardKind::Mms;
}

int ForwardRecord(const RecordRow& row, const std::vector<std::string>& numbers, const std::string& title,
                  bool mmsFiles, const Writers& writers, const Progress& progress, std::size_t batchRows) {
    const ForwardKind kind = ForwardKindOf(row.status);
    if (kind != ForwardKind::Sms && kind != ForwardKind::Mms) return 0;
    std::vector<const std::string*> valid;
    for (const std::string& n : numbers)
        if (IsValidMobileNumber(n)) valid.push_back(&n);
    const std::size_t k = valid.size();
    const int base = CFileUtil::GetNextSerial(static_cast<int>(k) + 1);
    const std::size_t batch = std::max<std::size_t>(batchRows, 1);
    const std::string& files = mmsFiles ? row.files : std::string();
    const std::size_t textLength = kind == ForwardKind::Sms ? codec::GbkLength(row.text) : 0;
    std::size_t queued = 0;
    for (std::size_t start = 0; start < k; start += batch) {
        const std::size_t end = std::min(k, start + batch);
        if (kind == ForwardKind::Sms) {
            std::vector<PendingQueues::SmsItem> items;
            items.reserve(end - start);
            for (std::size_t i = start; i < end; ++i)
                items.push_back({base + static_cast<int>(i), *valid[i], {}, row.text, textLength});
            queued += writers.sms(std::move(items));
        } else {
            std::vector<PendingQueues::Item> items;
            items.reserve(end - start);
            for (std::size_t i = start; i < end; ++i)
                items.push_back({queue::Kind::Mms, base + static_cast<int>(i), *valid[i], files, title, row.package});
            queued += writers.mms(std::move(items));
        }
        if (progress && !progress(end, k)) break;
    }
    return static_cast<int>(queued);
}

std::string PackagePath(const std::string& package) { return g_strAppPath + "\\MMSSink\\" + package + ".qmx"; }

namespace {

// SMS rows in writer calls of batch rows. The ids, one per valid row as one call each would
// give them, are taken at once: the counter file is written once.
void ResendSms(std::vector<RecordRow>& rows, std::size_t total, const Writers& writers, const Progress& progress,
               std::size_t batch, ResendResult& res) {
    std::size_t valid = 0;
    for (std::size_t i = 0; i < total; ++i) valid += IsValidMobileNumber(rows[i].number) ? 1 : 0;
    const std::vector<int> ids = CFileUtil::GetNextSerials(valid);
    std::size_t nextId = 0;
    // A run of rows of one text (a bulk send resent) measures it once.
    std::string lastText;
    std::size_t lastLength = PendingQueues::kTextNotMeasured;
    for (std::size_t start = 0; start < total; start += batch) {
        const std::size_t end = std::min(total, start + batch);
        std::vector<PendingQueues::SmsItem> items;
        items.reserve(end - start);
        for (std::size_t i = start; i < end; ++i) {
            RecordRow& row = rows[i];
            if (!IsValidMobileNumber(row.number)) continue;
            if (lastLength == PendingQueues::kTextNotMeasured || row.text != lastText) {
                lastText = row.text;
                lastLength = codec::GbkLength(lastText);
            }
            items.push_back({ids[nextId++], std::move(row.number), std::move(row.name), std::move(row.text), lastLength});
        }
        if (!items.empty()) res.queued += static_cast<int>(writers.sms(std::move(items)));
        if (progress && !progress(end, total)) {
            res.stopped = end < total;
            return;
        }
    }
}

// MMS rows uploaded one by one; the uploaded ones wait for their writer call.
void ResendMms(std::vector<RecordRow>& rows, std::size_t total, const Writers& writers, const UploadFn& upload,
               const Progress& progress, std::size_t batch, std::chrono::milliseconds hold, ResendResult& res) {
    using Clock = std::chrono::steady_clock;
    std::vector<PendingQueues::Item> waiting;
    Clock::time_point firstWaiting;
    auto flush = [&] {
        if (waiting.empty()) return;
        const std::vector<int> ids = CFileUtil::GetNextSerials(waiting.size());
        for (std::size_t i = 0; i < waiting.size(); ++i) waiting[i].id = ids[i];
        res.queued += static_cast<int>(writers.mms(std::move(waiting)));
        waiting.clear();
    };
    for (std::size_t i = 0; i < total; ++i) {
        RecordRow& row = rows[i];
        if (IsValidMobileNumber(row.number)) {
            const std::string path = PackagePath(row.package);
            if (!paths::FileExists(paths::ToFsPath(path))) {
                res.missingPackage = true;
            } else if (std::string files = upload(path); !files.empty()) {
                if (waiting.empty()) firstWaiting = Clock::now();
                waiting.push_back({queue::Kind::Mms, 0, std::move(row.number), std::move(files), std::move(row.text),
                                   std::move(row.package)});
            }
        }
        if (waiting.size() >= batch || (!waiting.empty() && Clock::now() - firstWaiting >= hold)) flush();
        if (progress && !progress(i + 1, total)) {
            res.stopped = i + 1 < total;
            break;
        }
    }
    flush();
}

}  // namespace

ResendResult ResendRecords(std::vector<RecordRow> rows, const Writers& writers, const UploadFn& upload,
                           const Progress& progress, const Batching& batching) {
    ResendResult res;
    const std::size_t total = std::min(rows.size(), kMaxResendRows);
    const std::size_t batch = std::max<std::size_t>(batching.rows, 1);
    if (!upload) ResendSms(rows, total, writers, progress, batch, res);
    else ResendMms(rows, total, writers, upload, progress, batch, batching.mmsHold, res);
    return res;
}

}  // namespace recforward
