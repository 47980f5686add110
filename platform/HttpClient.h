#pragma once
// HTTP GET over libcurl, standing in for WinInet: proxy from the environment (loopback never
// proxied), connect and no-data time-outs, redirects followed, nothing cached (every request asks
// caches on the way for a fresh answer), a reply read whole up to a bound and refused past it.
// The HTTP status is reported, never judged: an error page is a reply like any other.
#include <cstddef>
#include <functional>
#include <string>

namespace http {

// Initialises libcurl once for the process. Call before the first thread starts; Get calls it
// too, so a program that forgets still works.
void GlobalInit();

// Time-outs that apply to every request without its own (milliseconds; 0 = none).
// Defaults: connect 60 s, 60 s without data. Tests shorten them.
struct Timeouts {
    long connectMs = 60000;
    long noDataMs = 60000;
};
void SetDefaultTimeouts(const Timeouts& t);
Timeouts DefaultTimeouts();

// The bound of a reply: far above any real one. A longer reply is refused, never cut.
inline constexpr std::size_t kMaxReplyBytes = std::size_t{16} << 20;

struct Request {
    std::string url;
    std::string agent;              // User-Agent; empty sends none
    std::size_t maxBytes = kMaxReplyBytes;  // a longer body is refused
    long noDataMs = -1;             // -1: the default; 0: none
    long connectMs = -1;            // -1: the default; 0: none
    std::string proxy;              // "host:port"; empty: the environment decides
    // Called once per received chunk with the running total and the seconds since the start.
    std::function<void(std::size_t total, double seconds)> onProgress;
    // Called at the stages of a request (resolving, connected, request sent, response received).
    std::function<void(int stage, const std::string& info)> onStage;
};

// Stages reported through Request::onStage.
enum Stage { kResolving = 1, kConnected = 2, kRequestSent = 3, kReceiving = 4, kResponseReceived = 5 };

struct Result {
    bool ok = false;          // a whole response was read (whatever its status)
    long status = 0;          // HTTP status code, 0 when none
    std::string body;         // the raw bytes, NULs included; at most maxBytes
    bool truncated = false;   // the body was longer than maxBytes: refused (ok false, body empty)
    std::string headers;      // raw response headers, CR LF separated
    std::string error;        // why it failed
    double rateKbps = 0;      // transfer rate of the body

    // The body up to its first NUL, as a C buffer would hold it.
    std::string Text() const;
};

Result Get(const Request& req);

}  // namespace http
