#include "platform/HttpClient.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace http {
namespace {

std::once_flag g_initOnce;
std::atomic<long> g_connectMs{60000};
std::atomic<long> g_noDataMs{60000};

using SteadyClock = std::chrono::steady_clock;

struct Transfer {
    const Request* req = nullptr;
    Result* res = nullptr;
    CURL* curl = nullptr;
    SteadyClock::time_point start;
    SteadyClock::time_point lastData;
    long noDataMs = 0;
    bool connected = false;
    bool receiving = false;
    bool stalled = false;

    double Seconds() const {
        return std::chrono::duration<double>(SteadyClock::now() - start).count();
    }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t len = size * n;
    t->lastData = SteadyClock::now();
    if (!t->receiving) {
        t->receiving = true;
        if (t->req->onStage) t->req->onStage(kReceiving, {});
    }
    std::string& body = t->res->body;
    const std::size_t room = t->req->maxBytes > body.size() ? t->req->maxBytes - body.size() : 0;
    if (len > room) {
        t->res->truncated = true;
        return 0;  // stop reading: a reply past its bound is refused
    }
    body.append(data, len);
    if (t->req->onProgress) t->req->onProgress(body.size(), t->Seconds());
    return len;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t len = size * n;
    // A new status line (after a redirect or a 100 Continue) starts a new header block.
    if (len >= 5 && std::memcmp(data, "HTTP/", 5) == 0) t->res->headers.clear();
    t->res->headers.append(data, len);
    t->lastData = SteadyClock::now();
    return len;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    const auto now = SteadyClock::now();
    if (!t->connected) {
        curl_off_t connectUs = 0;
        if (curl_easy_getinfo(t->curl, CURLINFO_CONNECT_TIME_T, &connectUs) != CURLE_OK || connectUs <= 0)
            return 0;  // still connecting: the connect time-out applies
        t->connected = true;
        t->lastData = now;
        if (t->req->onStage) {
            t->req->onStage(kConnected, {});
            t->req->onStage(kRequestSent, {});
        }
    }
    if (t->noDataMs > 0 &&
        std::chrono::duration_cast<std::chrono::milliseconds>(now - t->lastData).count() > t->noDataMs) {
        t->stalled = true;
        return 1;  // abort: no data for too long
    }
    return 0;
}

std::string HostOf(const std::string& url) {
    std::size_t b = url.find("://");
    b = b == std::string::npos ? 0 : b + 3;
    std::size_t e = url.find_first_of("/?#", b);
    return url.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

// The environment's proxy exemptions plus loopback, which never goes through a proxy.
std::string NoProxyList() {
    const char* env = std::getenv("no_proxy");
    if (!env || !*env) env = std::getenv("NO_PROXY");
    std::string list = env ? env : "";
    if (list == "*") return list;
    if (!list.empty()) list += ",";
    return list + "localhost,127.0.0.0/8,::1";
}

}  // namespace

void GlobalInit() {
    std::call_once(g_initOnce, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

void SetDefaultTimeouts(const Timeouts& t) {
    g_connectMs = t.connectMs;
    g_noDataMs = t.noDataMs;
}

Timeouts DefaultTimeouts() { return Timeouts{g_connectMs.load(), g_noDataMs.load()}; }

std::string Result::Text() const {
    const std::size_t nul = body.find('\0');
    return nul == std::string::npos ? body : body.substr(0, nul);
}

Result Get(const Request& req) {
    GlobalInit();
    Result res;
    CURL* curl = curl_easy_init();
    if (!curl) {
        res.error = "cannot create a request";
        return res;
    }
    Transfer t;
    t.req = &req;
    t.res = &res;
    t.curl = curl;
    t.start = t.lastData = SteadyClock::now();
    t.noDataMs = req.noDataMs < 0 ? g_noDataMs.load() : req.noDataMs;
    const long connectMs = req.connectMs < 0 ? g_connectMs.load() : req.connectMs;

    char errbuf[CURL_ERROR_SIZE] = {0};
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");

    curl_easy_setopt(curl, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    // A reply whose announced length passes the bound is refused before its body comes.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(req.maxBytes));
    if (!req.agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, req.agent.c_str());
    const std::string noProxy = NoProxyList();
    if (!req.proxy.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, req.proxy.c_str());
    } else {
        curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy.c_str());
    }

    if (req.onStage) req.onStage(kResolving, HostOf(req.url));
    const CURLcode rc = curl_easy_perform(curl);
    if (rc == CURLE_FILESIZE_EXCEEDED) res.truncated = true;

    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    res.status = status;
    const double seconds = t.Seconds();
    if (seconds > 0) res.rateKbps = double(res.body.size()) / 1024.0 / seconds;

    if (rc == CURLE_OK) {
        res.ok = true;
        if (req.onStage) req.onStage(kResponseReceived, {});
    } else if (res.truncated) {
        res.body.clear();
        res.error = "The reply is longer than " + std::to_string(req.maxBytes) + " bytes";
    } else if (t.stalled) {
        res.error = "The operation timed out";
    } else {
        res.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
    }
    if (!res.ok) res.body.clear();
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return res;
}

}  // namespace http
