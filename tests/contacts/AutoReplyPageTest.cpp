// The auto-reply page and its dialogs on the offscreen platform.
#include "AutoReplyFixture.h"
#include "contacts/AutoReplyDialogs.h"
#include "contacts/AutoReplyDlg.h"
#include "contacts/ReplyTypeDlg.h"
#include "compose/MMSDialogs.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "core/GbkLimitValidator.h"
#include "core/SMSTextDlg.h"
#include "platform/ProfileFile.h"
#include "platform/Seams.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"
#include "uikit/SkinGroupBox.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <deque>
#include <filesystem>
#include <map>

using namespace autoreplytest;
using codec::ToQ;

namespace {

constexpr const char* kSender = "13900000001";

// Answers of the modal dialogs, by template: each runs the dialog's initialisation, then acts.
using DialogAct = std::function<int(CSkinDialog&)>;

class AutoReplyPage : public ::testing::Test {
protected:
    void SetUp() override {
        clk::SetFixed(2026, 12, 10, 8, 30, 5);
        g_nSmsBalance = 100;
        page = std::make_unique<CAutoReplyDlg>();
        page->resize(730, 376);
        page->LoadSettings();
    }
    void TearDown() override {
        page.reset();
        g_strAutoReplyIni.clear();
        clk::Reset();
    }
    std::string Key(const char* key) {
        return profile::GetString(dir.file("AutoReS.dat"), autoreply::kSection, key, "<none>", 10);
    }
    // Runs fn with the dialogs answered in turn by acts (by template id); the messages shown
    // are kept, each question answered by answer.
    void Run(std::map<unsigned, std::deque<DialogAct>> acts, const std::function<void()>& fn, int answer = 1) {
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& queue = acts[d.TemplateId()];
            if (queue.empty()) {
                ADD_FAILURE() << "dialog " << d.TemplateId() << " not expected";
                return int(IDCANCEL);
            }
            DialogAct act = std::move(queue.front());
            queue.pop_front();
            d.ShowForHook();
            return act(d);
        });
        seam::ScopedMessageBox box([&](const std::string& t, int) {
            messages.push_back(t);
            return answer;
        });
        fn();
        for (auto& [id, queue] : acts) EXPECT_TRUE(queue.empty()) << "dialog " << id << " not run";
    }
    static DialogAct Choose(int choice) {
        return [choice](CSkinDialog& d) {
            static_cast<CReplyTypeDlg&>(d).m_radio[choice]->setChecked(true);
            d.OnOK();
            return d.result();
        };
    }
    static DialogAct Cancel() {
        return [](CSkinDialog&) { return int(IDCANCEL); };
    }
    static DialogAct Text(const std::string& text) {
        return [text](CSkinDialog& d) {
            static_cast<CSMSTextDlg&>(d).Edit()->setPlainText(ToQ(text));
            d.OnOK();
            return d.result();
        };
    }
    static DialogAct Keyword(const std::string& query, const std::string& reply) {
        return [query, reply](CSkinDialog& d) {
            auto& k = static_cast<CKeywordReplyItemDlg&>(d);
            k.m_editQuery->setText(ToQ(query));
            k.m_editReply->setText(ToQ(reply));
            d.OnOK();
            return d.result();
        };
    }
    // The library picker choosing its first package; the library holds one package, of group
    // and name.
    DialogAct PickPackage(const std::string& group, const std::string& name) {
        std::filesystem::create_directories(dir.file("MMSSink/" + group));
        testsupport::WriteFile(dir.file("MMSSink/" + group + "/" + name + ".qmx"), "");
        return [](CSkinDialog& d) {
            static_cast<CInsertMMSDlg&>(d).m_list->SetItemSelected(0, true);
            d.OnOK();
            return d.result();
        };
    }
    std::vector<std::vector<std::string>> KeywordRows() {
        std::vector<std::vector<std::string>> out;
        for (const rows::RowData& r : page->Engine().KeywordList().Snapshot()) out.push_back(r.cells);
        return out;
    }
    void Select(uikit::CSortListCtrl* list, std::initializer_list<int> rowsToSelect) {
        list->Model()->Sync();
        list->clearSelection();
        for (int r : rowsToSelect) list->SetItemSelected(r, true);
    }

    testsupport::TempAppDir dir;
    std::unique_ptr<CAutoReplyDlg> page;
    std::vector<std::string> messages;
};

