#include "tools/platform-sim/PlatformSim.h"

#include "platform/TextCodec.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>

namespace platformsim {
namespace {

std::string Key(const std::string& ecode, const std::string& user) { return ecode + '\x01' + user; }

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    if (s.empty()) return out;
    std::size_t start = 0;
    while (true) {
        const std::size_t p = s.find(sep, start);
        out.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return out;
}

int HexVal(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string MmsReply(int code, const std::string& info) {
    return "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<response><responsecode>" + std::to_string(code) +
           "</responsecode><responseinfo>" + info + "</responseinfo></response>";
}

}  // namespace

std::string PercentDecode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = HexVal(s[i + 1]), lo = HexVal(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i] == '+' ? ' ' : s[i];  // as the platform's pages read a query: "+" is a blank
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> ParseQuery(const std::string& query) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& part : Split(query, '&')) {
        if (part.empty()) continue;
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos)
            out.emplace_back(PercentDecode(part), std::string());
        else
            out.emplace_back(PercentDecode(part.substr(0, eq)), PercentDecode(part.substr(eq + 1)));
    }
    return out;
}

// The library listens with a backlog of 5, too few for ten sending threads at once (a dropped
// connection waits a second for its retry); the backlog is raised after binding.
struct SimServer : httplib::Server {
    void RaiseBacklog() { ::listen(svr_sock_, 1024); }
};

struct PlatformSim::Impl {
    SimServer svr;
    mutable std::mutex m;
    std::condition_variable cv;
    bool stopping = false;
    std::map<std::string, Account> accounts;
    std::map<std::string, std::vector<MoMessage>> mo;
    int moId = 0;
    std::vector<SentSms> sentSms;
    std::vector<SentMms> sentMms;
    std::vector<RequestLog> log;
    std::map<std::string, Fault> faults;
    std::optional<int> smsSendCode, mmsSendCode, mmsPasswordCode;
    std::string notice;

    // Query values as UTF-8 by name (the first of each name).
    static std::map<std::string, std::string> Values(const std::string& target) {
        std::map<std::string, std::string> v;
        const std::size_t q = target.find('?');
        if (q == std::string::npos) return v;
        for (auto& [k, val] : ParseQuery(target.substr(q + 1)))
            v.emplace(k, codec::FromGbk(val));
        return v;
    }

    Account* Find(const std::string& ecode, const std::string& user) {
        auto it = accounts.find(Key(ecode, user));
        return it == accounts.end() ? nullptr : &it->second;
    }

