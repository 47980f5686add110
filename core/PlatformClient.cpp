#include "core/PlatformClient.h"

#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "platform/AppPath.h"
#include "platform/HttpClient.h"
#include "platform/ProfileFile.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

// ---------------------------------------------------------------------------------------------
// CWebGrabSession

CWebGrabSession::CWebGrabSession(std::string agent, void* statusWnd)
    : m_strAgent(std::move(agent)), m_pStatusWnd(statusWnd) {}

void CWebGrabSession::OnStatusCallback(int status, const std::string& info) {
    char text[512];
    switch (status) {
    case kResolvingName: std::snprintf(text, sizeof text, "Resolving name for %s", info.c_str()); break;
    case kNameResolved: std::snprintf(text, sizeof text, "Resolved name for %s", info.c_str()); break;
    case kConnectingToServer: std::snprintf(text, sizeof text, "Connecting to server..."); break;
    case kConnectedToServer: std::snprintf(text, sizeof text, "Connected to server"); break;
    case kSendingRequest: std::snprintf(text, sizeof text, "Sending request..."); break;
    case kRequestSent: std::snprintf(text, sizeof text, "Request sent"); break;
    case kReceivingResponse: std::snprintf(text, sizeof text, "Receiving response..."); break;
    case kResponseReceived: std::snprintf(text, sizeof text, "Response received"); break;
    case kClosingConnection: std::snprintf(text, sizeof text, "Closing connection"); break;
    case kConnectionClosed: std::snprintf(text, sizeof text, "Connection closed"); break;
    case kHandleCreated: std::snprintf(text, sizeof text, "Handle created"); break;
    case kRequestComplete: std::snprintf(text, sizeof text, "Request complete"); break;
    case kRedirect: std::snprintf(text, sizeof text, "Redirected to %s", info.c_str()); break;
    case kStateChange: std::snprintf(text, sizeof text, "State change"); break;
    default: std::snprintf(text, sizeof text, "Unknown status: %d", status); break;
    }
    m_strStatus = text;
    m_statusLog.push_back(m_strStatus);
}

// ---------------------------------------------------------------------------------------------
// CUrlFetcher

CUrlFetcher::~CUrlFetcher() { delete m_pSession; }

int CUrlFetcher::GetFile(const std::string& url, char* buffer, std::size_t bufSize, const std::string& agent,
                         void* statusWnd) {
    m_strStatus.clear();
    m_nHttpStatus = 0;
    if (!buffer || bufSize == 0) return 0;
    std::string reply;
    if (!Fetch(url, bufSize - 1, reply, agent, statusWnd)) return 0;
    std::copy(reply.begin(), reply.end(), buffer);
    return 1;
}

int CUrlFetcher::GetFile(const std::string& url, std::string& reply, const std::string& agent, void* statusWnd) {
    m_strStatus.clear();
    m_nHttpStatus = 0;
    return Fetch(url, http::kMaxReplyBytes, reply, agent, statusWnd);
}

