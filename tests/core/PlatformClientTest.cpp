// The platform client against the in-process simulator over real HTTP on loopback.
#include "SimFixture.h"

#include "core/Globals.h"
#include "core/WorkerEngine.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include <QProcess>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

using platformsim::Fault;
using testsupport::ReadFile;

TEST(UrlEncodeTest, EncodesEveryByteButLettersAndDigits) {
    const struct { const char* in; const char* out; } cases[] = {
        {"", ""},
        {"azAZ09", "azAZ09"},
        {" ", "%20"},
        {"-", "%2D"},
        {"_.~", "%5F%2E%7E"},
        {"a+b&c=d%", "a%2Bb%26c%3Dd%25"},
        {"你好", "%C4%E3%BA%C3"},   // one GBK character, two groups, upper-case hex
        {"€", "%80"},                // code page 936 puts the euro sign at 0x80
    };
    for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
}

TEST(ReplyIntTest, ReadsLeadingSignedDigits) {
    using platformclient::IsNumericReply;
    using platformclient::ReplyInt;
    const struct { const char* in; int value; bool numeric; } cases[] = {
        {"12", 12, true},     {"  -5\r\n", -5, true}, {"+7x", 7, true},        {"", 0, false},
        {"<html>", 0, false}, {"-", 0, false},        {"abc12", 0, false},     {"0", 0, true},
        {"99999999999999", 2147483647, true},         {"-99999999999999", -2147483647 - 1, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplyInt(c.in), c.value) << c.in;
        EXPECT_EQ(IsNumericReply(c.in), c.numeric) << c.in;
    }
}

class PlatformClientTest : public SimFixture {};

TEST_F(PlatformClientTest, EveryRequestGoesOutByteForByte) {
    // Values inserted unencoded stay as they are except for bytes that cannot stand in a URL.
    LoginInfo li = GetLoginInfo();
    li.strPassword = "p&w 1";
    li.strExtNo = "8-9";
    SetLoginInfo(li);
    sim.AddAccount({"E-1", "user", "p&w 1", {}, 77, 55});

    QuerySmsBalance();
    EXPECT_EQ(LastTarget(), "/Account.asp?ECODE=E-1&USERNAME=user&PASSWORD=p%26w%201");
    QueryMmsBalance();
    EXPECT_EQ(LastTarget(), "/Account?Ecode=E-1&user=user&password=p%26w%201");
    PollMo();
    EXPECT_EQ(LastTarget(), "/MO.asp?ECODE=E-1&USERNAME=user&PASSWORD=p%26w%201");
    g_nSerialNo = 41;
    SendSms("13800000000,13900000000", "你好 a-b");
    EXPECT_EQ(LastTarget(),
              "/YFMsg.asp?ECODE=E-1&USERNAME=user&PASSWORD=p%26w%201&EXTNO=8-9&MOBILE=13800000000,13900000000"
              "&CONTENT=%C4%E3%BA%C3%20a%2Db&SEQ=42");
    SendMms("13800000000", "主题", "http://h/f/1.jpg|http://h/f/2.txt");
    EXPECT_EQ(LastTarget(),
              "/Sender?Ecode=E-1&user=user&password=p%26w%201&sender=13500000000&receiver=13800000000"
              "&subject=%D6%F7%CC%E2&smil=0&Extno=8-9"
              "&fileurls=http%3A%2F%2Fh%2Ff%2F1%2Ejpg%7Chttp%3A%2F%2Fh%2Ff%2F2%2Etxt");
    ASSERT_EQ(ChangePassword("新1"), 1);
    auto req = sim.Requests();
    ASSERT_GE(req.size(), 2u);
    EXPECT_EQ(req[req.size() - 2].target,
              "/updatepassword.asp?ECODE=E-1&USERNAME=user&PASSWORD=p%26w%201&NEWPASSWORD=%D0%C2" "1");
    EXPECT_EQ(req.back().target, "/Password?Ecode=E-1&user=user&password=p%26w%201&newpassword=%D0%C2" "1");
    SetNoticeHost(sim.HostPort());
    FetchNotice();
    SetNoticeHost({});
    EXPECT_EQ(LastTarget(), "/Notice.asp");

    // The simulator decoded the same values.
    auto sent = sim.SentSmsList();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].content, "你好 a-b");
    EXPECT_EQ(sent[0].numbers, (std::vector<std::string>{"13800000000", "13900000000"}));
    EXPECT_EQ(sent[0].seq, 42);
    EXPECT_EQ(sim.GetAccount("E-1", "user")->password, "新1");
}