    // The reply (UTF-8, sent as GBK) to one request; runs under the lock.
    std::string Answer(const std::string& name, std::map<std::string, std::string>& v) {
        if (name == "Notice.asp") return notice;
        if (name == "Account.asp" || name == "updatepassword.asp" || name == "YFMsg.asp" || name == "MO.asp") {
            Account* a = Find(v["ECODE"], v["USERNAME"]);
            const bool good = a && a->password == v["PASSWORD"];
            if (name == "Account.asp") return good ? std::to_string(a->smsBalance) : "-5";
            if (name == "updatepassword.asp") {
                if (!good || v["NEWPASSWORD"].empty()) return "-1";
                a->password = v["NEWPASSWORD"];
                return "1";
            }
            if (name == "MO.asp") {
                if (!good) return "";
                auto& q = mo[Key(a->ecode, a->user)];
                std::string out;
                for (const MoMessage& msg : q) {
                    if (!out.empty()) out += "|#|";
                    out += std::to_string(++moId) + "|^|" + msg.number + "|^|" + msg.text + "|^|" + msg.time;
                }
                q.clear();
                return out;
            }
            // YFMsg.asp
            SentSms s;
            s.ecode = v["ECODE"];
            s.user = v["USERNAME"];
            s.extNo = v["EXTNO"];
            s.numbers = Split(v["MOBILE"], ',');
            s.content = v["CONTENT"];
            s.seq = std::atoi(v["SEQ"].c_str());
            int reply = 1;
            if (!good) reply = -5;
            else if (s.numbers.empty() || v["MOBILE"].empty()) reply = -9;
            else if (a->smsBalance < int(s.numbers.size())) reply = -13;
            if (smsSendCode) reply = *smsSendCode;
            if (reply == 1) a->smsBalance -= int(s.numbers.size());
            s.reply = reply;
            sentSms.push_back(std::move(s));
            return std::to_string(reply);
        }
        if (name == "Account" || name == "Password" || name == "Sender") {
            Account* a = Find(v["Ecode"], v["user"]);
            const bool good = a && a->mmsPassword == v["password"];
            if (name == "Account") return good ? MmsReply(500, std::to_string(a->mmsBalance)) : MmsReply(401, "-1");
            if (name == "Password") {
                int code = good && !v["newpassword"].empty() ? 500 : 401;
                if (mmsPasswordCode) code = *mmsPasswordCode;
                if (code == 500) a->mmsPassword = v["newpassword"];
                return MmsReply(code, "");
            }
            SentMms s;
            s.ecode = v["Ecode"];
            s.user = v["user"];
            s.sender = v["sender"];
            s.extNo = v["Extno"];
            s.subject = v["subject"];
            s.receivers = Split(v["receiver"], ',');
            s.fileUrls = Split(v["fileurls"], '|');
            int code = 500;
            if (!good) code = 401;
            else if (s.receivers.empty()) code = 400;
            else if (a->mmsBalance < int(s.receivers.size())) code = 402;
            if (mmsSendCode) code = *mmsSendCode;
            if (code == 500) a->mmsBalance -= int(s.receivers.size());
            s.code = code;
            sentMms.push_back(std::move(s));
            return MmsReply(code, code == 500 ? "ok" : "error");
        }
        return "";
    }

    void Handle(const httplib::Request& req, httplib::Response& res) {
        const std::size_t slash = req.path.rfind('/');
        const std::string name = slash == std::string::npos ? req.path : req.path.substr(slash + 1);
        Fault fault;
        {
            std::lock_guard<std::mutex> lock(m);
            log.push_back(RequestLog{req.path, req.target});
            auto it = faults.find(name);
            if (it != faults.end()) fault = it->second;
        }
        if (fault.delayMs > 0) {
            std::unique_lock<std::mutex> lock(m);
            cv.wait_for(lock, std::chrono::milliseconds(fault.delayMs), [this] { return stopping; });
        }
        if (!fault.location.empty()) {
            res.set_redirect(fault.location);
            return;
        }
        if (fault.httpStatus != 0 || fault.body) {
            res.status = fault.httpStatus ? fault.httpStatus : 200;
            res.set_content(fault.body ? *fault.body
                                       : "<html><body><h1>" + std::to_string(res.status) +
                                             " Server Error</h1></body></html>",
                            "text/html");
            return;
        }
        static const char* const kNames[] = {"Notice.asp", "Account.asp", "updatepassword.asp", "YFMsg.asp",
                                             "MO.asp",     "Account",     "Password",           "Sender"};
        if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) {
            res.status = 404;
            res.set_content("<html><body><h1>404 Not Found</h1></body></html>", "text/html");
            return;
        }
        std::string reply;
        {
            auto v = Values(req.target);
            std::lock_guard<std::mutex> lock(m);
            reply = Answer(name, v);
        }
        res.set_content(codec::ToGbk(reply), "text/html; charset=GBK");
    }
};

PlatformSim::PlatformSim() : impl_(std::make_unique<Impl>()) {
    impl_->svr.new_task_queue = [] { return new httplib::ThreadPool(16); };
    impl_->svr.set_keep_alive_max_count(100);
    impl_->svr.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { impl_->Handle(req, res); });
}

PlatformSim::~PlatformSim() { Stop(); }

