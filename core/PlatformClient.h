#pragma once
// The service-platform client: one HTTP GET per operation, the reply read whole as text.
// Hosts and credentials come from the login settings (LoginSettings.h); texts are UTF-8 in
// and out, GBK on the wire.
#include <cstddef>
#include <string>
#include <vector>

// The session of one fetch. Keeps a status text for each stage of the request; nothing shows
// these texts.
class CWebGrabSession {
public:
    // Status codes of the callbacks.
    enum Status {
        kResolvingName = 10, kNameResolved = 11, kConnectingToServer = 20, kConnectedToServer = 21,
        kSendingRequest = 30, kRequestSent = 31, kReceivingResponse = 40, kResponseReceived = 41,
        kClosingConnection = 50, kConnectionClosed = 51, kHandleCreated = 60, kRequestComplete = 100,
        kRedirect = 110, kStateChange = 200
    };

    explicit CWebGrabSession(std::string agent, void* statusWnd = nullptr);

    void OnStatusCallback(int status, const std::string& info);
    const std::string& GetStatusText() const { return m_strStatus; }
    const std::vector<std::string>& GetStatusLog() const { return m_statusLog; }
    const std::string& GetAgent() const { return m_strAgent; }

    long m_nReceiveTimeoutMs = 0;  // data-receive time-out option; 0 = the default
    std::string m_strProxy;        // "host:port" when a proxy is set

private:
    std::string m_strAgent;
    void* m_pStatusWnd = nullptr;
    std::string m_strStatus;
    std::vector<std::string> m_statusLog;
};

// One fetch, on the caller's stack.
class CUrlFetcher {
public:
    CUrlFetcher() = default;
    ~CUrlFetcher();
    CUrlFetcher(const CUrlFetcher&) = delete;
    CUrlFetcher& operator=(const CUrlFetcher&) = delete;

    // Fetches url whole into reply: its raw bytes, a NUL or control byte being data like any
    // other. 1 success (whatever the HTTP status), 0 failure (status text says why), a reply
    // past http::kMaxReplyBytes included.
    int GetFile(const std::string& url, std::string& reply, const std::string& agent = {},
                void* statusWnd = nullptr);
    // The same into buffer (bufSize bytes, zero-filled by the caller): a reply of bufSize bytes
    // or more does not fit and fails, so what is written stays NUL-terminated.
    int GetFile(const std::string& url, char* buffer, std::size_t bufSize,
                const std::string& agent = {}, void* statusWnd = nullptr);

    CWebGrabSession* m_pSession = nullptr;
    long m_nTimeoutMs = 0;  // receive time-out; 0 = none of our own
    int m_bReload = 0;
    int m_bProxy = 0;
    int m_nProxyPort = 0;
    double m_dTransferRate = 0;  // Kb/s of the last transfer
    long m_nHttpStatus = 0;
    std::string m_strProxy;
    std::string m_strStatus;
    std::string m_strHeaders;

private:
    // One GET through the session; a body longer than maxBytes fails.
    int Fetch(const std::string& url, std::size_t maxBytes, std::string& reply, const std::string& agent,
              void* statusWnd);
};

// A buffer of the size the platform's short replies (balances, send codes) always fit.
constexpr std::size_t kReplyBufferSize = 10000;

// GETs url; the reply's raw bytes, read whole (NULs kept) up to http::kMaxReplyBytes, empty on
// failure or past that bound. trace 1 appends the reply to "d:\testurl.txt".
std::string HttpGet(const std::string& url, int trace);

// Percent-encoding of a text's GBK bytes: letters and digits kept, every other byte "%XX".
std::string UrlEncode(const std::string& text);

// 1 done (the SMS host accepted), -1 refused or no reply.
int ChangePassword(const std::string& newPassword);
// Remaining SMS, stored in g_nSmsBalance; -1 when there is no numeric reply (balance unchanged).
int QuerySmsBalance();
// The same; answered is false when the platform gave no reply at all (refused, reset, timed
// out, or a status outside 2xx).
int QuerySmsBalance(bool* answered);
// Remaining MMS, stored in g_nMmsBalance; -1 on failure.
int QueryMmsBalance();
// The received-SMS reply (UTF-8), read whole, when it differs from the previous poll's, else
// empty. The platform hands each message out once, so the reply is never cut.
std::string PollMo();
// Sends one text to numbers ("," joined); g_nSerialNo is raised by one. The platform's integer
// reply (0 when empty or not a number).
int SendSms(const std::string& numbers, const std::string& text);
// 1 accepted, another code as the platform gave it, -1 no answer.
int SendMms(const std::string& receivers, const std::string& subject, const std::string& fileUrls);

// The start-up notice (UTF-8) from "http://<notice host>/Notice.asp"; empty on failure or when
// no notice host is set. The host is "公告服务器地址" of "Logp.dat" unless set here (tests).
std::string FetchNotice();
void SetNoticeHost(const std::string& host);  // empty: back to "Logp.dat"
// The notice from the given host (host or host:port); fits CSMSServerApp::m_fnFetchNotice.
std::string FetchNoticeFrom(const std::string& host);

namespace platformclient {
// Forgets the previous poll reply (tests).
void ResetPollState();
// The integer value of a reply: optional blanks, optional sign, leading digits; 0 without digits.
int ReplyInt(const std::string& reply);
// True when the trimmed reply begins with an optional sign and a digit.
bool IsNumericReply(const std::string& reply);
// A value inserted into a URL as it is, except the bytes that cannot stand raw in a URL.
std::string RawValue(const std::string& text);
}  // namespace platformclient