TEST_F(AutoReplyPage, ModesShowOneListInsideTheFrame) {
    page->Engine().KeywordList().Append({"天气", "彩信文件：旅游\\景点"});
    page->Engine().KeywordList().Append({"ABC", "你好"});
    page->Engine().CyclicList().Append({"新年快乐", "C:\\MMSSink\\节日\\新年快乐.qmx", "3"});
    page->show();
    struct Mode {
        QRadioButton* radio;
        const char* name;
        std::vector<const char*> shown, hidden;
        int x[3];
        const char* list;
    };
    const std::vector<const char*> keywordOnly = {"1280", "1043", "1044", "1002", "1003"};
    const std::vector<const char*> listOnly = {"1011", "1020", "1434", "1005"};
    const Mode modes[] = {{page->m_radioFromList, "autoreply-list", listOnly, keywordOnly, {148, 278, 408}, "1011"},
                          {page->m_radioByContent, "autoreply-keyword", keywordOnly, listOnly, {202, 334, 466}, "1280"}};
    for (const Mode& m : modes) {
        SCOPED_TRACE(m.name);
        const int y = page->m_btnAdd->y();
        m.radio->click();
        for (const char* id : m.shown) EXPECT_TRUE(page->findChild<QWidget*>(id)->isVisible()) << id;
        for (const char* id : m.hidden) EXPECT_FALSE(page->findChild<QWidget*>(id)->isVisible()) << id;
        for (QLabel* l : page->m_label) EXPECT_EQ(l->isVisible(), m.x[0] == 202);
        CSkinButton* buttons[3] = {page->m_btnAdd, page->m_btnModify, page->m_btnDelete};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buttons[i]->x(), m.x[i]);
            EXPECT_EQ(buttons[i]->y(), y);
        }
        const QRect frame = page->findChild<QWidget*>("1245")->geometry();
        const QRect list = page->findChild<QWidget*>(m.list)->geometry();
        EXPECT_TRUE(frame.contains(list, true)) << m.name;
        QCoreApplication::processEvents();
        if (const char* out = std::getenv("SMS_RENDER_DIR")) page->grab().save(QString(out) + "/" + m.name + ".png");
    }
    EXPECT_TRUE(page->m_editEmptyReply->isReadOnly());
    EXPECT_TRUE(page->m_editOtherReply->isReadOnly());
    EXPECT_TRUE(page->m_listKeyword->GridLines());
    EXPECT_TRUE(page->m_listCyclic->GridLines());
}

TEST_F(AutoReplyPage, HandlersWriteTheirKeyAtOnce) {
    struct Case {
        const char* control;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"1279", "启用自动回复", "1"},       {"1017", "启用自动回复", "0"},     {"1067", "回复所有查询", "1"},
        {"1066", "回复所有查询", "0"},       {"1313", "查询消息限制", "0"},     {"1068", "查询消息限制", "1"},
        {"1069", "查询消息限制", "2"},       {"1415", "标记回复与循环回复", "1"}, {"1020", "添加自动编号", "1"},
        {"1434", "随即选取回复消息", "1"},   {"1020", "添加自动编号", "0"},     {"1434", "随即选取回复消息", "0"},
        {"1005", "消息自动编号", "1"},       {"1416", "标记回复与循环回复", "0"},
    };
    page->show();
    page->m_radioFromList->click();  // the check boxes show in list mode
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        auto* w = page->findChild<QAbstractButton*>(c.control);
        ASSERT_TRUE(w);
        w->click();
        EXPECT_EQ(Key(c.key), c.value);
    }
    // A restart reads them back into the controls.
    page->m_radioStop->click();
    page->m_radioFromList->click();
    page = std::make_unique<CAutoReplyDlg>();
    page->LoadSettings();
    EXPECT_TRUE(page->m_radioStop->isChecked());
    EXPECT_TRUE(page->m_radioFromList->isChecked());
    EXPECT_TRUE(page->m_radioFilter[2]->isChecked());
    EXPECT_FALSE(page->m_checkRandom->isChecked());
    EXPECT_FALSE(page->m_listKeyword->isVisibleTo(page.get()));
}

TEST_F(AutoReplyPage, ResetNumberThenANumberedReplyCarriesOne) {
    page->m_radioFromList->click();
    page->Engine().CyclicList().Append({"行程", "", ""});
    page->m_checkAutoNumber->click();
    page->Engine().Set(autoreply::kNextNumber, 41);
    page->m_btnResetNumber->click();
    std::string name, text;
    page->ChooseReply(kSender, "x", name, text);
    EXPECT_EQ(text, "000001行程");
    EXPECT_EQ(Key("消息自动编号"), "2");
}

