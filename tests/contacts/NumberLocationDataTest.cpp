// The generated number-location files: reproducible, well-formed, and true to a few public facts.
#include "contacts/NumberLocation.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <map>
#include <set>

using testsupport::ReadFile;

namespace {

int RunMkloc(const std::string& outDir, const std::string& table) {
    QProcess p;
    p.start(SMS_MKLOC, {QString::fromStdString(outDir), QString::fromStdString(table)});
    if (!p.waitForFinished(60000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

uint32_t U32(const std::string& s, std::size_t pos) {
    uint32_t v;
    std::memcpy(&v, s.data() + pos, 4);
    return v;
}

bool HasNul(const std::string& s, std::size_t pos, std::size_t width) {
    return s.find('\0', pos) < pos + width;
}

std::string Field(const std::string& s, std::size_t pos, std::size_t width) {
    return codec::FromGbkField(s.data() + pos, width);
}

// Every rule the three files must keep; the failures as text (empty when sound).
std::vector<std::string> Validate(const std::string& dir) {
    std::vector<std::string> bad;
    const std::string index = ReadFile(dir + "/index.dat"), addr = ReadFile(dir + "/addr.dat"),
                      add = ReadFile(dir + "/add.dat");
    if (index.size() != 100000 * 16) bad.push_back("index.dat size " + std::to_string(index.size()));
    if (addr.empty() || addr.size() % 68) bad.push_back("addr.dat size " + std::to_string(addr.size()));
    if (add.size() > 3000) bad.push_back("add.dat size " + std::to_string(add.size()));
    if (!bad.empty()) return bad;

    for (std::size_t r = 0; r < addr.size(); r += 68)
        if (!HasNul(addr, r, 24) || !HasNul(addr, r + 24, 24) || !HasNul(addr, r + 48, 20))
            bad.push_back("addr record without NUL at " + std::to_string(r));

    std::set<std::pair<std::string, std::string>> withSegments;
    for (std::size_t i = 0; i < 100000; ++i) {
        const uint32_t prefix = U32(index, i * 16), offset = U32(index, i * 16 + 12);
        if (prefix != 1300000 + i) {
            bad.push_back("prefix " + std::to_string(prefix) + " at record " + std::to_string(i));
            break;
        }
        if (offset % 68 || offset + 68 > addr.size()) {
            bad.push_back("offset " + std::to_string(offset));
            break;
        }
        const std::string card = Field(addr, offset + 48, 20);
        const bool unicom = prefix < 1340000;
        if (card.rfind(unicom ? "联通" : "移动", 0) != 0) {
            bad.push_back("card type " + card + " for " + std::to_string(prefix));
            break;
        }
        withSegments.insert({Field(addr, offset, 24), Field(addr, offset + 24, 24)});
    }

    const std::vector<numloc::AreaItem> tree = numloc::ParseAreaText(add);
    std::set<std::pair<std::string, std::string>> inTree;
    for (const numloc::AreaItem& p : tree)
        for (const std::string& c : p.children) inTree.insert({p.text, c});
    for (const auto& pc : inTree)
        if (!withSegments.count(pc)) bad.push_back("no segments for " + pc.first + "/" + pc.second);
    for (std::size_t r = 0; r < addr.size(); r += 68)
        if (!inTree.count({Field(addr, r, 24), Field(addr, r + 24, 24)}))
            bad.push_back("not in add.dat: " + Field(addr, r, 24) + "/" + Field(addr, r + 24, 24));
    if (tree.size() != 31) bad.push_back("provinces " + std::to_string(tree.size()));
    return bad;
}

TEST(NumberLocationData, TwoRunsGiveTheStagedBytesAndTheFilesAreSound) {
    QTemporaryDir a, b;
    ASSERT_EQ(RunMkloc(a.path().toStdString(), SMS_NUMLOC_TABLE), 0);
    ASSERT_EQ(RunMkloc(b.path().toStdString(), SMS_NUMLOC_TABLE), 0);
    for (const char* name : {"index.dat", "addr.dat", "add.dat"}) {
        const std::string first = ReadFile(a.path().toStdString() + "/" + name);
        EXPECT_EQ(first, ReadFile(b.path().toStdString() + "/" + name)) << name;
        EXPECT_EQ(first, ReadFile(std::string(SMS_APP_DIR) + "/" + name)) << name << " as staged";
    }
    const std::vector<std::string> bad = Validate(a.path().toStdString());
    EXPECT_TRUE(bad.empty()) << bad.front();
}

TEST(NumberLocationData, PublicFactsByAreaCode) {
    testsupport::TempAppDir app;
    ASSERT_EQ(RunMkloc(app.path(), SMS_NUMLOC_TABLE), 0);
    struct Fact {
        const char* code;
        const char* province;
        const char* city;
        uint32_t zip;
    };
    for (const Fact& f : {Fact{"010", "北京", "北京", 100000}, Fact{"021", "上海", "上海", 200000},
                          Fact{"020", "广东", "广州", 510000}, Fact{"0471", "内蒙古", "呼和浩特", 10000}}) {
        const auto loc = numloc::LookupAreaCode(f.code);
        ASSERT_TRUE(loc) << f.code;
        EXPECT_EQ(loc->province, f.province);
        EXPECT_EQ(loc->city, f.city);
        EXPECT_EQ(loc->zipCode, f.zip);
        // The segment found by its prefix tells the same place.
        const auto byPrefix = numloc::LookupPrefix(std::to_string(loc->prefix7) + "1234");
        ASSERT_TRUE(byPrefix);
        EXPECT_EQ(byPrefix->city, f.city);
    }
}

TEST(NumberLocationData, AnOversizedTreeTextFailsAndWritesNothing) {
    testsupport::TempAppDir app;
    std::string table;
    for (int p = 0; p < 31; ++p)
        for (int c = 0; c < 20; ++c)
            table += "省份" + std::to_string(p) + " 很长很长的城市名" + std::to_string(c) + " 0" +
                     std::to_string(100 + c) + " 100000\n";
    testsupport::WriteFile(app.file("big.txt"), table);
    EXPECT_NE(RunMkloc(app.path(), app.file("big.txt")), 0);
    for (const char* name : {"index.dat", "addr.dat", "add.dat"})
        EXPECT_FALSE(QFile::exists(QString::fromStdString(app.file(name)))) << name;
}

}  // namespace