int CUrlFetcher::Fetch(const std::string& url, std::size_t maxBytes, std::string& reply, const std::string& agent,
                       void* statusWnd) {
    reply.clear();
    if (!m_pSession) {
        m_pSession = new CWebGrabSession(agent, statusWnd);
        if (m_nTimeoutMs != 0) m_pSession->m_nReceiveTimeoutMs = m_nTimeoutMs;
        if (m_bProxy) m_pSession->m_strProxy = m_strProxy + ":" + std::to_string(m_nProxyPort);
        m_pSession->OnStatusCallback(CWebGrabSession::kHandleCreated, {});
    }
    CWebGrabSession* session = m_pSession;

    http::Request req;
    req.url = url;
    req.agent = session->GetAgent();
    req.maxBytes = maxBytes;
    if (session->m_nReceiveTimeoutMs != 0) req.noDataMs = session->m_nReceiveTimeoutMs;
    req.proxy = session->m_strProxy;
    req.onStage = [session](int stage, const std::string& info) {
        switch (stage) {
        case http::kResolving: session->OnStatusCallback(CWebGrabSession::kResolvingName, info); break;
        case http::kConnected:
            session->OnStatusCallback(CWebGrabSession::kConnectingToServer, {});
            session->OnStatusCallback(CWebGrabSession::kConnectedToServer, {});
            break;
        case http::kRequestSent:
            session->OnStatusCallback(CWebGrabSession::kSendingRequest, {});
            session->OnStatusCallback(CWebGrabSession::kRequestSent, {});
            break;
        case http::kReceiving: session->OnStatusCallback(CWebGrabSession::kReceivingResponse, {}); break;
        case http::kResponseReceived: session->OnStatusCallback(CWebGrabSession::kResponseReceived, {}); break;
        default: session->OnStatusCallback(stage, info); break;
        }
    };
    req.onProgress = [this](std::size_t total, double seconds) {
        if (seconds <= 0) {
            m_strStatus = StringPrintf("Read %d bytes", int(total));
        } else {
            m_dTransferRate = double(total) / 1024.0 / seconds;
            m_strStatus = StringPrintf("Read %d bytes (%0.1f Kb/s)", int(total), m_dTransferRate);
        }
    };

    http::Result res = http::Get(req);
    if (!res.ok) {
        m_strStatus = res.error;
        return 0;
    }
    reply = std::move(res.body);
    m_nHttpStatus = res.status;
    m_strHeaders = res.headers;
    session->OnStatusCallback(CWebGrabSession::kRequestComplete, {});
    m_strStatus.clear();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Helpers

namespace platformclient {
namespace {

std::mutex g_traceMutex;
std::mutex g_pollMutex;
std::string g_strLastMo;
std::mutex g_noticeMutex;
std::string g_strNoticeHost;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string TrimRight(std::string s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

// Integer between the first open tag (found at position 1 or later) and the close tag after it.
bool TagValue(const std::string& reply, const std::string& open, const std::string& close, int& value) {
    const std::size_t b = codec::GbkFind(reply, open);
    if (b == std::string::npos || b < 1) return false;
    const std::size_t from = b + open.size();
    const std::size_t e = codec::GbkFind(reply, close, from);
    if (e == std::string::npos || e < 1) return false;
    value = ReplyInt(reply.substr(from, e - from));
    return true;
}

// The text's GBK bytes, each byte that keep refuses written "%XX".
template <class Keep>
std::string PercentEncode(const std::string& text, Keep keep) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string gbk = codec::ToGbk(text);
    std::string out;
    out.reserve(gbk.size());
    for (unsigned char c : gbk) {
        if (keep(c)) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// "http://<SMS host>/<page>?ECODE=…&USERNAME=…&PASSWORD=…".
std::string SmsUrl(const LoginInfo& li, const char* page) {
    return "http://" + RawValue(li.strSmsServer) + "/" + page + "?ECODE=" + RawValue(li.strEcode) +
           "&USERNAME=" + RawValue(li.strUserName) + "&PASSWORD=" + RawValue(li.strPassword);
}

// "http://<MMS host>/<page>?Ecode=…&user=…&password=…".
std::string MmsUrl(const LoginInfo& li, const char* page) {
    return "http://" + RawValue(li.strMmsServer) + "/" + page + "?Ecode=" + RawValue(li.strEcode) +
           "&user=" + RawValue(li.strUserName) + "&password=" + RawValue(li.strPassword);
}

// The MMS responsecode, or -1 when its tags are missing.
int ResponseCode(const std::string& reply) {
    int code = 0;
    return TagValue(reply, "<responsecode>", "</responsecode>", code) ? code : -1;
}

}  // namespace

int ReplyInt(const std::string& reply) {
    std::size_t i = 0;
    while (i < reply.size() && IsBlank(reply[i])) ++i;
    bool neg = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) neg = reply[i++] == '-';
    long long v = 0;
    for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        v = v * 10 + (reply[i] - '0');
        if (v > INT_MAX) v = INT_MAX + 1LL;  // saturate; the sign is applied below
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return int(v);
}

bool IsNumericReply(const std::string& reply) {
    std::size_t i = 0;
    while (i < reply.size() && IsBlank(reply[i])) ++i;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) ++i;
    return i < reply.size() && reply[i] >= '0' && reply[i] <= '9';
}

std::string RawValue(const std::string& text) {
    return PercentEncode(text, [](unsigned char c) {
        return c > 0x20 && c != 0x7F && c < 0x80 && c != '%' && c != '&' && c != '#' && c != '+';
    });
}

void ResetPollState() {
    std::lock_guard<std::mutex> lock(g_pollMutex);
    g_strLastMo.clear();
}

void AppendTrace(const std::string& reply) {
    if (g_strAppPath.empty()) return;
    const std::filesystem::path file(paths::ToFsPath("d:\\testurl.txt"));
    std::lock_guard<std::mutex> lock(g_traceMutex);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (out) out.write(reply.data(), std::streamsize(reply.size()));
}

std::string NoticeHost() {
    std::lock_guard<std::mutex> lock(g_noticeMutex);
    return g_strNoticeHost;
}

}  // namespace platformclient

using platformclient::RawValue;
using platformclient::ReplyInt;

namespace {
std::string HttpGetAnswered(const std::string& url, int trace, bool* answered) {
    CUrlFetcher fetcher;
    std::string reply;
    const bool got = fetcher.GetFile(url, reply);
    if (answered) *answered = got && fetcher.m_nHttpStatus >= 200 && fetcher.m_nHttpStatus < 300;
    if (!got) return {};
    if (trace == 1) platformclient::AppendTrace(reply);
    return reply;
}
}  // namespace

std::string HttpGet(const std::string& url, int trace) { return HttpGetAnswered(url, trace, nullptr); }

std::string UrlEncode(const std::string& text) {
    return platformclient::PercentEncode(text, [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

int ChangePassword(const std::string& newPassword) {
    const LoginInfo li = GetLoginInfo();
    const std::string sms =
        HttpGet(platformclient::SmsUrl(li, "updatepassword.asp") + "&NEWPASSWORD=" + RawValue(newPassword), 0);
    if (!platformclient::IsNumericReply(sms) || ReplyInt(sms) < 1) return -1;
    const std::string mms =
        HttpGet(platformclient::MmsUrl(li, "Password") + "&newpassword=" + RawValue(newPassword), 0);
    const int code = platformclient::ResponseCode(mms);
    if (code != 500) WriteRunLog("彩信服务器未能修改密码，返回码 " + std::to_string(code));
    return 1;
}

int QuerySmsBalance() { return QuerySmsBalance(nullptr); }

int QuerySmsBalance(bool* answered) {
    const LoginInfo li = GetLoginInfo();
    const std::string reply =
        platformclient::TrimRight(HttpGetAnswered(platformclient::SmsUrl(li, "Account.asp"), 1, answered));
    if (reply.empty() || !platformclient::IsNumericReply(reply)) return -1;
    const int n = ReplyInt(reply);
    g_nSmsBalance = n;
    return n;
}

int QueryMmsBalance() {
    const LoginInfo li = GetLoginInfo();
    const std::string reply = HttpGet(platformclient::MmsUrl(li, "Account"), 0);
    if (platformclient::ResponseCode(reply) != 500) return -1;
    int value = 0;
    if (!platformclient::TagValue(reply, "<responseinfo>", "</responseinfo>", value)) return -1;
    if (value < -1) value = -1;
    g_nMmsBalance = value;
    return value;
}

std::string PollMo() {
    const LoginInfo li = GetLoginInfo();
    const std::string reply = HttpGet(platformclient::SmsUrl(li, "MO.asp"), 0);
    std::lock_guard<std::mutex> lock(platformclient::g_pollMutex);
    if (reply == platformclient::g_strLastMo) return {};
    platformclient::g_strLastMo = reply;
    return codec::FromGbk(reply);
}

int SendSms(const std::string& numbers, const std::string& text) {
    const LoginInfo li = GetLoginInfo();
    const std::string content = UrlEncode(text);
    const int seq = ++g_nSerialNo;
    SaveSerialNo();  // a crash never hands the same number out twice
    const std::string reply = HttpGet(platformclient::SmsUrl(li, "YFMsg.asp") + "&EXTNO=" + RawValue(li.strExtNo) +
                                          "&MOBILE=" + RawValue(numbers) + "&CONTENT=" + content +
                                          "&SEQ=" + std::to_string(seq),
                                      1);
    return ReplyInt(reply);
}

int SendMms(const std::string& receivers, const std::string& subject, const std::string& fileUrls) {
    const LoginInfo li = GetLoginInfo();
    const std::string reply =
        HttpGet(platformclient::MmsUrl(li, "Sender") + "&sender=" + RawValue(li.strMmsSender) +
                    "&receiver=" + RawValue(receivers) + "&subject=" + UrlEncode(subject) +
                    "&smil=0&Extno=" + RawValue(li.strExtNo) + "&fileurls=" + UrlEncode(fileUrls),
                0);
    const int code = platformclient::ResponseCode(reply);  // -1 without tags
    return code == 500 ? 1 : code;
}

void SetNoticeHost(const std::string& host) {
    std::lock_guard<std::mutex> lock(platformclient::g_noticeMutex);
    platformclient::g_strNoticeHost = host;
}

std::string FetchNotice() {
    std::string host = platformclient::NoticeHost();
    if (host.empty())
        host = profile::GetString(LoginFilePath(), kLoginSection, "公告服务器地址", "", profile::kWhole);
    return FetchNoticeFrom(host);
}

std::string FetchNoticeFrom(const std::string& host) {
    if (host.empty()) return {};
    CUrlFetcher fetcher;
    std::string reply;
    if (!fetcher.GetFile("http://" + RawValue(host) + "/Notice.asp", reply)) return {};
    // An error page is no notice.
    if (fetcher.m_nHttpStatus < 200 || fetcher.m_nHttpStatus >= 300) return {};
    return codec::FromGbk(reply);
}
