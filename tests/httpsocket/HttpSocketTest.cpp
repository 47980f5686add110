// CHttpSocket against real peers: an in-process cpp-httplib server, a raw loopback listener that
// records the bytes it receives, and tinyproxy as the tunnelling proxy.
#include "platform/httpsocket/HttpSocket.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testsupport::WaitUntil;

namespace {

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// A loopback port that was free a moment ago.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    close(fd);
    return ntohs(sa.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    close(fd);
    return ok;
}

// Restores the proxy globals a test sets.
struct ProxyGuard {
    ProxyGuard(const std::string& host, int port) : oldHost(g_strProxyIP), oldPort(g_nProxyPort) {
        g_strProxyIP = host;
        g_nProxyPort = port;
    }
    ~ProxyGuard() {
        g_strProxyIP = oldHost;
        g_nProxyPort = oldPort;
    }
    std::string oldHost;
    int oldPort;
};

// cpp-httplib on a loopback port, serving path -> body with status 200 ("/missing": 404).
using Bodies = std::map<std::string, std::string>;

class BodyServer {
public:
    explicit BodyServer(std::map<std::string, std::string> bodies) : bodies_(std::move(bodies)) {
        server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            if (req.path == "/missing") {
                res.status = 404;
                res.set_content("<body> 10.0.0.1 </body>", "text/html");
                return;
            }
            const auto it = bodies_.find(req.path);
            if (it == bodies_.end()) {
                res.status = 404;
                return;
            }
            res.set_content(it->second, "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        WaitUntil([this] { return server_.is_running(); });
    }
    ~BodyServer() {
        server_.stop();
        thread_.join();
    }
    int port() const { return port_; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

private:
    std::map<std::string, std::string> bodies_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

// Accepts one connection, records what arrives up to the first blank line, then sends reply
// (closing at once when closeAtOnce) and keeps the connection until destroyed.
class RawListener {
public:
    explicit RawListener(std::string reply, bool closeAtOnce = false)
        : reply_(std::move(reply)), closeAtOnce_(closeAtOnce) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        listen(listen_, 4);
        socklen_t len = sizeof sa;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RawListener() {
        shutdown(listen_, SHUT_RDWR);
        close(listen_);
        thread_.join();
        if (peer_ >= 0) close(peer_);
    }
    int port() const { return port_; }
    bool replied() const { return replied_; }
    // Waits for the recorded bytes; safe to read once replied() holds.
    std::string received() {
        EXPECT_TRUE(WaitUntil([this] { return replied_.load(); }));
        return received_;
    }
    // Sends more bytes to the connected peer.
    void Send(const std::string& data) {
        ASSERT_TRUE(WaitUntil([this] { return replied_.load(); }));
        ASSERT_EQ(send(peer_, data.data(), data.size(), MSG_NOSIGNAL), static_cast<ssize_t>(data.size()));
    }

private:
    void Serve() {
        const int fd = accept(listen_, nullptr, nullptr);
        if (fd < 0) return;
        if (closeAtOnce_) {
            close(fd);
            replied_ = true;
            return;
        }
        char c;
        while (received_.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1) received_ += c;
        send(fd, reply_.data(), reply_.size(), MSG_NOSIGNAL);
        peer_ = fd;
        replied_ = true;
    }

    std::string reply_;
    bool closeAtOnce_;
    int listen_ = -1;
    int peer_ = -1;
    int port_ = 0;
    std::string received_;
    std::atomic<bool> replied_{false};
    std::thread thread_;
};

const char kOk[] = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nX-Long: 0123456789abcdef\r\n\r\n";

}  // namespace

TEST(HttpSocketFetch, BodiesGiveTheTrimmedShortText) {
    // Counted with no server: its side of a connection may outlive the fetch.
    const int before = OpenDescriptors();
    {
        const std::string thirty(30, 'a');
        BodyServer server(Bodies{
            {"/", "<body>1.2.3.4 </body>"},
            {"/ip", "<html><body> 192.168.10.20 </body></html>"},
            {"/thirty", "<body>" + thirty + "</body>"},
            {"/long", "<body>" + thirty + "b</body>"},
            {"/near", "<body>abc</body>"},
            {"/noend", "<body> 10.0.0.1 "},
            {"/nostart", " 10.0.0.1 </body>"},
            {"/reg", "x#<code-17>#y"},
            {"/regshort", "#<a>#"},
            {"/regfour", "#<ab>#"},
            {"/regnoend", "#<abc"},
        });
        struct Case {
            const char* path;
            bool reg;
            std::string expected;
        } cases[] = {
            {"/ip", false, "192.168.10.20"},
            {"/thirty", false, thirty},
            {"/long", false, ""},
            {"/near", false, ""},
            {"/noend", false, ""},
            {"/nostart", false, ""},
            {"/missing", false, ""},
            {"/reg", true, "code-17"},
            {"/regshort", true, ""},
            {"/regfour", true, "ab"},
            {"/regnoend", true, ""},
            {"/missing", true, ""},
        };
        for (const Case& c : cases) {
            CHttpSocket http;
            const std::string got = c.reg ? http.GetRegTextIP(server.url(c.path)) : http.GetMainIP(server.url(c.path));
            EXPECT_EQ(got, c.expected) << c.path;
        }
        // No port and no object: object "/".
        CHttpSocket http;
        EXPECT_EQ(http.GetMainIP("http://127.0.0.1:" + std::to_string(server.port())), "1.2.3.4");
        for (const char* bad : {"ftp://127.0.0.1/", "127.0.0.1/ip", "http://", "http://127.0.0.1:x/ip",
                                "http://127.0.0.1:99999/ip", "http://127.0.0.1/a b"})
            EXPECT_EQ(http.GetMainIP(bad), "") << bad;
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(HttpSocketFetch, ServerDownGivesEmptyAfterFiveTriesWithoutLeaking) {
    const std::string url = "http://127.0.0.1:" + std::to_string(FreePort()) + "/ip";
    const int before = OpenDescriptors();
    CHttpSocket http;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.GetMainIP(url), "");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(480));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(HttpSocketBytes, RequestTextArrivesExactly) {
    RawListener peer(kOk);
    CHttpSocket http;
    long length = -1;
    const char* text = http.FormatRequestHeader("example.org", "/a/b?c=1", nullptr, length, nullptr, nullptr, 0, 0, 0);
    const std::string expected =
        "GET /a/b?c=1 HTTP/1.0\r\nHost:example.org\r\n"
        "Connection: Keep-Alive\r\nAccept: */*\r\n"
        "Accept-Charset: us-ascii,iso-8859-1,utf-8,iso-10646-ucs-2\r\n"
        "Bearer-Indication: 0\r\nCache-Control: no-cache\r\nAccept-Language: zh\r\n"
        "Accept-Application: 2\r\nx-up-bearer-type: GPRS\r\n\r\n";
    EXPECT_EQ(std::string(text), expected);
    EXPECT_EQ(length, static_cast<long>(expected.size()));
    ASSERT_EQ(http.Socket(), 1);
    ASSERT_EQ(http.Connect("127.0.0.1", "", nullptr, peer.port(), 0), 1);
    ASSERT_EQ(http.SendRequest(), 1);
    EXPECT_EQ(peer.received(), expected);
    EXPECT_EQ(http.GetServerState(), 200);

    // The copy into a caller's buffer is bounded and terminated.
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(http.GetRequestHeader(small, sizeof small), 7);
    EXPECT_STREQ(small, "GET /a/");
    EXPECT_EQ(http.GetRequestHeader(small, 0), 0);
    EXPECT_EQ(small[0], 'G');

    // A request too long for the buffer is refused.
    const std::string object = "/" + std::string(2100, 'o');
    text = http.FormatRequestHeader("example.org", object.c_str(), nullptr, length, nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(text, "");
}

TEST(HttpSocketBytes, ConnectThroughProxySendsConnectAndNeedsStatus200) {
    struct Case {
        const char* answer;
        int connected;
    } cases[] = {
        {"HTTP/1.0 200 Connection established\r\n\r\n", 1},
        {"HTTP/1.1 200 OK\r\nProxy-Agent: x\r\n\r\n", 1},
        {"HTTP/1.0 403 Forbidden\r\n\r\n", 0},
        {"HTTP/1.0 200 OK\r\n", 0},  // no blank line before the peer stops
        {"garbage\r\n\r\n", 0},
    };
    for (const Case& c : cases) {
        RawListener proxy(c.answer);
        ProxyGuard guard("127.0.0.1", proxy.port());
        CHttpSocket http;
        ASSERT_EQ(http.Socket(), 1);
        http.SetTimeout(300, 0);
        EXPECT_EQ(http.Connect("sms.example.net", ".gw", nullptr, 8080, 0), c.connected) << c.answer;
        EXPECT_EQ(proxy.received(),
                  "CONNECT sms.example.net.gw:8080 HTTP/1.0\r\nHost:sms.example.net:8080\r\n"
                  "Connection: Keep-Alive\r\n"
                  "Accept-Charset: iso-8859-1,utf-8;q=0.8,iso-10646-ucs-2;q=0.6,us-ascii;q=0.7\r\n"
                  "Accept-Language: zh\r\n"
                  "User-Agent: SonyEricssonT610/R601 Profile/MIDP-1.0 Configuration/CLDC-1.0\r\n"
                  "Accept:*/*\r\n\r\n");
    }
}

TEST(HttpSocketHeader, StateFieldsAndLines) {
    CHttpSocket fresh;
    EXPECT_EQ(fresh.GetServerState(), -1);
    char buf[64];
    EXPECT_EQ(fresh.GetResponseLine(buf, sizeof buf), -1);
    EXPECT_EQ(fresh.GetField("Content-Type", buf, sizeof buf), -1);

    RawListener p1(kOk), p2("HTTP/1.1 404 Not Found\r\nServer: two\r\n\r\n");
    CHttpSocket a, b;
    ASSERT_TRUE(a.Socket() && a.Connect("127.0.0.1", "", nullptr, p1.port(), 0) &&
                a.SendRequest("GET / HTTP/1.0\r\n\r\n"));
    ASSERT_TRUE(b.Socket() && b.Connect("127.0.0.1", "", nullptr, p2.port(), 0) &&
                b.SendRequest("GET / HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(a.GetServerState(), 200);
    EXPECT_EQ(b.GetServerState(), 404);

    EXPECT_EQ(a.GetField("content-type", buf, sizeof buf), 10);
    EXPECT_STREQ(buf, "text/plain");
    EXPECT_EQ(a.GetField("Content-Length", buf, sizeof buf), -1);
    char cut[6];
    EXPECT_EQ(a.GetField("X-Long", cut, sizeof cut), 5);
    EXPECT_STREQ(cut, "01234");

    // Each object walks its own lines.
    EXPECT_EQ(a.GetResponseLine(buf, sizeof buf), 15);
    EXPECT_STREQ(buf, "HTTP/1.0 200 OK");
    EXPECT_GT(b.GetResponseLine(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "HTTP/1.1 404 Not Found");
    EXPECT_GT(a.GetResponseLine(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "Content-Type: text/plain");
    EXPECT_GT(b.GetResponseLine(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "Server: two");
    EXPECT_EQ(b.GetResponseLine(buf, sizeof buf), -1);
    EXPECT_GT(a.GetResponseLine(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "X-Long: 0123456789abcdef");
    EXPECT_EQ(a.GetResponseLine(buf, sizeof buf), -1);
}

TEST(HttpSocketHeader, HeaderWithoutEndStaysTerminated) {
    for (size_t size : {size_t(1022), size_t(1023), size_t(5000)}) {
        std::string header = "HTTP/1.0 200 OK\r\nX-Fill: ";
        header += std::string(size - header.size(), 'f');
        RawListener peer(header);
        CHttpSocket http;
        ASSERT_TRUE(http.Socket() && http.Connect("127.0.0.1", "", nullptr, peer.port(), 0));
        http.SetTimeout(300, 0);
        ASSERT_EQ(http.SendRequest("GET / HTTP/1.0\r\n\r\n"), 1);
        EXPECT_EQ(http.GetServerState(), 200);
        char value[2048];
        const int n = http.GetField("X-Fill", value, sizeof value);
        EXPECT_EQ(n, static_cast<int>(std::min<size_t>(size, 1023) - 25)) << size;
        EXPECT_EQ(static_cast<int>(std::strlen(value)), n);
        // Reading again takes the rest (or ends at the time-out), still within the buffer.
        int length = -1;
        const char* text = http.GetResponseHeader(length);
        EXPECT_EQ(static_cast<int>(std::strlen(text)), length) << size;
        EXPECT_EQ(length, static_cast<int>(std::min<size_t>(size > 1023 ? size - 1023 : 0, 1023)));
    }
}

TEST(HttpSocketCopy, CopyOwnsItsDuplicateOfTheSocket) {
    std::signal(SIGPIPE, SIG_DFL);  // a send that raised SIGPIPE would end the process
    const int before = OpenDescriptors();
    {
        RawListener peer(kOk);
        auto original = std::make_unique<CHttpSocket>();
        ASSERT_TRUE(original->Socket() && original->Connect("127.0.0.1", "", nullptr, peer.port(), 0));
        ASSERT_EQ(original->SendRequest("GET / HTTP/1.0\r\n\r\n"), 1);
        CHttpSocket copy(*original);
        CHttpSocket assigned;
        assigned = copy;
        assigned = assigned;
        original.reset();
        // A descriptor opened now may take the number the original held.
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        peer.Send("payload");
        char buf[16] = {};
        EXPECT_EQ(copy.Receive(buf, 7), 7);
        EXPECT_STREQ(buf, "payload");
        EXPECT_EQ(copy.GetServerState(), 200);
        EXPECT_EQ(assigned.CloseSocket(), 1);
        EXPECT_EQ(assigned.CloseSocket(), 0);
        EXPECT_EQ(copy.CloseSocket(), 1);
        EXPECT_NE(fcntl(pipeFds[0], F_GETFD), -1);
        EXPECT_NE(fcntl(pipeFds[1], F_GETFD), -1);
        close(pipeFds[0]);
        close(pipeFds[1]);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(HttpSocketCopy, ClosedPeer) {
    std::signal(SIGPIPE, SIG_DFL);
    RawListener peer("", true);
    CHttpSocket http;
    ASSERT_TRUE(http.Socket() && http.Connect("127.0.0.1", "", nullptr, peer.port(), 0));
    ASSERT_TRUE(WaitUntil([&] { return peer.replied(); }));
    // Sends into the closed connection fail (after the peer's reset) and never raise SIGPIPE.
    EXPECT_TRUE(WaitUntil([&] { return http.SendRequest("GET / HTTP/1.0\r\n\r\n") == 0; }));
    EXPECT_EQ(http.GetServerState(), -1);

    RawListener quiet("", true);
    CHttpSocket reader;
    ASSERT_TRUE(reader.Socket() && reader.Connect("127.0.0.1", "", nullptr, quiet.port(), 0));
    char buf[8];
    EXPECT_LE(reader.Receive(buf, sizeof buf), 0);
    EXPECT_EQ(reader.Receive(buf, sizeof buf), 0);  // closed by the failed receive
    EXPECT_EQ(reader.CloseSocket(), 0);
}

TEST(HttpSocketCopy, ReceiveTimeOutEndsTheWait) {
    RawListener silent("");  // answers nothing after the request
    CHttpSocket http;
    ASSERT_TRUE(http.Socket() && http.Connect("127.0.0.1", "", nullptr, silent.port(), 0));
    EXPECT_EQ(http.SetTimeout(200, 0), 1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(http.SendRequest("GET / HTTP/1.0\r\n\r\n"), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(http.GetServerState(), -1);
    CHttpSocket none;
    EXPECT_EQ(none.SetTimeout(200, 1), 0);
}

namespace {

// tinyproxy in the foreground on a free loopback port, its config in a temporary folder.
class Tinyproxy {
public:
    explicit Tinyproxy(const std::string& connectPortLine) {
        port_ = FreePort();
        const std::string conf = dir_.file("tinyproxy.conf");
        testsupport::WriteFile(conf, "Port " + std::to_string(port_) +
                                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nAllow 127.0.0.1\n"
                                         "LogLevel Error\n" + connectPortLine);
        pid_ = fork();
        if (pid_ == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(kBinary, kBinary, "-d", "-c", conf.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ready_ = pid_ > 0 && WaitUntil([this] { return Accepts(port_); }, 10000);
    }
    ~Tinyproxy() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool ready() const { return ready_; }
    int port() const { return port_; }
    static bool Installed() { return access(kBinary, X_OK) == 0; }
    static constexpr const char* kBinary = "/usr/bin/tinyproxy";

private:
    testsupport::TempAppDir dir_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool ready_ = false;
};

}  // namespace

TEST(HttpSocketProxy, TinyproxyTunnelsAndRefuses) {
    if (!Tinyproxy::Installed()) GTEST_SKIP() << "tinyproxy is not installed (package tinyproxy-bin)";
    BodyServer server(Bodies{{"/ip", "<body> 172.16.0.9 </body>"}});
    {
        Tinyproxy proxy("");
        ASSERT_TRUE(proxy.ready());
        ProxyGuard guard("127.0.0.1", proxy.port());
        CHttpSocket http;
        EXPECT_EQ(http.GetMainIP(server.url("/ip")), "172.16.0.9");
    }
    {
        Tinyproxy proxy("ConnectPort 443\n");
        ASSERT_TRUE(proxy.ready());
        ProxyGuard guard("127.0.0.1", proxy.port());
        CHttpSocket http;
        ASSERT_EQ(http.Socket(), 1);
        EXPECT_EQ(http.Connect("127.0.0.1", "", nullptr, server.port(), 0), 0);
        EXPECT_EQ(http.GetMainIP(server.url("/ip")), "");
    }
}

TEST(HttpSocketConsumer, ProgramBuiltFromHeaderAndLibraryFetches) {
    BodyServer server(Bodies{{"/ip", "<body> 10.9.8.7 </body>"}});
    const std::string command = std::string(SMS_HTTPSOCKET_CONSUMER) + " " + server.url("/ip");
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    char line[128] = {};
    ASSERT_NE(fgets(line, sizeof line, out), nullptr);
    EXPECT_EQ(pclose(out), 0);
    EXPECT_STREQ(line, "[10.9.8.7]\n");
}

TEST(HttpSocketThreads, TwoObjectsFetchAtOnce) {
    BodyServer server(Bodies{{"/a", "<body> 10.0.0.1 </body>"}, {"/b", "x#<second>#"}});
    std::string got[2][3];
    std::thread one([&] {
        CHttpSocket http;
        for (auto& g : got[0]) g = http.GetMainIP(server.url("/a"));
    });
    std::thread two([&] {
        CHttpSocket http;
        for (auto& g : got[1]) g = http.GetRegTextIP(server.url("/b"));
    });
    one.join();
    two.join();
    for (const auto& g : got[0]) EXPECT_EQ(g, "10.0.0.1");
    for (const auto& g : got[1]) EXPECT_EQ(g, "second");
}