TEST_F(PlatformClientTest, PlusInEveryCredentialArrivesAsPlus) {
    // The platform reads a raw "+" of a query as a blank.
    LoginInfo li = GetLoginInfo();
    li.strEcode = "E+1";
    li.strUserName = "u+2";
    li.strPassword = "p+3";
    li.strExtNo = "8+9";
    li.strMmsSender = "+135";
    SetLoginInfo(li);
    sim.AddAccount({"E+1", "u+2", "p+3", {}, 70, 50});
    EXPECT_EQ(QuerySmsBalance(), 70);
    EXPECT_EQ(QueryMmsBalance(), 50);
    EXPECT_GT(SendSms("13800000000", "t"), 0);
    EXPECT_EQ(SendMms("13800000000", "s", "http://h/1.jpg"), 1);
    const auto sms = sim.SentSmsList();
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].ecode + sms[0].user + sms[0].extNo, "E+1u+28+9");
    const auto mms = sim.SentMmsList();
    ASSERT_EQ(mms.size(), 1u);
    EXPECT_EQ(mms[0].ecode + mms[0].user + mms[0].extNo + mms[0].sender, "E+1u+28+9+135");
    EXPECT_EQ(ChangePassword("n+4"), 1);
    EXPECT_EQ(sim.GetAccount("E+1", "u+2")->password, "n+4");
}

TEST_F(PlatformClientTest, SmsBalanceReplies) {
    const struct { std::optional<std::string> body; int status; int result; int stored; } cases[] = {
        {std::nullopt, 0, 77, 77},                 // the simulator's balance
        {"0", 0, 0, 0},                            // no SMS left still counts as an answer
        {"  12  \r\n", 0, 12, 12},
        {"-5", 0, -5, -5},                         // refused credentials
        {"", 0, -1, 3},                            // empty: unchanged
        {std::nullopt, 500, -1, 3},                // an HTML error page is not a number
        {"<html>404</html>", 404, -1, 3},
    };
    for (const auto& c : cases) {
        g_nSmsBalance = 3;
        Fault f;
        f.body = c.body;
        f.httpStatus = c.status;
        sim.SetFault("Account.asp", f);
        EXPECT_EQ(QuerySmsBalance(), c.result) << c.body.value_or("(sim)") << " " << c.status;
        EXPECT_EQ(g_nSmsBalance.load(), c.stored) << c.body.value_or("(sim)");
    }
    sim.ClearFaults();
    LoginInfo li = GetLoginInfo();
    li.strPassword = "wrong";
    SetLoginInfo(li);
    EXPECT_LT(QuerySmsBalance(), 0);
}

TEST_F(PlatformClientTest, MmsReplyRules) {
    const std::string prolog = "<?xml version=\"1.0\"?>";
    const struct { std::string body; int balance; int stored; int send; } cases[] = {
        {prolog + "<responsecode>500</responsecode><responseinfo>42</responseinfo>", 42, 42, 1},
        {prolog + "<responsecode>500</responsecode><responseinfo>-7</responseinfo>", -1, -1, 1},
        {prolog + "<responsecode>500</responsecode><responseinfo>-1</responseinfo>", -1, -1, 1},
        {prolog + "<responsecode>401</responsecode><responseinfo>9</responseinfo>", -1, 5, 401},
        {prolog + "<responsecode>500</responsecode>", -1, 5, 1},  // no info: not stored
        {"<responsecode>500</responsecode><responseinfo>9</responseinfo>", -1, 5, -1},  // tag first
        {"<html>error</html>", -1, 5, -1},
        {"x<responsecode>500<responseinfo>9</responseinfo>", -1, 5, -1},  // unclosed code
        {"", -1, 5, -1},
    };
    for (const auto& c : cases) {
        Fault f;
        f.body = c.body;
        sim.SetFault("Account", f);
        sim.SetFault("Sender", f);
        g_nMmsBalance = 5;
        EXPECT_EQ(QueryMmsBalance(), c.balance) << c.body;
        EXPECT_EQ(g_nMmsBalance.load(), c.stored) << c.body;
        EXPECT_EQ(SendMms("13800000000", "s", "u"), c.send) << c.body;
    }
    sim.ClearFaults();
    EXPECT_EQ(QueryMmsBalance(), 55);  // the simulator's own reply has a prolog
    EXPECT_EQ(SendMms("13800000000", "s", "u"), 1);
    sim.SetMmsSendCode(401);
    EXPECT_EQ(SendMms("13800000000", "s", "u"), 401);
}

