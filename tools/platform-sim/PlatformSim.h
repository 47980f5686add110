#pragma once
// A simulator of the operator's service platform: answers the client's GET requests on a
// loopback port, in-process (tests) or as the program platform-sim. Replies are GBK; texts
// given to and taken from this class are UTF-8.
//
// Reply forms:
//   Account.asp            remaining SMS, or -5 for unknown credentials
//   updatepassword.asp     1 changed, -1 refused
//   YFMsg.asp              1 accepted, -5 credentials, -13 balance too low, -9 no number,
//                          or the code set with SetSmsSendCode
//   MO.asp                 queued messages "id|^|number|^|text|^|time" joined by "|#|",
//                          each handed out once; empty when none
//   Account, Password, Sender (MMS)
//                          <?xml ...?><response><responsecode>500</responsecode>
//                          <responseinfo>…</responseinfo></response>; 401 credentials,
//                          402 balance too low, or the code set with SetMmsSendCode
//   Notice.asp             the notice text
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platformsim {

struct Account {
    std::string ecode, user, password;
    std::string mmsPassword;  // the MMS host's own copy; empty: same as password
    int smsBalance = 1000;
    int mmsBalance = 1000;
};

struct SentSms {
    std::string ecode, user, extNo;
    std::vector<std::string> numbers;
    std::string content;
    int seq = 0;
    int reply = 0;
};

struct SentMms {
    std::string ecode, user, sender, extNo, subject;
    std::vector<std::string> receivers;
    std::vector<std::string> fileUrls;
    int code = 0;
};

struct MoMessage {
    std::string number, text, time;
};

// One request as it arrived.
struct RequestLog {
    std::string path;    // decoded path, "/YFMsg.asp"
    std::string target;  // raw path and query, byte for byte
};

// What a path does instead of its normal answer.
struct Fault {
    int delayMs = 0;                   // wait before answering (cut short by Stop)
    int httpStatus = 0;                // answer this status with an error page
    std::optional<std::string> body;   // answer these raw bytes (status 200 unless httpStatus)
    std::string location;              // redirect (302) there
};

class PlatformSim {
public:
    PlatformSim();
    ~PlatformSim();
    PlatformSim(const PlatformSim&) = delete;
    PlatformSim& operator=(const PlatformSim&) = delete;

    // Listens on host:port (port 0: any free port); false when it cannot bind.
    bool Start(int port = 0, const std::string& host = "127.0.0.1");
    void Stop();
    int Port() const { return port_; }
    std::string HostPort() const;  // "127.0.0.1:port"
    // Serves the files of dir under "/files/" (where run.sh points the resource URL).
    bool ServeFiles(const std::string& dir);

    // State.
    void AddAccount(const Account& a);
    std::optional<Account> GetAccount(const std::string& ecode, const std::string& user) const;
    void SetBalances(const std::string& ecode, const std::string& user, int sms, int mms);
    void QueueMo(const std::string& ecode, const std::string& user, const MoMessage& m);
    std::size_t PendingMo(const std::string& ecode, const std::string& user) const;
    void SetNotice(const std::string& text);

    std::vector<SentSms> SentSmsList() const;
    std::vector<SentMms> SentMmsList() const;
    std::size_t SentSmsCount() const;
    std::vector<RequestLog> Requests() const;
    std::size_t RequestCount(const std::string& path) const;
    void ClearLog();

    // Refusals and faults on demand.
    void SetSmsSendCode(std::optional<int> code);  // reply of every SMS send
    void SetMmsSendCode(std::optional<int> code);  // responsecode of every MMS send
    void SetMmsPasswordCode(std::optional<int> code);
    void SetFault(const std::string& path, const Fault& f);
    void ClearFaults();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
    int port_ = 0;
    std::string host_;
};

// Percent-decoding of a query value ("+" kept as it is).
std::string PercentDecode(const std::string& s);
// The values of a raw query string, in order, decoded to raw bytes.
std::vector<std::pair<std::string, std::string>> ParseQuery(const std::string& query);

}  // namespace platformsim