TEST_F(AutoReplyPage, DefaultRepliesThroughTheDialogs) {
    const std::string keywordFile = dir.file("AutoRe1.dat");
    // A text reply; the type dialog shows its third choice and starts at the MMS choice.
    Run({{420, {[](CSkinDialog& d) {
              auto& t = static_cast<CReplyTypeDlg&>(d);
              EXPECT_TRUE(t.m_radio[2]->isVisibleTo(&t));
              EXPECT_TRUE(t.m_radio[0]->isChecked());
              return Choose(1)(d);
          }}},
         {418, {Text("你好")}}},
        [&] { page->m_btnSetEmpty->click(); });
    EXPECT_EQ(page->m_editEmptyReply->text(), ToQ("你好"));
    EXPECT_EQ(testsupport::ReadFile(keywordFile), KeywordRec("", "你好") + KeywordRec(autoreply::kAnyOtherKey, ""));

    // Now preset to the text choice; each cancel changes nothing; the reserved prefix is refused.
    const DialogAct presetText = [](CSkinDialog& d) {
        EXPECT_TRUE(static_cast<CReplyTypeDlg&>(d).m_radio[1]->isChecked());
        return Cancel()(d);
    };
    Run({{420, {presetText}}}, [&] { page->m_btnSetEmpty->click(); });
    Run({{420, {Choose(1)}}, {418, {Cancel()}}}, [&] { page->m_btnSetEmpty->click(); });
    Run({{420, {Choose(1)}}, {418, {Text("彩信文件：G\\N")}}}, [&] { page->m_btnSetEmpty->click(); });
    EXPECT_EQ(messages, std::vector<std::string>{autoreply::kReservedPrefixText});
    // Cancel in the library picker changes nothing; a package chosen there is the reply.
    Run({{420, {Choose(0)}}, {CInsertMMSDlg::IDD, {Cancel()}}}, [&] { page->m_btnSetEmpty->click(); });
    EXPECT_EQ(page->m_editEmptyReply->text(), ToQ("你好"));
    EXPECT_EQ(page->Engine().EmptyReply(), "你好");
    Run({{420, {Choose(0)}}, {CInsertMMSDlg::IDD, {PickPackage("旅游", "景点")}}},
        [&] { page->m_btnSetOther->click(); });
    EXPECT_EQ(page->m_editOtherReply->text(), ToQ("彩信文件：旅游\\景点"));
    // An MMS reply presets the MMS choice.
    const DialogAct presetMms = [](CSkinDialog& d) {
        EXPECT_TRUE(static_cast<CReplyTypeDlg&>(d).m_radio[0]->isChecked());
        return Cancel()(d);
    };
    Run({{420, {presetMms}}}, [&] { page->m_btnSetOther->click(); });

    // The any-other reply the same way; then no reply for an empty message.
    Run({{420, {Choose(1)}}, {418, {Text("其它")}}}, [&] { page->m_btnSetOther->click(); });
    Run({{420, {Choose(2)}}}, [&] { page->m_btnSetEmpty->click(); });
    EXPECT_TRUE(page->m_editEmptyReply->text().isEmpty());
    EXPECT_EQ(testsupport::ReadFile(keywordFile), KeywordRec("", "") + KeywordRec(autoreply::kAnyOtherKey, "其它"));
    std::string name, text;
    EXPECT_EQ(page->ChooseReply(kSender, "", name, text), "");
    const std::vector<AutoReplyLogRecord> log = ReadLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(LogLine::Of(log[0]), (LogLine{"无查询项", "<无查询项，无信息回复>"}));
}

TEST_F(AutoReplyPage, ReplyTextDialogTakesTheReplyFieldsWidth) {
    // 250 Chinese characters are 500 GBK bytes: the dialog keeps 249 and "x" (499 bytes).
    std::string typed;
    for (int i = 0; i < 250; ++i) typed += "字";
    Run({{420, {Choose(1)}}, {418, {Text("x" + typed)}}}, [&] { page->m_btnSetOther->click(); });
    const std::string kept = page->Engine().OtherReply();
    EXPECT_EQ(codec::GbkLength(kept), 499u);
    EXPECT_EQ(kept, "x" + typed.substr(0, typed.size() - 3));
}

