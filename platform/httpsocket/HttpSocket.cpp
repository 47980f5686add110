#include "HttpSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

std::string g_strProxyIP;
int g_nProxyPort = 80;

namespace {

constexpr int kDefaultTimeoutMs = 60000;  // send, receive and connect
constexpr long kMaxProxyAnswer = 1000;
constexpr long kMaxBody = 1000;
constexpr int kFetchTries = 5;
constexpr auto kFetchPause = std::chrono::milliseconds(100);

const char kUserAgentBlock[] =
    "Accept-Charset: iso-8859-1,utf-8;q=0.8,iso-10646-ucs-2;q=0.6,us-ascii;q=0.7\r\n"
    "Accept-Language: zh\r\n"
    "User-Agent: SonyEricssonT610/R601 Profile/MIDP-1.0 Configuration/CLDC-1.0\r\n"
    "Accept:*/*\r\n\r\n";

const char kRequestTail[] =
    "Connection: Keep-Alive\r\n"
    "Accept: */*\r\n"
    "Accept-Charset: us-ascii,iso-8859-1,utf-8,iso-10646-ucs-2\r\n"
    "Bearer-Indication: 0\r\n"
    "Cache-Control: no-cache\r\n"
    "Accept-Language: zh\r\n"
    "Accept-Application: 2\r\n"
    "x-up-bearer-type: GPRS\r\n\r\n";

// Copies at most size - 1 bytes of text and a NUL into buffer; the number copied. A size below
// 1 copies nothing.
int CopyText(char* buffer, int size, std::string_view text) {
    if (!buffer || size < 1) return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

bool SetTimeoutMs(int fd, int option, int milliseconds) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = (milliseconds % 1000) * 1000;
    return setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

// IPv4 address of host (a name or dotted text), network byte order.
bool Resolve(const char* host, unsigned int& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return false;
    address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(result);
    return true;
}

sockaddr_in Endpoint(unsigned int address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    return sa;
}

// A blocking connect bounded by limitMs.
bool ConnectWithin(int fd, unsigned int address, int port, int limitMs) {
    if (port < 1 || port > 65535) return false;
    const sockaddr_in sa = Endpoint(address, port);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    if (!ok && errno == EINPROGRESS) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        pollfd p{fd, POLLOUT, 0};
        int r;
        do {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            r = poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
        } while (r < 0 && errno == EINTR);
        int err = 0;
        socklen_t len = sizeof err;
        ok = r == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
    }
    if (fcntl(fd, F_SETFL, flags) < 0) return false;
    return ok;
}

bool SendAll(int fd, const char* data, size_t length) {
    size_t sent = 0;
    while (sent < length) {
        const ssize_t n = send(fd, data + sent, length - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

ssize_t ReceiveSome(int fd, char* buffer, size_t length) {
    ssize_t n;
    do {
        n = recv(fd, buffer, length, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Reads one byte at a time (so nothing past the header is consumed) until the blank line that
// ends a header or until max bytes; the bytes read.
size_t ReadHeader(int fd, char* buffer, size_t max) {
    size_t n = 0;
    while (n < max && ReceiveSome(fd, buffer + n, 1) == 1) {
        ++n;
        if (n >= 4 && std::memcmp(buffer + n - 4, "\r\n\r\n", 4) == 0) break;
    }
    return n;
}

// A proxy's answer to CONNECT: "HTTP/1.x 200" and a complete header.
bool TunnelGranted(std::string_view answer) {
    if (answer.size() < 16 || answer.substr(answer.size() - 4) != "\r\n\r\n") return false;
    if (answer.substr(0, 7) != "HTTP/1." || answer[7] < '0' || answer[7] > '9') return false;
    return answer.substr(8, 4) == " 200" && (answer[12] == ' ' || answer[12] == '\r');
}

bool OpenTunnel(int fd, const char* host, const char* suffix, int port) {
    const std::string target = std::string(host) + (suffix ? suffix : "");
    const std::string hostPort = std::string(host) + ":" + std::to_string(port);
    const std::string text = "CONNECT " + target + ":" + std::to_string(port) + " HTTP/1.0\r\nHost:" + hostPort +
                             "\r\nConnection: Keep-Alive\r\n" + kUserAgentBlock;
    if (!SendAll(fd, text.data(), text.size())) return false;
    char answer[kMaxProxyAnswer];
    const size_t n = ReadHeader(fd, answer, sizeof answer);
    return TunnelGranted(std::string_view(answer, n));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsRequestText(std::string_view text) {
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7f) return false;
    return true;
}

struct Url {
    std::string host;
    std::string object = "/";
    int port = 80;
};

// "http://host[:port][/object]"; any other form is refused.
bool ParseUrl(std::string_view url, Url& out) {
    constexpr std::string_view kScheme = "http://";
    if (url.size() < kScheme.size() || !EqualsNoCase(url.substr(0, kScheme.size()), kScheme)) return false;
    url.remove_prefix(kScheme.size());
    const size_t hostEnd = std::min(url.find_first_of(":/"), url.size());
    out.host = std::string(url.substr(0, hostEnd));
    url.remove_prefix(hostEnd);
    if (!url.empty() && url.front() == ':') {
        url.remove_prefix(1);
        const size_t digits = std::min(url.find('/'), url.size());
        if (digits < 1 || digits > 5) return false;
        int port = 0;
        for (char c : url.substr(0, digits)) {
            if (c < '0' || c > '9') return false;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return false;
        out.port = port;
        url.remove_prefix(digits);
    }
    if (!url.empty()) out.object = std::string(url);
    return !out.host.empty() && IsRequestText(out.host) && IsRequestText(out.object);
}

// Steps shared by the two short-text fetches: up to five tries, status 200, then up to 1000
// bytes of body (until the peer closes, the Content-Length is reached or a receive times out).
bool FetchShortBody(CHttpSocket& sock, const std::string& url, std::string& body) {
    Url u;
    if (!ParseUrl(url, u)) return false;
    long length = 0;
    sock.FormatRequestHeader(u.host.c_str(), u.object.c_str(), nullptr, length, nullptr, nullptr, 0, 0, 0);
    if (length == 0) return false;
    bool sent = false;
    for (int i = 0; i < kFetchTries && !sent; ++i) {
        std::this_thread::sleep_for(kFetchPause);
        sent = sock.Socket() && sock.Connect(u.host.c_str(), "", nullptr, u.port, 0) && sock.SendRequest(nullptr, 0);
        if (!sent) sock.CloseSocket();
    }
    if (!sent) return false;
    if (sock.GetServerState() != 200) {
        sock.CloseSocket();
        return false;
    }
    long want = kMaxBody;
    char field[24];
    if (sock.GetField("Content-Length", field, sizeof field) > 0) {
        char* end = nullptr;
        const long declared = std::strtol(field, &end, 10);
        if (end != field && declared >= 0 && declared < want) want = declared;
    }
    char buffer[kMaxBody];
    long got = 0;
    while (got < want) {
        const long n = sock.Receive(buffer + got, want - got);
        if (n <= 0) break;
        got += n;
    }
    sock.CloseSocket();
    body.assign(buffer, static_cast<size_t>(got));
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

CHttpSocket::CHttpSocket()
    : m_requestheader{},
      m_port(0),
      m_ipaddr{},
      m_ResponseHeader{},
      m_nResponseHeaderSize(0),
      m_bResponsed(0),
      m_bConnected(0),
      m_s(-1),
      m_nServerAddr(0),
      m_nCurIndex(0) {}

CHttpSocket::CHttpSocket(const CHttpSocket& other) : CHttpSocket() { CopyFrom(other); }

CHttpSocket& CHttpSocket::operator=(const CHttpSocket& other) {
    if (this != &other) {
        CloseSocket();
        CopyFrom(other);
    }
    return *this;
}

CHttpSocket::~CHttpSocket() { CloseSocket(); }

void CHttpSocket::CopyFrom(const CHttpSocket& other) {
    std::memcpy(m_requestheader, other.m_requestheader, sizeof m_requestheader);
    m_port = other.m_port;
    std::memcpy(m_ipaddr, other.m_ipaddr, sizeof m_ipaddr);
    std::memcpy(m_ResponseHeader, other.m_ResponseHeader, sizeof m_ResponseHeader);
    m_nResponseHeaderSize = other.m_nResponseHeaderSize;
    m_bResponsed = other.m_bResponsed;
    m_nServerAddr = other.m_nServerAddr;
    m_nCurIndex = other.m_nCurIndex;
    m_s = other.m_s >= 0 ? fcntl(other.m_s, F_DUPFD_CLOEXEC, 0) : -1;
    m_bConnected = m_s >= 0 ? other.m_bConnected : 0;
}

int CHttpSocket::Socket() {
    CloseSocket();
    m_s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_s < 0) return 0;
    SetTimeoutMs(m_s, SO_SNDTIMEO, kDefaultTimeoutMs);
    SetTimeoutMs(m_s, SO_RCVTIMEO, kDefaultTimeoutMs);
    return 1;
}

int CHttpSocket::Connect(const char* host, const char* suffix, const char* localAddress, int port, int) {
    if (!host || !*host) return 0;
    if (m_bConnected && !Socket()) return 0;
    if (m_s < 0) return 0;
    m_port = port;
    if (localAddress && *localAddress) {
        unsigned int local = 0;
        if (!Resolve(localAddress, local)) return 0;
        const sockaddr_in sa = Endpoint(local, 0);
        if (bind(m_s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return 0;
    }
    // The proxy settings may be changed by the host program between connections.
    const std::string proxy = g_strProxyIP;
    const int proxyPort = g_nProxyPort;
    const bool viaProxy = !proxy.empty();
    unsigned int address = 0;
    if (!Resolve(viaProxy ? proxy.c_str() : host, address)) return 0;
    m_nServerAddr = address;
    in_addr ia{};
    ia.s_addr = address;
    inet_ntop(AF_INET, &ia, m_ipaddr, sizeof m_ipaddr);
    if (!ConnectWithin(m_s, address, viaProxy ? proxyPort : port, kDefaultTimeoutMs)) return 0;
    if (viaProxy && !OpenTunnel(m_s, host, suffix, port)) return 0;
    m_bConnected = 1;
    return 1;
}

const char* CHttpSocket::FormatRequestHeader(const char* server, const char* object, const char*, long& length,
                                             const char*, const char*, long, long, int) {
    const std::string text = std::string("GET ") + (object ? object : "") + " HTTP/1.0\r\nHost:" +
                             (server ? server : "") + "\r\n" + kRequestTail;
    if (text.size() >= sizeof m_requestheader) {
        m_requestheader[0] = '\0';
        length = 0;
    } else {
        std::memcpy(m_requestheader, text.c_str(), text.size() + 1);
        length = static_cast<long>(text.size());
    }
    return m_requestheader;
}

int CHttpSocket::SendRequest(const char* request, long length) {
    if (!m_bConnected) return 0;
    if (!request) request = m_requestheader;
    if (length == 0) length = static_cast<long>(std::strlen(request));
    if (length <= 0 || !SendAll(m_s, request, static_cast<size_t>(length))) return 0;
    int headerLength = 0;
    GetResponseHeader(headerLength);
    return 1;
}

long CHttpSocket::Receive(char* buffer, long length) {
    if (!m_bConnected || !buffer || length <= 0) return 0;
    const long n = ReceiveSome(m_s, buffer, static_cast<size_t>(length));
    if (n <= 0) CloseSocket();
    return n;
}

int CHttpSocket::CloseSocket() {
    m_bConnected = 0;
    if (m_s < 0) return 0;
    close(m_s);
    m_s = -1;
    return 1;
}

int CHttpSocket::GetRequestHeader(char* buffer, int size) const {
    return CopyText(buffer, size, m_requestheader);
}

int CHttpSocket::SetTimeout(int milliseconds, int type) {
    if (m_s < 0 || milliseconds < 0) return 0;
    return SetTimeoutMs(m_s, type > 0 ? SO_SNDTIMEO : SO_RCVTIMEO, milliseconds) ? 1 : 0;
}

const char* CHttpSocket::GetResponseHeader(int& length) {
    std::memset(m_ResponseHeader, 0, sizeof m_ResponseHeader);
    m_nResponseHeaderSize = 0;
    m_bResponsed = 0;
    m_nCurIndex = 0;
    if (m_bConnected) {
        // One byte short of the buffer, so the header always stays a terminated text.
        m_nResponseHeaderSize = static_cast<int>(ReadHeader(m_s, m_ResponseHeader, sizeof m_ResponseHeader - 1));
        m_bResponsed = m_nResponseHeaderSize > 0 ? 1 : 0;
    }
    length = m_nResponseHeaderSize;
    return m_ResponseHeader;
}

int CHttpSocket::GetResponseLine(char* buffer, int size) {
    if (!m_bResponsed || m_nCurIndex >= m_nResponseHeaderSize) return -1;
    const std::string_view rest(m_ResponseHeader + m_nCurIndex, static_cast<size_t>(m_nResponseHeaderSize - m_nCurIndex));
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (line.empty()) return -1;  // the blank line that ends the header
    m_nCurIndex += static_cast<int>(line.size() + (end == std::string_view::npos ? 0 : 2));
    return CopyText(buffer, size, line);
}

int CHttpSocket::GetField(const char* name, char* buffer, int size) {
    if (!m_bResponsed || !name || !*name) return -1;
    const std::string_view header(m_ResponseHeader, static_cast<size_t>(m_nResponseHeaderSize));
    const std::string_view key(name);
    size_t start = 0;
    while (start < header.size()) {
        const size_t end = std::min(header.find("\r\n", start), header.size());
        std::string_view line = header.substr(start, end - start);
        start = end + 2;
        if (line.size() < key.size() || !EqualsNoCase(line.substr(0, key.size()), key)) continue;
        line.remove_prefix(key.size());
        if (key.back() != ':') {
            if (line.empty() || line.front() != ':') continue;
            line.remove_prefix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        return CopyText(buffer, size, line);
    }
    return -1;
}

int CHttpSocket::GetServerState() {
    if (!m_bResponsed) return -1;
    int code = 0;
    for (int i = 9; i < 12 && i < m_nResponseHeaderSize; ++i) {
        const char c = m_ResponseHeader[i];
        if (c < '0' || c > '9') break;
        code = code * 10 + (c - '0');
    }
    return code;
}

std::string CHttpSocket::GetMainIP(std::string url) {
    std::string body;
    if (!FetchShortBody(*this, url, body)) return {};
    const size_t open = body.find("<body>");
    if (open == std::string::npos) return {};
    const size_t close = body.find("</body>", open);
    if (close == std::string::npos || close - open < 10) return {};
    const std::string_view text = TrimBlanks(std::string_view(body).substr(open + 6, close - open - 6));
    return text.size() > 30 ? std::string() : std::string(text);
}

std::string CHttpSocket::GetRegTextIP(std::string url) {
    std::string body;
    if (!FetchShortBody(*this, url, body)) return {};
    const size_t open = body.find("#<");
    if (open == std::string::npos) return {};
    const size_t close = body.find(">#", open + 2);
    if (close == std::string::npos || close - open < 4) return {};
    return body.substr(open + 2, close - open - 2);
}
