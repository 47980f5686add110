// The number-location lookups over small files written here, and the page on them.
#include "contacts/NumberLocation.h"
#include "contacts/NumberLocationDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <cstring>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string Index(uint32_t prefix, uint32_t area, uint32_t zip, uint32_t offset) {
    const uint32_t v[4] = {prefix, area, zip, offset};
    return std::string(reinterpret_cast<const char*>(v), 16);
}

// One 68-byte addr record from raw GBK fields (each cut or NUL-padded to its width).
std::string AddrRaw(const std::string& province, const std::string& city, const std::string& card) {
    std::string r;
    for (auto [text, width] : {std::pair{province, 24u}, {city, 24u}, {card, 20u}})
        r += text.substr(0, width) + std::string(width - std::min<std::size_t>(width, text.size()), '\0');
    return r;
}
std::string Addr(const char* province, const char* city, const char* card) {
    return AddrRaw(codec::ToGbk(province), codec::ToGbk(city), codec::ToGbk(card));
}

// A small program folder: two provinces, "吉林" a city in both (the second as "吉林市").
class NumberLocationFiles : public ::testing::Test {
protected:
    void SetUp() override {
        addr = Addr("北京", "北京", "联通GSM卡") +        // 0
               Addr("北京", "北京", "移动全球通卡") +     // 68
               Addr("吉林", "吉林", "联通GSM卡") +        // 136
               Addr("内蒙古", "吉林市", "移动神州行卡") +  // 204
               Addr("内蒙古", "呼和浩特", "移动全球通卡");  // 272
        index = Index(1300000, 10, 100000, 0) + Index(1339999, 432, 132000, 136) +
                Index(1340000, 432, 132000, 204) + Index(1380013, 10, 100000, 68) +
                Index(1380013, 471, 10000, 272) + Index(1399999, 432, 132000, 136) +
                Index(1215752191u, 1215752191u, 0, 0);  // 99999999999 cut to 32 bits
        Write();
        WriteFile(app.file("add.dat"), codec::ToGbk("北京*北京#吉林*吉林#内蒙古*吉林市#呼和浩特#"));
    }
    void Write() {
        WriteFile(app.file("index.dat"), index);
        WriteFile(app.file("addr.dat"), addr);
    }
    testsupport::TempAppDir app;
    std::string index, addr;
};

TEST_F(NumberLocationFiles, LookupsByPrefixAndAreaCode) {
    struct Case {
        bool byArea;
        const char* text;
        const char* city;  // nullptr: not found
        uint32_t prefix;
    };
    const Case cases[] = {
        {false, "1380013", "北京", 1380013},      // the first of two matching records
        {false, "13800138000", "北京", 1380013},  // eleven digits: the first seven count
        {false, "1399999", "吉林", 1399999},
        {false, "1311111", nullptr, 0},
        {true, "010", "北京", 1300000},
        {true, "10", "北京", 1300000},
        {true, "471", "呼和浩特", 1380013},
        {true, "0999", nullptr, 0},
        {true, "99999999999", nullptr, 0},  // past 32 bits: nothing, not the wrapped value
        {true, "", nullptr, 0},
    };
    for (const Case& c : cases) {
        const auto loc = c.byArea ? numloc::LookupAreaCode(c.text) : numloc::LookupPrefix(c.text);
        ASSERT_EQ(loc.has_value(), c.city != nullptr) << c.text;
        if (!loc) continue;
        EXPECT_EQ(loc->city, c.city) << c.text;
        EXPECT_EQ(loc->prefix7, c.prefix) << c.text;
    }
    const auto loc = numloc::LookupPrefix("1380013");
    EXPECT_EQ(loc->province, "北京");
    EXPECT_EQ(loc->cardType, "移动全球通卡");
    EXPECT_EQ(loc->areaCode, 10u);
    EXPECT_EQ(loc->zipCode, 100000u);
}

