#pragma once
// The worker threads: ten send SMS batches (indexes 0-9), ten send MMS batches (10-19), one polls
// for received SMS (20), one refreshes the MMS balance (22) and one the SMS balance (23). Each
// thread's index is also the device number written into the rows and records it handles.
#include "core/MsgRecord.h"

#include <functional>
#include <string>
#include <vector>

class CRecordLog;

// What the sending threads need of the SMS pending page (its logic side, no widgets). Called
// with g_lockSMSQueue taken.
class ISmsQueueSide {
public:
    virtual ~ISmsQueueSide() = default;
    virtual int FetchSMSBatch(int nDevice, std::string& strNumbers, std::string& strText) = 0;
    virtual void FinishSMSBatch(int nDevice, int nResult, int nCount) = 0;
};

// The same of the MMS pending page. Called with g_lockMMSQueue taken.
class IMmsQueueSide {
public:
    virtual ~IMmsQueueSide() = default;
    virtual int FetchMMSBatch(int nDevice, std::string& strReceivers, std::string& strTitle,
                              std::string& strFiles) = 0;
    virtual void FinishMMSBatch(int nDevice, int nResult, int nCount) = 0;
};

namespace worker {

constexpr int kThreadCount = 40;
constexpr int kReceiveIndex = 20;
constexpr int kMmsBalanceIndex = 22;
constexpr int kSmsBalanceIndex = 23;
constexpr int kFirstSleepMs = 500;
constexpr int kSecondSleepMs = 800;

// The pages register their queue sides before the threads start (null: nothing to send).
void SetSmsQueue(ISmsQueueSide* side);
void SetMmsQueue(IMmsQueueSide* side);
// Unregisters a side that is going away (only when it is the registered one).
void ClearSmsQueue(ISmsQueueSide* side);
void ClearMmsQueue(IMmsQueueSide* side);

// What the jobs call outside the queues: the platform client, the resource URL of the login
// settings and the SMS record log. Bound to the real ones; set before the threads start.
struct Services {
    std::function<int(const std::string& numbers, const std::string& text)> SendSms;
    std::function<int(const std::string& receivers, const std::string& subject,
                      const std::string& fileUrls)> SendMms;
    std::function<std::string()> PollMo;
    std::function<int()> QuerySmsBalance;
    std::function<int()> QueryMmsBalance;
    std::function<std::string()> ResourceUrl;
    std::function<void(const MsgRecord&)> AddSmsRecord;
    std::function<void(const MsgRecord&)> AddMmsRecord;
    // The SMS record log that received messages are stored in, through the spool beside it;
    // without one nothing is polled (the platform keeps its messages).
    std::function<CRecordLog*()> ReceiveLog;
};
Services& GetServices();

// Test-only: the two sleeps of a pass (500 and 800 ms by default).
void SetPassSleepsForTest(int firstMs, int secondMs);

// Sets the stop flag, wakes the sleeping threads and waits at most timeoutMs for all of them to
// end. True when every thread ended (they are then joined and may be started again once the
// flag is back at 0).
bool StopMsgThreads(int timeoutMs);
// Threads started and not yet ended.
int RunningThreads();
// 1 once the threads were started.
int ThreadsStarted();

// File-URL list of an uploaded-name list ("a#b#"): "<url>/a|<url>/b"; a last name without its
// "#" is not used.
std::string BuildFileUrls(const std::string& uploaded, const std::string& resourceUrl);

// One received SMS of a poll reply.
struct ReceivedSms {
    std::string number, text, time;
};
// Cuts a poll reply into messages ("|#|") and fields ("|^|"); messages without a sender are
// left out, and a remaining text shorter than 10 bytes is dropped. A NUL is a byte like any
// other. Linear in the reply's length. moreFollows: the text ends where a message separator
// stood (a reply cut short), so its last message is whole and kept whatever its length.
std::vector<ReceivedSms> ParsePollReply(const std::string& reply, bool moreFollows = false);
// The "接收短信" record of a received message with its id; *sender (when given) gets the
// sender as it came, for the auto-reply engine (the record holds at most 19 bytes of it).
MsgRecord ReceivedRecord(const ReceivedSms& m, int id, std::string* sender = nullptr);

}  // namespace worker

// Starts the worker threads once; returns 1.
int StartMsgThreads(int nUnused);
// The loop of one worker thread; returns 1 when it stops.
int ModemMsgThread(int* pIndex);
// -1 when there was nothing to send, else 1.
int SendSmsBatch(int nIndex);
int SendMmsBatch(int nIndex);
// Stores a received reply left in the spool by a kill, then polls once and stores every received
// SMS, in order, through the spool; returns 1. A left spool that cannot be stored keeps the poll
// from being made.
int ReceiveSms();
// The receive thread's first work: a left spool is stored before anything is polled.
void StoreLeftReceived();