TEST_F(AutoReplyPage, KeywordRows) {
    // Duplicates are accepted by add.
    Run({{335, {Keyword("abc", "一"), Keyword("abc", "二"), Keyword("  xyz ", "三")}}}, [&] {
        for (int i = 0; i < 3; ++i) page->m_btnAdd->click();
    });
    EXPECT_EQ(KeywordRows(), (std::vector<std::vector<std::string>>{{"abc", "一"}, {"abc", "二"}, {"xyz ", "三"}}));
    EXPECT_EQ(testsupport::ReadFile(dir.file("AutoRe1.dat")).size(), 5 * sizeof(AutoReplyKeywordRecord));
    EXPECT_EQ(page->m_listKeyword->Store()->Row(page->m_listKeyword->Store()->IdAt(0))->icon, 0);

    // Modifying the last row to the first row's query in other letter case is refused.
    Select(page->m_listKeyword, {2});
    Run({{335, {[](CSkinDialog& d) {
              auto& k = static_cast<CKeywordReplyItemDlg&>(d);
              EXPECT_EQ(k.m_editQuery->text(), "xyz ");
              EXPECT_EQ(k.m_editReply->text(), ToQ("三"));
              return Keyword("ABC", "三")(d);
          }}}},
        [&] { page->m_btnModify->click(); });
    EXPECT_EQ(messages, std::vector<std::string>{"在第0项已经存在相同的信息设置！"});
    EXPECT_EQ(KeywordRows()[2][0], "xyz ");
    // Modifying a row to its own query in another case is not a conflict.
    messages.clear();
    Run({{335, {Keyword("XYZ", "四")}}}, [&] { page->m_btnModify->click(); });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(KeywordRows()[2], (std::vector<std::string>{"XYZ", "四"}));

    // Delete asks; Cancel keeps the rows.
    Select(page->m_listKeyword, {0, 2});
    Run({}, [&] { page->m_btnDelete->click(); }, 0);
    EXPECT_EQ(messages.back(), "真的要删除选中的信息设置吗？");
    EXPECT_EQ(KeywordRows().size(), 3u);
    Run({}, [&] { page->m_btnDelete->click(); }, 1);
    EXPECT_EQ(KeywordRows(), (std::vector<std::vector<std::string>>{{"abc", "二"}}));
    EXPECT_EQ(testsupport::ReadFile(dir.file("AutoRe1.dat")).size(), 3 * sizeof(AutoReplyKeywordRecord));

    // Nothing selected.
    messages.clear();
    page->m_listKeyword->clearSelection();
    Run({}, [&] {
        page->m_btnModify->click();
        page->m_btnDelete->click();
    });
    EXPECT_EQ(messages, (std::vector<std::string>{"请先选中要修改的信息设置！", "请先选中要删除的信息设置！"}));
}

