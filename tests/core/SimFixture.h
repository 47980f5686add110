#pragma once
// A temporary program folder and an in-process platform simulator with one account, the login
// settings pointing at it.
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PlatformClient.h"
#include "platform/HttpClient.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        sim.AddAccount({"E-1", "user", "pw", {}, 77, 55});
        LoginInfo li;
        li.strSmsServer = sim.HostPort();
        li.strMmsServer = sim.HostPort();
        li.strEcode = "E-1";
        li.strUserName = "user";
        li.strPassword = "pw";
        li.strExtNo = "01";
        li.strMmsSender = "13500000000";
        SetLoginInfo(li);
        g_nSerialNo = 0;
        g_nSmsBalance = 0;
        g_nMmsBalance = 0;
        platformclient::ResetPollState();
        oldTimeouts = http::DefaultTimeouts();
    }
    void TearDown() override {
        http::SetDefaultTimeouts(oldTimeouts);
        sim.Stop();
        SetLoginInfo(LoginInfo{});
    }
    // The raw target of the last request the simulator saw.
    std::string LastTarget() const {
        auto r = sim.Requests();
        return r.empty() ? std::string() : r.back().target;
    }
    // A loopback address where nothing listens.
    static std::string DeadHost() {
        platformsim::PlatformSim s;
        s.Start();
        const std::string hp = s.HostPort();
        s.Stop();
        return hp;
    }

    testsupport::TempAppDir dir;
    platformsim::PlatformSim sim;
    http::Timeouts oldTimeouts;
};
