// Receiving one poll reply of 20,000 messages: the receive job writes the reply to its spool and
// puts it on the disk, cuts it, takes the ids, offers each message to the auto-reply engine
// (switched off), appends the records to the SMS log in batches with the spool's progress noted,
// puts the log on the disk and removes the spool; next to a plain append of the same 20,000
// records one at a time. Goal: within 3x.
// The log lives in $BENCH_DIR (default: the current folder), in "bench-receive".
#include "BenchSupport.h"

#include "contacts/AutoReply.h"
#include "core/Globals.h"
#include "core/ReceiveSpool.h"
#include "core/RecordLog.h"
#include "core/WorkerBindings.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMessages = 20000;

std::string Number(int i) { return std::to_string(13800000000LL + i); }
std::string Text(int i) { return "您好，这是第" + std::to_string(i) + "条收到的短信，请回复。"; }
const char* kTime = "2026-12-10 10:00:00";

// The reply as the platform client hands it out (UTF-8).
std::string PollReply() {
    std::string reply;
    for (int i = 0; i < kMessages; ++i) {
        if (i) reply += "|#|";
        reply += std::to_string(i + 1) + "|^|" + Number(i) + "|^|" + Text(i) + "|^|" + kTime;
    }
    return reply;
}

// The records the receive job makes of that reply.
std::vector<MsgRecord> Records() {
    std::vector<MsgRecord> recs;
    for (int i = 0; i < kMessages; ++i) {
        MsgRecord r = msgrec::Empty();
        r.nId = 1 + 3 * i;
        msgrec::SetField(r.szType, "接收短信");
        msgrec::SetField(r.szNumber, Number(i));
        msgrec::SetField(r.szText, Text(i));
        msgrec::SetField(r.szTime, kTime);
        msgrec::SetField(r.szSubmitTime, kTime);
        recs.push_back(r);
    }
    return recs;
}

}  // namespace

int main() {
    g_strAppPath = benchsupport::OutPath("bench-receive");
    paths::MakeDirs(g_strAppPath);
    g_strAutoReplyIni = g_strAppPath + "\\AutoReS.dat";
    ReleaseRecordLockOnce();

    CRecordLog log(LogKind::Sms);
    g_pSMSRecordLog = &log;
    const std::string path = log.FilePath();

    // The engine, switched off, is consulted for every received message.
    auto engine = std::make_shared<CAutoReply>();
    engine->LoadSettings();
    engine->Set(autoreply::kDisabled, 1);
    SetIncomingHook([engine](const std::string& number, const std::string& text, int type) {
        engine->ProcessIncoming(number, text, type);
    });

    const std::string reply = PollReply();
    worker::GetServices() = worker::DefaultServices();
    worker::GetServices().PollMo = [&reply] { return reply; };
    const std::vector<MsgRecord> recs = Records();

    bool good = true;
    const double plain = benchsupport::Best(3, [&] {
        ::unlink(path.c_str());
        for (const MsgRecord& r : recs) files::AppendRecords(path, kMsgRecordSize, &r, 1);
    });
    good = good && paths::FileSize(path) == static_cast<long long>(kMessages * kMsgRecordSize);
    const double viaLog = benchsupport::Best(3, [&] {
        ::unlink(path.c_str());
        for (const MsgRecord& r : recs) log.AddLogRecord(&r);
    });
    good = good && paths::FileSize(path) == static_cast<long long>(kMessages * kMsgRecordSize);
    const double parse = benchsupport::Best(3, [&] {
        if (worker::ParsePollReply(reply).size() != static_cast<std::size_t>(kMessages)) good = false;
    });
    const double receive = benchsupport::Best(3, [&] {
        ::unlink(path.c_str());
        ReceiveSms();
    });
    good = good && paths::FileSize(path) == static_cast<long long>(kMessages * kMsgRecordSize) &&
           !paths::FileExists(mospool::SpoolPath(log));

    std::printf("one poll reply of %d messages (%zu bytes)\n", kMessages, reply.size());
    std::printf("%-58s %9.3f s\n", "cutting the reply alone", parse);
    benchsupport::Report("record-log append of the records (hook: engine off)", viaLog, plain, 3);
    benchsupport::Report("receive job: spool, cut, ids, engine off, append, sync", receive, plain, 3);
    SetIncomingHook({});
    g_pSMSRecordLog = nullptr;
    if (!good) {
        std::printf("wrong record count\n");
        return 1;
    }
    return 0;
}