TEST_F(NumberLocationFiles, DamagedRecordsAreReadOnlyAsFarAsTheyGo) {
    // A province field without its NUL, an invalid GBK byte in a city.
    addr += AddrRaw(codec::ToGbk("黑龙江黑龙江黑龙江黑龙江"), "\xBC\xAA\xFF\xC1\xD6", codec::ToGbk("联通GSM卡"));
    index += Index(1301111, 451, 150000, 340);
    // A record near the end of a short "addr.dat": only its province is there.
    index += Index(1302222, 452, 161000, uint32_t(addr.size() + 68));
    addr += Addr("广东", "广州", "联通GSM卡") + codec::ToGbk("湖北");
    // A trailing partial record: prefix, area code and postcode but no offset.
    index += Index(1390000, 999, 999999, 0).substr(0, 12);
    Write();

    EXPECT_FALSE(numloc::LookupAreaCode("999"));
    auto loc = numloc::LookupPrefix("1301111");
    ASSERT_TRUE(loc);
    EXPECT_EQ(loc->province, "黑龙江黑龙江黑龙江黑龙江");
    EXPECT_EQ(loc->city, "吉?林");
    loc = numloc::LookupPrefix("1302222");
    ASSERT_TRUE(loc);
    EXPECT_EQ(loc->province, "湖北");
    EXPECT_EQ(loc->city, "");
    EXPECT_EQ(loc->cardType, "");
    EXPECT_EQ(loc->zipCode, 161000u);
}

TEST_F(NumberLocationFiles, MissingFilesFindNothingAndNameTheFileInTheRunLog) {
    for (const char* name : {"index.dat", "addr.dat"}) {
        Write();
        std::remove(app.file(name).c_str());
        std::remove(app.file("RunLog.txt").c_str());
        EXPECT_FALSE(numloc::LookupPrefix("1380013")) << name;
        EXPECT_TRUE(numloc::FindSegments("北京", 1300000, 1399999).empty()) << name;
        EXPECT_NE(codec::FromGbk(ReadFile(app.file("RunLog.txt"))).find(name), std::string::npos) << name;
    }
}

TEST(NumberLocationRange, RangesAndTheirMessages) {
    struct Case {
        int range;
        const char *start, *end;
        uint32_t low, high;
        const char* error;
    };
    const Case cases[] = {
        {0, "", "", 1300000, 1399999, ""},
        {1, "", "", 1340000, 1399999, ""},
        {3, "", "", 1300000, 1339999, ""},
        {2, "00000", "99999", 1300000, 1399999, ""},
        {2, "80000", "80001", 1380000, 1380001, ""},
        {2, "8000", "80001", 0, 0, "在起始号码框中请填5位数！"},
        {2, "80000", "", 0, 0, "在结束号码框中请填5位数！"},
        {2, "80000", "80000", 0, 0, "结束号码应该大于起始号码！"},
        {2, "80001", "80000", 0, 0, "结束号码应该大于起始号码！"},
    };
    for (const Case& c : cases) {
        const numloc::SegmentRange r = numloc::RangeFor(c.range, c.start, c.end);
        EXPECT_EQ(r.error, c.error) << c.range << " " << c.start << " " << c.end;
        if (*c.error) continue;
        EXPECT_EQ(r.low, c.low);
        EXPECT_EQ(r.high, c.high);
    }
    EXPECT_EQ(numloc::TotalText(3), "总计：  3个号码段   30000个号码");
}

TEST_F(NumberLocationFiles, SegmentSearch) {
    using V = std::vector<uint32_t>;
    // A city named in two provinces lists both; the bounds of the Mobile and Unicom ranges.
    EXPECT_EQ(numloc::FindSegments("吉林", 1300000, 1399999), (V{1339999, 1340000, 1399999}));
    EXPECT_EQ(numloc::FindSegments("吉林", 1340000, 1399999), (V{1340000, 1399999}));
    EXPECT_EQ(numloc::FindSegments("吉林", 1300000, 1339999), (V{1339999}));
    EXPECT_EQ(numloc::FindSegments("内蒙古", 1300000, 1399999), V{});  // a province name is no city
    // The search stops at the first record whose "addr.dat" record is not there.
    index = Index(1300001, 432, 0, 136) + Index(1300002, 432, 0, 4000) + Index(1300003, 432, 0, 136);
    Write();
    EXPECT_EQ(numloc::FindSegments("吉林", 1300000, 1399999), (V{1300001}));
}