TEST_F(PlatformClientTest, PollHandsEachReplyOutOnce) {
    sim.QueueMo("E-1", "user", {"13800000001", "你好|世界", "2026-12-10 10:00:00"});
    sim.QueueMo("E-1", "user", {"13800000002", "second", "2026-12-10 10:00:01"});
    const std::string first = PollMo();
    EXPECT_EQ(first,
              "1|^|13800000001|^|你好|世界|^|2026-12-10 10:00:00|#|2|^|13800000002|^|second|^|2026-12-10 10:00:01");
    EXPECT_EQ(sim.PendingMo("E-1", "user"), 0u);
    EXPECT_EQ(PollMo(), "");  // the platform has nothing more

    Fault f;
    f.body = "9|^|139|^|same|^|t";
    sim.SetFault("MO.asp", f);
    EXPECT_EQ(PollMo(), "9|^|139|^|same|^|t");
    EXPECT_EQ(PollMo(), "");  // the same reply twice: nothing received twice
    sim.ClearFaults();
    EXPECT_EQ(PollMo(), "");
    sim.SetFault("MO.asp", f);
    EXPECT_EQ(PollMo(), "9|^|139|^|same|^|t");  // differs from the previous (empty) reply
}

TEST_F(PlatformClientTest, PollReadsAReplyOfTwentyThousandMessagesWhole) {
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i)
        sim.QueueMo("E-1", "user", {std::to_string(13800000000LL + i), "第" + std::to_string(i) + "条", "t"});
    const std::string reply = PollMo();
    EXPECT_GT(reply.size(), 9999u * 50);
    EXPECT_EQ(sim.PendingMo("E-1", "user"), 0u);
    const auto messages = worker::ParsePollReply(reply);
    ASSERT_EQ(messages.size(), std::size_t{kCount});
    for (int i = 0; i < kCount; ++i) {
        if (messages[i].number != std::to_string(13800000000LL + i) || messages[i].text != "第" + std::to_string(i) + "条")
            FAIL() << "message " << i << ": " << messages[i].number << " " << messages[i].text;
    }
    EXPECT_EQ(PollMo(), "");

    // A NUL and a control byte inside a text come through with the messages after them.
    sim.QueueMo("E-1", "user", {"13800000001", std::string("甲\0乙\x02", 9), "2026-12-10 10:00:00"});
    sim.QueueMo("E-1", "user", {"13800000002", "second", "2026-12-10 10:00:01"});
    const auto two = worker::ParsePollReply(PollMo());
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].text, std::string("甲\0乙\x02", 9));
    EXPECT_EQ(two[0].time, "2026-12-10 10:00:00");
    EXPECT_EQ(two[1].number, "13800000002");
}

