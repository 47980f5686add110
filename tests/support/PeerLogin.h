#pragma once
// Points the login settings at the in-process platform simulator (both hosts, and its file
// mount of the FTP root as the resource address) and at the FTP fixture's writing user, for the
// account E01 / user / pw.
#include "core/LoginSettings.h"
#include "platform/FtpClient.h"
#include "support/FtpFixture.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

namespace testsupport {

inline void LoginAtLocalPeers(platformsim::PlatformSim& sim, const FtpServerFixture& ftp) {
    EXPECT_TRUE(sim.ServeFiles(ftp.root()));
    LoginInfo info = GetLoginInfo();
    info.strSmsServer = sim.HostPort();
    info.strMmsServer = sim.HostPort();
    info.strFtpServer = "127.0.0.1";
    info.nFtpPort = ftp.port();
    info.strFtpUser = FtpServerFixture::kWriter;
    info.strFtpPassword = FtpServerFixture::kWriterPassword;
    info.strResourceUrl = "http://" + sim.HostPort() + "/files/";
    info.strMmsSender = "13500000000";
    SetLoginInfo(info);
    SetLoginCredentials("E01", "user", "pw", "01");
    ftp::SetTimeouts({5000, 5000, 5000});
}

}  // namespace testsupport