TEST_F(AutoReplyPage, CyclicRows) {
    page->m_radioFromList->click();
    picker::PhraseFn oldPhrase = picker::SetPhrasePicker([](QWidget*) { return std::optional<std::string>("常用语"); });
    Run({{534, {[](CSkinDialog& d) {
              auto& c = static_cast<CCyclicReplyItemDlg&>(d);
              d.OnOK();  // no text yet: refused
              c.m_btnImport->click();
              EXPECT_EQ(c.m_editText->Text(), ToQ("常用语"));
              c.m_btnEditMMS->click();  // no file: refused
              d.OnOK();
              return d.result();
          }}}},
        [&] { page->m_btnAdd->click(); });
    picker::SetPhrasePicker(std::move(oldPhrase));
    EXPECT_EQ(messages, (std::vector<std::string>{"还未设置要发送的彩信标题或短信内容！", "还未设置要发送的彩信文件！"}));
    page->Engine().CyclicList().SetCell(page->Engine().CyclicList().IdAt(0), autoreply::kColTimesSent, "7");
    page->Engine().CyclicList().Append({"第二", "C:\\MMSSink\\G\\N.qmx", ""});

    // A package from the library: its path, and its name cut to 30 bytes as the text.
    const std::string longName = "一二三四五六七八九十abcdefghijklmn";  // 34 bytes
    Run({{534, {[](CSkinDialog& d) {
              auto& c = static_cast<CCyclicReplyItemDlg&>(d);
              c.m_btnSelectMMS->click();
              d.OnOK();
              return d.result();
          }}},
         {CInsertMMSDlg::IDD, {PickPackage("节日", longName)}}},
        [&] { page->m_btnAdd->click(); });
    ASSERT_EQ(page->Engine().CyclicList().Count(), 3u);
    const rows::RowData picked = page->Engine().CyclicList().Snapshot()[2];
    EXPECT_EQ(picked.cells[0], "一二三四五六七八九十abcdefghij");
    EXPECT_EQ(picked.cells[1], g_strAppPath + "\\MMSSink\\节日\\" + longName + ".qmx");
    page->Engine().CyclicList().Remove(page->Engine().CyclicList().IdAt(2));

    // Modify keeps the count; the file is cleared by its button.
    Select(page->m_listCyclic, {0});
    Run({{534, {[](CSkinDialog& d) {
              auto& c = static_cast<CCyclicReplyItemDlg&>(d);
              c.m_editText->SetText("新");
              d.OnOK();
              return d.result();
          }}}},
        [&] { page->m_btnModify->click(); });
    Select(page->m_listCyclic, {1});
    Run({{534, {[](CSkinDialog& d) {
              auto& c = static_cast<CCyclicReplyItemDlg&>(d);
              EXPECT_EQ(c.m_editFile->text(), "C:\\MMSSink\\G\\N.qmx");
              c.m_btnClearMMS->click();
              d.OnOK();
              return d.result();
          }}}},
        [&] { page->m_btnModify->click(); });
    std::vector<std::vector<std::string>> rowsNow;
    for (const rows::RowData& r : page->Engine().CyclicList().Snapshot()) rowsNow.push_back(r.cells);
    EXPECT_EQ(rowsNow, (std::vector<std::vector<std::string>>{{"新", "", "7"}, {"第二", "", ""}}));

    // List delete asks nothing.
    messages.clear();
    Select(page->m_listCyclic, {0, 1});
    Run({}, [&] { page->m_btnDelete->click(); });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(page->Engine().CyclicList().Count(), 0u);
    EXPECT_EQ(testsupport::ReadFile(dir.file("AutoRe2.dat")).size(), 0u);
    Run({}, [&] {
        page->m_btnModify->click();
        page->m_btnDelete->click();
    });
    EXPECT_EQ(messages, (std::vector<std::string>{"请先选择要修改的信息！", "请先选择要删除的信息！"}));
}

TEST(AutoReplyEditors, LimitsAndRefusals) {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    seam::ScopedMessageBox box([&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    });
    CKeywordReplyItemDlg k;
    k.ShowForHook();
    // Typing stops at 20 bytes; a paste is cut on a character boundary.
    QTest::keyClicks(k.m_editQuery, QString(21, 'q'));
    EXPECT_EQ(k.m_editQuery->text(), QString(20, 'q'));
    k.m_editQuery->clear();
    k.m_editQuery->setFocus();
    QApplication::clipboard()->setText(ToQ("ab一二三四五六七八九十"));
    k.m_editQuery->paste();
    EXPECT_EQ(k.m_editQuery->text(), ToQ("ab一二三四五六七八九"));
    // OK refusals, the dialog staying open.
    k.m_editQuery->setText("   ");
    k.OnOK();
    k.m_editQuery->setText("q");
    k.OnOK();
    EXPECT_EQ(messages, (std::vector<std::string>{"请输入手机需要发送的查询短信内容！", "请选择回复彩信内容！"}));
    EXPECT_TRUE(k.isVisible());
    EXPECT_TRUE(k.m_editReply->isReadOnly());

    CCyclicReplyItemDlg c;
    c.ShowForHook();
    std::string text(141, 't');
    c.m_editText->SetText(ToQ(text));
    EXPECT_EQ(c.m_editText->Text().size(), 140);
    EXPECT_TRUE(c.m_editFile->isReadOnly());

    CAutoReplyHelpDlg help;
    help.ShowForHook();
    QStringList texts;
    for (QLabel* l : help.findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains(ToQ("指令；接收到彩信时，系统将彩信标题作为查询指令。")));
    if (const char* out = std::getenv("SMS_RENDER_DIR")) {
        k.grab().save(QString(out) + "/keyword-item.png");
        c.grab().save(QString(out) + "/cyclic-item.png");
        help.grab().save(QString(out) + "/autoreply-help.png");
    }

    EXPECT_EQ(autoreply::PackageNameOf("C:\\MMSSink\\组\\名字.qmx"), "名字");
    EXPECT_EQ(autoreply::PackageReplyOf("C:\\MMSSink\\组\\名字.qmx"), "彩信文件：组\\名字");
}

}  // namespace
