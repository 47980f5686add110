#include "platform/FtpClient.h"

#include "platform/HttpClient.h"
#include "platform/TextCodec.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>

namespace ftp {

namespace {

std::mutex g_timeoutsMutex;
Timeouts g_timeouts;

// Every byte but the unreserved ones percent-encoded: a name is never read as URL syntax.
std::string EncodePath(std::string_view bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

struct Source {
    const std::string* data = nullptr;
    std::size_t pos = 0;
    bool started = false;  // the server accepted the file and asked for its bytes
};

std::size_t OnRead(char* buf, std::size_t size, std::size_t n, void* user) {
    auto* s = static_cast<Source*>(user);
    s->started = true;
    const std::size_t len = std::min(size * n, s->data->size() - s->pos);
    std::memcpy(buf, s->data->data() + s->pos, len);
    s->pos += len;
    return len;
}

std::size_t Discard(char*, std::size_t size, std::size_t n, void*) { return size * n; }

void CommonOptions(CURL* curl, const Server& server, const Timeouts& t, char* errbuf) {
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_USERNAME, server.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, server.password.c_str());
    curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");  // active mode
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);  // binary: bytes arrive as they are
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, t.connectMs);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, t.acceptMs);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, t.noDataMs / 1000));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, t.noDataMs / 1000));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
}

}  // namespace

void SetTimeouts(const Timeouts& t) {
    std::lock_guard<std::mutex> lock(g_timeoutsMutex);
    g_timeouts = t;
}

Timeouts GetTimeouts() {
    std::lock_guard<std::mutex> lock(g_timeoutsMutex);
    return g_timeouts;
}

Result Upload(const Server& server, const std::vector<std::string>& remoteNames,
              const std::vector<std::string>& localPaths) {
    http::GlobalInit();
    Result r;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        r.status = Status::ConnectFailed;
        return r;
    }
    char errbuf[CURL_ERROR_SIZE] = {};
    const Timeouts t = GetTimeouts();
    const std::string base = "ftp://" + server.host + ":" + std::to_string(server.port) + "/";
    CommonOptions(curl.get(), server, t, errbuf);

    // The login, before the first file: the connection stays open for the files.
    curl_easy_setopt(curl.get(), CURLOPT_URL, base.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    if (const CURLcode c = curl_easy_perform(curl.get()); c != CURLE_OK) {
        r.status = Status::ConnectFailed;
        r.error = errbuf[0] ? errbuf : curl_easy_strerror(c);
        return r;
    }
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_READFUNCTION, OnRead);

    std::string data;
    for (std::size_t i = 0; i < localPaths.size(); ++i) {
        std::ifstream in(localPaths[i], std::ios::binary);
        if (!in) continue;  // a missing file is left out
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) continue;
        const std::string remote = i < remoteNames.size() ? remoteNames[i] : std::string();
        const std::string url = base + EncodePath(codec::ToGbk(remote));
        Source src{&data, 0, false};
        errbuf[0] = 0;
        curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_READDATA, &src);
        curl_easy_setopt(curl.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
        const CURLcode c = curl_easy_perform(curl.get());
        if (c == CURLE_OK) {
            ++r.sent;
            continue;
        }
        r.error = errbuf[0] ? errbuf : curl_easy_strerror(c);
        if (c == CURLE_COULDNT_CONNECT || c == CURLE_LOGIN_DENIED || c == CURLE_COULDNT_RESOLVE_HOST) {
            r.status = Status::ConnectFailed;  // the control connection was lost and could not come back
        } else {
            r.status = src.started ? Status::WriteFailed : Status::OpenFailed;
        }
        return r;
    }
    return r;
}

}  // namespace ftp
