#pragma once
// A real pyftpdlib server on loopback for the upload tests: a free port, a temporary root, a
// writing user and a read-only user, and optionally a data connection dropped after N bytes.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

class FtpServerFixture {
public:
    static constexpr const char* kWriter = "writer";
    static constexpr const char* kWriterPassword = "wpass";
    static constexpr const char* kReader = "reader";
    static constexpr const char* kReaderPassword = "rpass";

    // dropAfter >= 0: every upload's data connection is closed after that many bytes.
    explicit FtpServerFixture(long dropAfter = -1, std::string root = {}) : root_(std::move(root)) {
        if (root_.empty()) root_ = dir_.path().toStdString() + "/root";
        QDir().mkpath(QString::fromStdString(root_));
        proc_.setProgram(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3");
        proc_.setArguments({"-c", Script(), QString::fromStdString(root_), QString::number(dropAfter)});
        proc_.setProcessChannelMode(QProcess::SeparateChannels);
        // A server that ends before it listens (seen once on a loaded machine) is started again.
        for (int attempt = 0; attempt < 3 && port_ <= 0; ++attempt) Launch();
    }
    ~FtpServerFixture() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }
    FtpServerFixture(const FtpServerFixture&) = delete;
    FtpServerFixture& operator=(const FtpServerFixture&) = delete;

    bool ok() const { return port_ > 0; }
    int port() const { return port_; }
    const std::string& root() const { return root_; }
    std::string Remote(const std::string& name) const { return root_ + "/" + name; }
    std::string ReadRemote(const std::string& name) const {
        std::ifstream in(Remote(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool HasRemote(const std::string& name) const { return QFile::exists(QString::fromStdString(Remote(name))); }
    std::string Stderr() { return failures_ + proc_.readAllStandardError().toStdString(); }

private:
    void Launch() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
        proc_.start();
        if (!proc_.waitForStarted(10000)) {
            failures_ += "not started: " + proc_.errorString().toStdString() + "\n";
            return;
        }
        // The script prints its port once it listens.
        QByteArray line;
        for (int i = 0; i < 200 && !line.contains('\n'); ++i) {
            if (!proc_.waitForReadyRead(100) && proc_.state() != QProcess::Running) break;
            line += proc_.readAllStandardOutput();
        }
        port_ = line.trimmed().toInt();
        if (port_ <= 0)
            failures_ += "no port (output \"" + line.toStdString() + "\", exit " +
                         std::to_string(proc_.exitCode()) + "): " + proc_.readAllStandardError().toStdString() + "\n";
    }

    static QString Script() {
        return QStringLiteral(R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, DTPHandler
from pyftpdlib.servers import FTPServer
root, drop = sys.argv[1], int(sys.argv[2])
logging.basicConfig(level=logging.ERROR)
auth = DummyAuthorizer()
auth.add_user("writer", "wpass", root, perm="elradfmwMT")
auth.add_user("reader", "rpass", root, perm="elr")
class DropDTP(DTPHandler):
    def recv(self, n):
        if self.tot_bytes_received >= drop:
            self.cmd_channel.respond("426 Connection closed; transfer aborted.")
            self._resp = None
            self.transfer_finished = False
            self.close()
            return b""
        return DTPHandler.recv(self, n)
class Handler(FTPHandler):
    authorizer = auth
    dtp_handler = DropDTP if drop >= 0 else DTPHandler
    permit_foreign_addresses = False
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY");
    }

    QTemporaryDir dir_;
    std::string root_;
    QProcess proc_;
    int port_ = 0;
    std::string failures_;  // what the failed starts said
};

}  // namespace testsupport