TEST(NumberLocationTree, AddTextReading) {
    using Items = std::vector<numloc::AreaItem>;
    const auto gbk = [](const char* s) { return codec::ToGbk(s); };
    std::string long3000 = gbk("河北*") + std::string(2993, 'x') + "#" + "y#";  // "y#" ends past 3000
    struct Case {
        std::string text;
        Items items;
    };
    const Case cases[] = {
        {gbk("北京*北京#河北*石家庄#唐山#"), {{"北京", {"北京"}}, {"河北", {"石家庄", "唐山"}}}},
        {gbk("孤#河北*石家庄#尾巴"), {{"孤", {}}, {"河北", {"石家庄"}}}},
        {gbk("河北*石家庄#") + std::string(1, '\0') + gbk("山西*太原#"), {{"河北", {"石家庄"}}}},
        {long3000, {{"河北", {std::string(2993, 'x')}}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const Items got = numloc::ParseAreaText(c.text);
        ASSERT_EQ(got.size(), c.items.size()) << c.text.substr(0, 40);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].text, c.items[i].text);
            EXPECT_EQ(got[i].children, c.items[i].children);
        }
    }
    testsupport::TempAppDir app;
    EXPECT_TRUE(numloc::ReadAreaTree().empty());
    WriteFile(app.file("add.dat"), long3000);
    ASSERT_EQ(numloc::ReadAreaTree().size(), 1u);
    EXPECT_EQ(numloc::ReadAreaTree()[0].children.size(), 1u);
}

// The page over the small files, with every message caught.
class NumberLocationPage : public NumberLocationFiles {
protected:
    void SetUp() override {
        NumberLocationFiles::SetUp();
        dlg = std::make_unique<CNumberLocationDlg>();
        dlg->resize(730, 376);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return dlg->m_tree->topLevelItemCount() > 0; }, 5000));
    }
    QStringList Results() const {
        QStringList r;
        for (CSkinEdit* e : {dlg->m_editProvince, dlg->m_editCity, dlg->m_editCardType, dlg->m_editAreaCode,
                             dlg->m_editZipCode})
            r << e->text();
        return r;
    }
    QStringList Lines() const {
        QStringList r;
        for (int i = 0; i < dlg->m_list->count(); ++i) r << dlg->m_list->item(i)->text();
        return r;
    }
    QTreeWidgetItem* Item(int top, int child = -1) {
        QTreeWidgetItem* t = dlg->m_tree->topLevelItem(top);
        return child < 0 ? t : t->child(child);
    }
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    std::unique_ptr<CNumberLocationDlg> dlg;
};

TEST_F(NumberLocationPage, NumberAndAreaQueries) {
    struct Case {
        bool area;
        const char* text;
        QStringList results;
        const char* message;
    };
    const QStringList none = {"", "", "", "", ""};
    // Each case starts from the results of 1399999; a refused text keeps them.
    const QStringList kept = {"吉林", "吉林", "联通GSM卡", "0432", "132000"};
    const Case cases[] = {
        {false, "138001", kept, "至少要输入手机号码的前7位才能查询！"},
        {false, "13800138000", {"北京", "北京", "移动全球通卡", "010", "100000"}, ""},
        {false, "1311111", none, "对不起，没有查询到该号码的归属地！"},
        {true, "04", kept, "至少要输入3位才能查询！"},
        {true, "0471", {"内蒙古", "呼和浩特", "", "0471", "010000"}, ""},
        {true, "471", {"内蒙古", "呼和浩特", "", "0471", "010000"}, ""},
        {true, "0999", none, "对不起，没有查询到该号码的归属地！"},
    };
    for (const Case& c : cases) {
        dlg->m_editNumber->setText("1399999");
        dlg->OnBtnQueryNumber();
        ASSERT_EQ(Results(), kept);
        messages.clear();
        CSkinEdit* edit = c.area ? dlg->m_editArea : dlg->m_editNumber;
        edit->clear();
        QTest::keyClicks(edit, c.text);
        QTest::mouseClick(c.area ? static_cast<QWidget*>(dlg->m_btnQueryArea) : dlg->m_btnQueryNumber,
                          Qt::LeftButton);
        EXPECT_EQ(Results(), c.results) << c.text;
        EXPECT_EQ(messages, (*c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{}))
            << c.text;
    }
    // The edits take digits only, the number at most eleven.
    dlg->m_editNumber->clear();
    QTest::keyClicks(dlg->m_editNumber, "13a8001380001234");
    EXPECT_EQ(dlg->m_editNumber->text(), "13800138000");
}