TEST_F(PlatformClientTest, PasswordChange) {
    // Refused by the SMS host: no request to the MMS host.
    Fault zero;
    zero.body = "0";
    sim.SetFault("updatepassword.asp", zero);
    EXPECT_EQ(ChangePassword("n1"), -1);
    EXPECT_EQ(sim.RequestCount("/Password"), 0u);
    zero.body = "<html>500</html>";
    sim.SetFault("updatepassword.asp", zero);
    EXPECT_EQ(ChangePassword("n1"), -1);
    EXPECT_EQ(sim.RequestCount("/Password"), 0u);
    sim.ClearFaults();

    // Accepted by both.
    EXPECT_EQ(ChangePassword("n1"), 1);
    EXPECT_EQ(sim.GetAccount("E-1", "user")->password, "n1");
    EXPECT_EQ(sim.GetAccount("E-1", "user")->mmsPassword, "n1");

    // Refused by the MMS host only: still done, and the run log says so.
    SetLoginPassword("n1");
    sim.SetMmsPasswordCode(401);
    EXPECT_EQ(ChangePassword("n2"), 1);
    EXPECT_EQ(sim.GetAccount("E-1", "user")->mmsPassword, "n1");
    const std::string log = codec::FromGbk(ReadFile(dir.file("RunLog.txt")));
    EXPECT_NE(log.find("彩信服务器未能修改密码"), std::string::npos) << log;
}

TEST_F(PlatformClientTest, NoAnswerGivesTheFailureResults) {
    LoginInfo li = GetLoginInfo();
    li.strSmsServer = li.strMmsServer = DeadHost();
    SetLoginInfo(li);
    g_nSmsBalance = 9;
    g_nMmsBalance = 8;
    EXPECT_EQ(ChangePassword("x"), -1);
    EXPECT_EQ(QuerySmsBalance(), -1);
    EXPECT_EQ(g_nSmsBalance.load(), 9);
    EXPECT_EQ(QueryMmsBalance(), -1);
    EXPECT_EQ(g_nMmsBalance.load(), 8);
    EXPECT_EQ(PollMo(), "");
    EXPECT_EQ(SendSms("138", "t"), 0);
    EXPECT_EQ(g_nSerialNo.load(), 1);  // counted also when the request fails
    EXPECT_EQ(SendMms("138", "s", "u"), -1);
    SetNoticeHost(li.strSmsServer);
    EXPECT_EQ(FetchNotice(), "");
    SetNoticeHost({});
}

TEST_F(PlatformClientTest, SmsSendReplies) {
    EXPECT_EQ(SendSms("13800000000", "hi"), 1);
    EXPECT_EQ(sim.GetAccount("E-1", "user")->smsBalance, 76);
    sim.SetSmsSendCode(-13);
    EXPECT_EQ(SendSms("13800000000", "hi"), -13);
    sim.SetSmsSendCode(std::nullopt);
    Fault f;
    f.body = "";
    sim.SetFault("YFMsg.asp", f);
    EXPECT_EQ(SendSms("13800000000", "hi"), 0);
    f.body = "ok";
    sim.SetFault("YFMsg.asp", f);
    EXPECT_EQ(SendSms("13800000000", "hi"), 0);
    EXPECT_EQ(g_nSerialNo.load(), 4);
}

TEST_F(PlatformClientTest, NoticeIsTheTextOfASuccessfulReplyOnly) {
    sim.SetNotice("系统维护通知");
    EXPECT_EQ(FetchNoticeFrom(sim.HostPort()), "系统维护通知");
    Fault f;
    f.httpStatus = 500;
    sim.SetFault("Notice.asp", f);
    EXPECT_EQ(FetchNoticeFrom(sim.HostPort()), "");
    f.httpStatus = 404;
    sim.SetFault("Notice.asp", f);
    EXPECT_EQ(FetchNoticeFrom(sim.HostPort()), "");
    EXPECT_EQ(FetchNoticeFrom(""), "");
}

