#pragma once
// The auto-reply page over the real MMS and SMS pending pages, a real FTP server and the
// in-process platform simulator serving the server's files; a package "G\N" in the MMS library.
#include "compose/MMSPackage.h"
#include "contacts/AutoReplyDlg.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PageGlobals.h"
#include "core/PlatformClient.h"
#include "core/QueueRow.h"
#include "core/SendingListDlg.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "support/FtpFixture.h"
#include "support/PeerLogin.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>

namespace autoreplytest {

struct MmsPages {
    testsupport::TempAppDir dir;
    testsupport::FtpServerFixture ftp{-1, dir.file("ftproot")};
    platformsim::PlatformSim sim;
    std::mutex m;
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        std::lock_guard<std::mutex> lock(m);
        messages.push_back(t);
        return 1;
    }};
    std::unique_ptr<CSendingListDlg> mmsPage;
    std::unique_ptr<CSMSSendingListDlg> smsPage;
    std::unique_ptr<CAutoReplyDlg> page;

    explicit MmsPages(int mmsBalance = 1000) {
        http::GlobalInit();
        EXPECT_TRUE(ftp.ok()) << ftp.Stderr();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw", .mmsPassword = {}, .smsBalance = 1000,
                        .mmsBalance = mmsBalance});
        testsupport::LoginAtLocalPeers(sim, ftp);
        g_nSmsBalance = 1000;
        g_nMmsBalance = 1000;
        g_nSerialNo = 40;
        mmsPage = std::make_unique<CSendingListDlg>();
        smsPage = std::make_unique<CSMSSendingListDlg>();
        mmsPage->List(2).Clear();  // the shared timed and cyclic entries
        mmsPage->List(3).Clear();
        g_pSendingListDlg = mmsPage.get();
        g_pSMSSendingListDlg = smsPage.get();
        std::filesystem::create_directories(dir.file("AutoReTemp"));
        page = std::make_unique<CAutoReplyDlg>();
        page->LoadSettings();
    }
    ~MmsPages() {
        page.reset();
        g_pSendingListDlg = nullptr;
        g_pSMSSendingListDlg = nullptr;
        smsPage.reset();
        mmsPage.reset();
        ftp::SetTimeouts({});
        sim.Stop();
        SetLoginInfo(LoginInfo{});
        g_strAutoReplyIni.clear();
    }
    // "MMSSink\G\N.qmx": frame 0 text, frame 1 sound (when given).
    void MakePackage(const std::string& text = "彩信正文", bool sound = true) {
        CMMSPackage maker;
        maker.m_strWorkFolder = dir.file("make");
        std::filesystem::create_directories(maker.m_strWorkFolder);
        maker.New();
        maker.SetText(0, text, 0);
        testsupport::WriteFile(dir.file("s.amr"), "#!AMR\n");
        if (sound) maker.SetSound(1, dir.file("s.amr"));
        std::filesystem::create_directories(dir.file("MMSSink/G"));
        EXPECT_EQ(maker.Save(dir.file("MMSSink/G/N.qmx"), 0), 1);
    }
    // Cells (files, title, package) of the immediate MMS rows.
    std::vector<std::vector<std::string>> MmsRows() {
        std::vector<std::vector<std::string>> out;
        for (const rows::RowData& r : mmsPage->ImmediateList().Snapshot())
            out.push_back({r.cells[queue::kColNumber], r.cells[queue::kColNameOrFiles], r.cells[queue::kColText],
                           r.cells[queue::kColPackage]});
        return out;
    }
};

}  // namespace autoreplytest