TEST_F(NumberLocationPage, TreeSelectionAndRadios) {
    ASSERT_EQ(dlg->m_tree->topLevelItemCount(), 3);
    EXPECT_EQ(dlg->m_total->text(), "总计：0个号码段  0个号码");
    dlg->m_tree->setCurrentItem(Item(1));  // a province lists nothing
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(dlg->m_total->text(), "总计：  0个号码段   0个号码");

    dlg->m_tree->setCurrentItem(Item(1, 0));  // 吉林: in both provinces
    EXPECT_EQ(Lines(), (QStringList{"1339999xxxx", "1340000xxxx", "1399999xxxx"}));
    EXPECT_EQ(dlg->m_total->text(), "总计：  3个号码段   30000个号码");

    QTest::mouseClick(dlg->m_radio[1], Qt::LeftButton);  // 移动号码 relists
    EXPECT_EQ(Lines(), (QStringList{"1340000xxxx", "1399999xxxx"}));
    QTest::mouseClick(dlg->m_radio[3], Qt::LeftButton);  // 联通号码
    EXPECT_EQ(Lines(), (QStringList{"1339999xxxx"}));

    QTest::mouseClick(dlg->m_radio[2], Qt::LeftButton);  // 指定范围号码: edits on, no relist
    EXPECT_TRUE(dlg->m_editStart->isEnabled());
    EXPECT_TRUE(dlg->m_editEnd->isEnabled());
    EXPECT_EQ(Lines(), (QStringList{"1339999xxxx"}));
    QTest::keyClicks(dlg->m_editStart, "39999");
    QTest::keyClicks(dlg->m_editEnd, "40000");
    dlg->m_tree->setCurrentItem(Item(2, 0));  // 吉林市 of 内蒙古
    EXPECT_EQ(Lines(), (QStringList{"1340000xxxx"}));
    dlg->m_editEnd->setText("39999");
    dlg->m_tree->setCurrentItem(Item(1, 0));
    EXPECT_EQ(messages, std::vector<std::string>{"结束号码应该大于起始号码！"});
    EXPECT_TRUE(Lines().isEmpty());

    QTest::mouseClick(dlg->m_radio[0], Qt::LeftButton);  // 所有号码: edits off and empty, relist
    EXPECT_FALSE(dlg->m_editStart->isEnabled());
    EXPECT_TRUE(dlg->m_editStart->text().isEmpty());
    EXPECT_TRUE(dlg->m_editEnd->text().isEmpty());
    EXPECT_EQ(Lines().size(), 3);
    if (const char* out = std::getenv("SMS_RENDER_DIR"))
        dlg->grab().save(QString(out) + "/numloc.png");
}

TEST(NumberLocationPageNoFiles, TreeStaysEmptyAndQueriesFindNothing) {
    testsupport::TempAppDir app;
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    CNumberLocationDlg dlg;
    dlg.OnTimer(100);
    EXPECT_EQ(dlg.m_tree->topLevelItemCount(), 0);
    dlg.m_editNumber->setText("1380013");
    dlg.OnBtnQueryNumber();
    EXPECT_EQ(messages, std::vector<std::string>{"对不起，没有查询到该号码的归属地！"});
}

}  // namespace