TEST_F(PlatformClientTest, ReplyIsReadWholeAndRefusedPastItsBound) {
    const std::string url = "http://" + sim.HostPort() + "/Notice.asp";
    Fault f;
    for (std::size_t size : {std::size_t{12000}, http::kMaxReplyBytes}) {
        f.body = std::string(size, '7');
        sim.SetFault("Notice.asp", f);
        const std::string reply = HttpGet(url, 0);
        EXPECT_EQ(reply.size(), size);
        EXPECT_TRUE(reply == *f.body);
    }
    // One byte past the bound: refused, never cut.
    f.body = std::string(http::kMaxReplyBytes + 1, '7');
    sim.SetFault("Notice.asp", f);
    EXPECT_EQ(HttpGet(url, 0).size(), 0u);
    // The buffer form refuses what does not fit its buffer.
    {
        f.body = std::string(kReplyBufferSize, '7');
        sim.SetFault("Notice.asp", f);
        CUrlFetcher fetcher;
        std::string buffer(kReplyBufferSize, '\0');
        EXPECT_EQ(fetcher.GetFile(url, buffer.data(), buffer.size()), 0);
        EXPECT_EQ(buffer, std::string(kReplyBufferSize, '\0'));
        f.body = std::string(kReplyBufferSize - 1, '7');
        sim.SetFault("Notice.asp", f);
        EXPECT_EQ(fetcher.GetFile(url, buffer.data(), buffer.size()), 1);
        EXPECT_EQ(std::string(buffer.c_str()).size(), kReplyBufferSize - 1);
    }

    // A NUL is data, not an end.
    f.body = std::string("12\0 34", 6);
    sim.SetFault("Notice.asp", f);
    EXPECT_EQ(HttpGet(url, 0), std::string("12\0 34", 6));

    // Redirects are followed.
    Fault moved;
    moved.location = "/Notice.asp";
    sim.SetFault("Old.asp", moved);
    EXPECT_EQ(HttpGet("http://" + sim.HostPort() + "/Old.asp", 0), std::string("12\0 34", 6));

    // The status is reported, not judged: an error page is a reply.
    CUrlFetcher fetcher;
    std::string buffer(kReplyBufferSize, '\0');
    ASSERT_EQ(fetcher.GetFile("http://" + sim.HostPort() + "/nothing.asp", buffer.data(), buffer.size()), 1);
    EXPECT_EQ(fetcher.m_nHttpStatus, 404);
    EXPECT_NE(std::string(buffer.c_str()).find("404"), std::string::npos);
    EXPECT_NE(fetcher.m_strHeaders.find("HTTP/1.1 404"), std::string::npos);
    ASSERT_NE(fetcher.m_pSession, nullptr);
    EXPECT_EQ(fetcher.m_pSession->GetStatusLog().at(1), "Resolving name for " + sim.HostPort());
    EXPECT_EQ(fetcher.m_strStatus, "");
}

