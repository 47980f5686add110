#pragma once
// FTP upload over libcurl: one login per call, then each file in binary, active mode, no proxy.
#include <string>
#include <vector>

namespace ftp {

struct Server {
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
};

// Time-outs of every upload (milliseconds): connect, no data, and the wait for the server's
// data connection (active mode). Tests shorten them.
struct Timeouts {
    long connectMs = 60000;
    long noDataMs = 60000;
    long acceptMs = 60000;
};
void SetTimeouts(const Timeouts& t);
Timeouts GetTimeouts();

enum class Status {
    Ok,
    ConnectFailed,     // no connection or login refused
    OpenFailed,        // the server refused the remote file
    WriteFailed,       // the transfer broke off
};

struct Result {
    Status status = Status::Ok;
    std::size_t sent = 0;  // files that went up whole
    std::string error;     // libcurl's reason
};

// Logs in once, then stores the bytes of each local file under the remote name of the same
// index (names are UTF-8, sent as GBK). A local file that cannot be read is skipped. Stops at
// the first failure.
Result Upload(const Server& server, const std::vector<std::string>& remoteNames,
              const std::vector<std::string>& localPaths);

}  // namespace ftp