bool PlatformSim::Start(int port, const std::string& host) {
    if (thread_.joinable()) return true;
    {
        std::lock_guard<std::mutex> lock(impl_->m);
        impl_->stopping = false;
    }
    host_ = host;
    if (port == 0) {
        port_ = impl_->svr.bind_to_any_port(host);
        if (port_ <= 0) return false;
    } else {
        if (!impl_->svr.bind_to_port(host, port)) return false;
        port_ = port;
    }
    impl_->svr.RaiseBacklog();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([this, ended] {
        impl_->svr.listen_after_bind();
        *ended = true;
    });
    // A stop before the accept loop runs would be lost; wait for it to run.
    while (!impl_->svr.is_running() && !*ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (*ended) {
        thread_.join();
        return false;
    }
    return true;
}

void PlatformSim::Stop() {
    {
        std::lock_guard<std::mutex> lock(impl_->m);
        impl_->stopping = true;
    }
    impl_->cv.notify_all();
    if (thread_.joinable()) {
        impl_->svr.stop();
        thread_.join();
    }
}

std::string PlatformSim::HostPort() const { return host_ + ":" + std::to_string(port_); }

bool PlatformSim::ServeFiles(const std::string& dir) { return impl_->svr.set_mount_point("/files", dir); }

void PlatformSim::AddAccount(const Account& a) {
    std::lock_guard<std::mutex> lock(impl_->m);
    Account copy = a;
    if (copy.mmsPassword.empty()) copy.mmsPassword = copy.password;
    impl_->accounts[Key(a.ecode, a.user)] = copy;
}

std::optional<Account> PlatformSim::GetAccount(const std::string& ecode, const std::string& user) const {
    std::lock_guard<std::mutex> lock(impl_->m);
    auto it = impl_->accounts.find(Key(ecode, user));
    if (it == impl_->accounts.end()) return std::nullopt;
    return it->second;
}

void PlatformSim::SetBalances(const std::string& ecode, const std::string& user, int sms, int mms) {
    std::lock_guard<std::mutex> lock(impl_->m);
    if (Account* a = impl_->Find(ecode, user)) {
        a->smsBalance = sms;
        a->mmsBalance = mms;
    }
}

void PlatformSim::QueueMo(const std::string& ecode, const std::string& user, const MoMessage& msg) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->mo[Key(ecode, user)].push_back(msg);
}

std::size_t PlatformSim::PendingMo(const std::string& ecode, const std::string& user) const {
    std::lock_guard<std::mutex> lock(impl_->m);
    auto it = impl_->mo.find(Key(ecode, user));
    return it == impl_->mo.end() ? 0 : it->second.size();
}

void PlatformSim::SetNotice(const std::string& text) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->notice = text;
}

std::vector<SentSms> PlatformSim::SentSmsList() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    return impl_->sentSms;
}

std::vector<SentMms> PlatformSim::SentMmsList() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    return impl_->sentMms;
}

std::size_t PlatformSim::SentSmsCount() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    return impl_->sentSms.size();
}

std::vector<RequestLog> PlatformSim::Requests() const {
    std::lock_guard<std::mutex> lock(impl_->m);
    return impl_->log;
}

std::size_t PlatformSim::RequestCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(impl_->m);
    std::size_t n = 0;
    for (const RequestLog& r : impl_->log)
        if (r.path == path) ++n;
    return n;
}

void PlatformSim::ClearLog() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->log.clear();
    impl_->sentSms.clear();
    impl_->sentMms.clear();
}

void PlatformSim::SetSmsSendCode(std::optional<int> code) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->smsSendCode = code;
}

void PlatformSim::SetMmsSendCode(std::optional<int> code) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->mmsSendCode = code;
}

void PlatformSim::SetMmsPasswordCode(std::optional<int> code) {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->mmsPasswordCode = code;
}

void PlatformSim::SetFault(const std::string& path, const Fault& f) {
    std::lock_guard<std::mutex> lock(impl_->m);
    std::string name = path;
    if (const std::size_t slash = name.rfind('/'); slash != std::string::npos) name = name.substr(slash + 1);
    impl_->faults[name] = f;
}

void PlatformSim::ClearFaults() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->faults.clear();
}

}  // namespace platformsim