TEST_F(PlatformClientTest, SilentHostEndsInTheTimeOut) {
    http::SetDefaultTimeouts({2000, 300});
    Fault f;
    f.delayMs = 20000;
    sim.SetFault("Account.asp", f);
    g_nSmsBalance = 4;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(QuerySmsBalance(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(g_nSmsBalance.load(), 4);

    CUrlFetcher fetcher;
    std::string buffer(kReplyBufferSize, '\0');
    EXPECT_EQ(fetcher.GetFile("http://" + sim.HostPort() + "/Account.asp", buffer.data(), buffer.size()), 0);
    EXPECT_EQ(fetcher.m_strStatus, "The operation timed out");
}

TEST_F(PlatformClientTest, TraceFileGetsTheTracedReplies) {
    QuerySmsBalance();         // traced: "77"
    QueryMmsBalance();         // not traced
    SendSms("138", "t");       // traced: "1"
    SendSms("139", "t");       // traced: "1"
    EXPECT_EQ(ReadFile(dir.file("D/testurl.txt")), "7711");
}

TEST_F(PlatformClientTest, LoopbackNeverGoesThroughTheProxy) {
    const char* old = std::getenv("http_proxy");
    const std::string saved = old ? old : "";
    setenv("http_proxy", ("http://" + DeadHost()).c_str(), 1);
    const int balance = QuerySmsBalance();
    if (old) setenv("http_proxy", saved.c_str(), 1); else unsetenv("http_proxy");
    EXPECT_EQ(balance, 77);
}

TEST_F(PlatformClientTest, NoticeFromTheConfiguredHost) {
    sim.SetNotice("系统维护通知");
    EXPECT_EQ(FetchNotice(), "");  // no host set: nothing asked
    EXPECT_EQ(sim.RequestCount("/Notice.asp"), 0u);
    profile::WriteString(LoginFilePath(), kLoginSection, "公告服务器地址", sim.HostPort());
    EXPECT_EQ(FetchNotice(), "系统维护通知");
}

// Ten SMS threads send at once.
class PlatformClientThreadsTest : public SimFixture {};

TEST_F(PlatformClientThreadsTest, SendSmsCountsEverySerial) {
    constexpr int kThreads = 10, kEach = 20;
    g_nSerialNo = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) SendSms("1380000" + std::to_string(1000 + t), "并发");
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(g_nSerialNo.load(), 100 + kThreads * kEach);
    std::set<int> seqs;
    for (const auto& s : sim.SentSmsList()) seqs.insert(s.seq);
    EXPECT_EQ(seqs.size(), std::size_t(kThreads * kEach));
    EXPECT_EQ(*seqs.begin(), 101);
    EXPECT_EQ(*seqs.rbegin(), 100 + kThreads * kEach);
}

TEST(PlatformSimProgram, AnswersOnItsPortUntilTerminated) {
    testsupport::TempAppDir dir;
    const std::string portFile = dir.file("port");
    QProcess p;
    p.setProgram(QStringLiteral(SMS_APP_DIR "/platform-sim"));
    p.setArguments({"0", "--ecode", "E9", "--user", "u9", "--password", "p9", "--sms", "321", "--port-file",
                    QString::fromStdString(portFile)});
    p.start();
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        const std::string s = ReadFile(portFile);
        return !s.empty() && s.back() == '\n';
    }));
    const std::string host = "127.0.0.1:" + std::to_string(std::atoi(ReadFile(portFile).c_str()));
    LoginInfo li;
    li.strSmsServer = host;
    li.strEcode = "E9";
    li.strUserName = "u9";
    li.strPassword = "p9";
    SetLoginInfo(li);
    EXPECT_EQ(QuerySmsBalance(), 321);
    SetLoginInfo(LoginInfo{});
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_NE(p.readAllStandardOutput().indexOf("account: enterprise code E9"), -1);
}

TEST(PlatformSimProgram, StateFileKeepsAChangedPasswordAcrossARestart) {
    testsupport::TempAppDir dir;
    const std::string stateFile = dir.file("sim.state");
    auto start = [&](QProcess& p, const std::string& portFile) {
        p.setProgram(QStringLiteral(SMS_APP_DIR "/platform-sim"));
        p.setArguments({"0", "--ecode", "E9", "--user", "u9", "--password", "p9", "--port-file",
                        QString::fromStdString(portFile), "--state", QString::fromStdString(stateFile)});
        p.start();
        EXPECT_TRUE(p.waitForStarted());
        EXPECT_TRUE(testsupport::WaitUntil([&] {
            const std::string s = ReadFile(portFile);
            return !s.empty() && s.back() == '\n';
        }));
        LoginInfo li;
        li.strSmsServer = li.strMmsServer = "127.0.0.1:" + std::to_string(std::atoi(ReadFile(portFile).c_str()));
        li.strEcode = "E9";
        li.strUserName = "u9";
        SetLoginInfo(li);
    };
    auto stop = [](QProcess& p) {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
    };

    QProcess first;
    start(first, dir.file("port1"));
    SetLoginPassword("p9");
    ASSERT_EQ(ChangePassword("q9"), 1);
    stop(first);
    EXPECT_EQ(ReadFile(stateFile), "password=q9\nmmspassword=q9\n");
    struct stat st {};
    ASSERT_EQ(::stat(stateFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The old password given on the command line gives way to the saved one.
    QProcess second;
    start(second, dir.file("port2"));
    SetLoginPassword("p9");
    EXPECT_LT(QuerySmsBalance(), 0);
    SetLoginPassword("q9");
    EXPECT_EQ(QuerySmsBalance(), 10000);
    EXPECT_EQ(QueryMmsBalance(), 1000);
    stop(second);
    EXPECT_NE(second.readAllStandardOutput().indexOf("password q9"), -1);
    SetLoginInfo(LoginInfo{});
}
