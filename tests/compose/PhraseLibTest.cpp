// The phrase library on real type files in a temporary program folder: the files byte for byte,
// the page's handlers, the phrase text dialog and the picker, on real widgets.
#include "compose/MMSDialogs.h"
#include "compose/MultiLineEdit.h"
#include "compose/PhraseFiles.h"
#include "compose/PhraseLibDialogs.h"
#include "compose/PhraseLibDlg.h"
#include "compose/PickerHooks.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AutoReplyDlg.h"
#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "core/WelComeDlg.h"
#include "core/WorkerEngine.h"
#include "core/Globals.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using codec::FromQ;
using codec::ToQ;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string Record(const std::string& utf8) {
    std::string r(phrasefiles::kRecordSize, '\0');
    const std::string gbk = codec::ToGbk(utf8);
    std::memcpy(r.data(), gbk.data(), std::min(gbk.size(), r.size() - 1));
    return r;
}

std::string Records(const std::vector<std::string>& phrases) {
    std::string out;
    for (const auto& p : phrases) out += Record(p);
    return out;
}

// The texts a phrase list shows, top down (its rows hold GBK).
std::vector<std::string> Shown(const uikit::CSortListCtrl& list) {
    std::vector<std::string> out;
    const QAbstractItemModel* m = list.Model();
    for (int r = 0; r < m->rowCount(); ++r) out.push_back(FromQ(m->data(m->index(r, 0), Qt::DisplayRole).toString()));
    return out;
}

struct PhraseFixture : ::testing::Test {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    int answer = 1;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return answer;
    }};
    std::optional<std::string> fileAnswer;
    seam::FileDialogRequest lastRequest;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest& r) {
        lastRequest = r;
        return fileAnswer;
    }};
    std::unique_ptr<CPhraseLibDlg> page;

    PhraseFixture() { paths::MakeDirs(dir.file("TextSink")); }

    std::string TypePath(const std::string& type) const { return dir.file("TextSink/" + type + ".txt"); }
    void WriteType(const std::string& type, const std::vector<std::string>& phrases) {
        WriteFile(TypePath(type), Records(phrases));
    }
    std::vector<std::string> FileOf(const std::string& type) const {
        std::vector<std::string> out;
        phrasefiles::ReadPhrases(TypePath(type), out);
        return out;
    }
    void OpenPage() {
        page.reset();
        page = std::make_unique<CPhraseLibDlg>();
        page->resize(730, 376);
        page->LoadPhraseTypes();
    }
    QTreeWidgetItem* TypeItem(const std::string& type) const {
        QTreeWidgetItem* root = page->RootItem();
        for (int i = 0; root && i < root->childCount(); ++i)
            if (FromQ(root->child(i)->text(0)) == type) return root->child(i);
        return nullptr;
    }
    std::vector<std::string> TreeTypes() const {
        std::vector<std::string> out;
        QTreeWidgetItem* root = page->RootItem();
        for (int i = 0; root && i < root->childCount(); ++i) out.push_back(FromQ(root->child(i)->text(0)));
        return out;
    }
    void Select(const std::string& type) { page->m_tree->setCurrentItem(TypeItem(type)); }
    std::vector<std::string> ListTexts() const { return Shown(*page->m_list); }
    void SelectRows(std::initializer_list<int> rowsToSelect) {
        page->m_list->clearSelection();
        for (int r : rowsToSelect) page->m_list->SetItemSelected(r, true);
    }
    // Runs the next phrase text dialog: the text typed, then OK.
    static ScopedModalRun TypeAndOk(const std::string& typed, std::string* caption = nullptr) {
        return ScopedModalRun([typed, caption](CSkinDialog& d) {
            d.ShowForHook();
            auto& dlg = dynamic_cast<CPhraseEditDlg&>(d);
            if (caption) *caption = FromQ(dlg.windowTitle());
            dlg.m_editText->setText(ToQ(typed));
            dlg.OnOK();
            return dlg.result();
        });
    }
    ~PhraseFixture() override { page.reset(); }
};

TEST(PhraseFiles, TypesAreTheTxtFilesOfTheSortedListing) {
    struct Case {
        const char* what;
        std::vector<std::string> files, folders, types;
    };
    const Case cases[] = {
        {"two types", {"问候.txt", "节日.txt"}, {}, {"节日", "问候"}},
        {"a folder and a file without .txt", {"说明", "a.dat"}, {"子.txt"}, {}},
        {"both", {"问候.txt", "readme"}, {"分组.txt"}, {"问候"}},
        {"an empty folder", {}, {}, {}},
    };
    for (const Case& c : cases) {
        testsupport::TempAppDir dir;
        paths::MakeDirs(dir.file("TextSink"));
        for (const auto& f : c.files) WriteFile(dir.file("TextSink/" + f), "");
        for (const auto& f : c.folders) paths::MakeDirs(dir.file("TextSink/" + f));
        EXPECT_EQ(phrasefiles::ListTypes(), c.types) << c.what;
    }
    testsupport::TempAppDir none;  // no folder at all
    EXPECT_TRUE(phrasefiles::ListTypes().empty());
}

TEST(PhraseFiles, ReadersTakeWholeRecordsOnly) {
    testsupport::TempAppDir dir;
    const std::string path = dir.file("t.txt");
    WriteFile(path, Record("早上好") + Record("晚安") + std::string(250, 'x'));
    std::vector<std::string> got;
    EXPECT_TRUE(phrasefiles::ReadPhrases(path, got));
    EXPECT_EQ(got, (std::vector<std::string>{"早上好", "晚安"}));
    // A record without a NUL is read to its end; the writer always leaves one.
    WriteFile(path, std::string(500, 'a'));
    ASSERT_TRUE(phrasefiles::ReadPhrases(path, got));
    EXPECT_EQ(got.front(), std::string(500, 'a'));
    EXPECT_TRUE(phrasefiles::WritePhrases(path, got));
    EXPECT_EQ(ReadFile(path), std::string(499, 'a') + '\0');
    EXPECT_FALSE(phrasefiles::ReadPhrases(dir.file("missing.txt"), got));
    EXPECT_TRUE(got.empty());
}

TEST(PhraseFiles, LongPhraseIsCutOnACharacterBoundaryByAppendAndRewrite) {
    std::string chinese, rest;
    for (int i = 0; i < 250; ++i) chinese += "中";  // 500 bytes: byte 499 is a lead byte
    for (int i = 0; i < 249; ++i) rest += "文";
    struct Case {
        const char* what;
        std::string phrase, kept;
    };
    const Case cases[] = {
        {"two-byte characters only", chinese, chinese.substr(0, 249 * 3)},
        {"one ASCII byte first", "a" + rest + "文", "a" + rest},           // 1 + 500 bytes: 499 kept
        {"two ASCII bytes first", "ab" + rest, "ab" + rest.substr(0, 248 * 3)},  // 500 bytes: 498 kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempAppDir dir;
        const std::string expected = Record(c.kept);
        ASSERT_TRUE(phrasefiles::AppendPhrase("长", c.phrase));
        EXPECT_EQ(ReadFile(phrasefiles::TypeFile("长")), expected);
        const std::string path = dir.file("w.txt");
        ASSERT_TRUE(phrasefiles::WritePhrases(path, {c.phrase}));
        EXPECT_EQ(ReadFile(path), expected);
        rows::RowStore store(1);
        store.Append({codec::ToGbk(c.phrase)});
        ASSERT_TRUE(phrasefiles::WritePhraseStore(path, store));
        EXPECT_EQ(ReadFile(path), expected);
    }
}

// The phrases of an import text as plain texts (the rows hold GBK).
std::vector<std::string> SplitImport(std::string_view gbk, std::size_t maxPhrases = phrasefiles::kMaxRecords) {
    std::vector<std::string> out;
    for (const rows::PackedRow& r : phrasefiles::SplitImportRows(gbk, maxPhrases, 2))
        out.push_back(codec::FromGbk(rows::PackedCell(r.cells, 0)));
    return out;
}

TEST(PhraseFiles, ImportTextIsCutIntoTrimmedLines) {
    // 498 ASCII bytes, then a character whose second byte would be the 500th.
    const std::string longLine = std::string(498, 'a') + "中文";
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> phrases;
    };
    const Case cases[] = {
        {"blank lines and leading blanks", "\r\n  早上好 \r\n\r\n \t晚安 \r\n\r\n", {"早上好 ", "晚安"}},
        {"LF-only lines", "一\n二\r\n三", {"一", "二", "三"}},
        {"only blanks", " \r\n\t\r\n", {}},
        {"empty", "", {}},
        {"a long line cut on a character boundary", longLine + "\r\nb", {std::string(498, 'a'), "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitImport(codec::ToGbk(c.text)), c.phrases) << c.what;
    EXPECT_EQ(SplitImport("a\r\nb\r\nc", 2), (std::vector<std::string>{"a", "b"}));
}

// The phrases past the last step are counted, blank lines not among them.
TEST(PhraseFiles, ImportCountsThePhrasesLeftOut) {
    const std::string text = "a\r\n\r\n b\r\n \t\r\nc\nd \r\n\r\n";
    const struct {
        std::size_t max;
        std::size_t kept;
        std::size_t leftOut;
    } cases[] = {{0, 0, 4}, {1, 1, 3}, {3, 3, 1}, {4, 4, 0}, {9, 4, 0}};
    for (const auto& c : cases) {
        std::size_t leftOut = 99;
        EXPECT_EQ(phrasefiles::SplitImportRows(text, c.max, 2, &leftOut).size(), c.kept) << c.max;
        EXPECT_EQ(leftOut, c.leftOut) << c.max;
    }
    EXPECT_EQ(phrasefiles::ImportCapText(99999, 1), "每个短语类型最多保存100000条短语：已导入99999条，其余1条未导入！");
}

TEST_F(PhraseFixture, TreeListsTheTypesUnderTheRoot) {
    WriteType("问候", {"你好"});
    WriteType("节日", {});
    paths::MakeDirs(dir.file("TextSink/子.txt"));
    OpenPage();
    ASSERT_EQ(page->m_tree->topLevelItemCount(), 1);
    EXPECT_EQ(FromQ(page->RootItem()->text(0)), "常用短语");
    EXPECT_TRUE(page->RootItem()->isExpanded());
    EXPECT_EQ(TreeTypes(), (std::vector<std::string>{"节日", "问候"}));
    Select("问候");
    EXPECT_EQ(page->m_strCurType, "问候");
    EXPECT_EQ(ListTexts(), std::vector<std::string>{"你好"});
    page->m_tree->setCurrentItem(page->RootItem());
    EXPECT_EQ(page->m_strCurType, "");
    EXPECT_EQ(page->Rows().Count(), 0u);
    EXPECT_EQ(page->m_list->GetColumnHeading(0), ToQ("     常用短语"));
    EXPECT_EQ(page->m_list->GetColumnWidth(0), 800);
    EXPECT_EQ(page->m_list->GetColumnWidth(1), 0);
}

TEST_F(PhraseFixture, FileOrderSurvivesEveryChangeAndRestart) {
    WriteType("问候", {"一", "二", "三"});
    OpenPage();
    Select("问候");
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"一", "二", "三"}));

    std::string caption;
    {
        auto run = TypeAndOk("四 'ok'", &caption);
        page->OnNewPhrase();
    }
    EXPECT_EQ(caption, "添加惯用短语");
    EXPECT_EQ(FileOf("问候"), (std::vector<std::string>{"一", "二", "三", "四 \"ok\""}));

    SelectRows({1});
    {
        auto run = TypeAndOk("贰", &caption);
        page->OnEditPhrase();
    }
    EXPECT_EQ(caption, "惯用短语编辑");
    SelectRows({0, 2});
    page->OnDelPhrase();
    EXPECT_EQ(messages.back(), "真的要删除选中的短语吗？");
    EXPECT_EQ(FileOf("问候"), (std::vector<std::string>{"贰", "四 \"ok\""}));

    WriteFile(dir.file("in.txt"), codec::ToGbk("五\r\n六\n"));
    fileAnswer = dir.file("in.txt");
    page->OnImportPhrases();
    EXPECT_EQ(lastRequest.title, "格式应为：每行一条常用语");
    EXPECT_EQ(lastRequest.filter, "文本文件(*.txt)|*.txt|");
    const std::vector<std::string> expected{"贰", "四 \"ok\"", "五", "六"};
    EXPECT_EQ(ListTexts(), expected);
    EXPECT_EQ(ReadFile(TypePath("问候")), Records(expected));

    OpenPage();  // a restart
    Select("问候");
    EXPECT_EQ(ListTexts(), expected);
    // The picker shows the same order.
    std::vector<std::string> shown;
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        auto& dlg = dynamic_cast<CInsertPhraseDlg&>(d);
        shown = Shown(*dlg.m_list);
        return 2;
    });
    EXPECT_FALSE(picker::PickPhrase(nullptr));
    EXPECT_EQ(shown, expected);
}

TEST_F(PhraseFixture, RewriteKeepsARecordsBytesThatAreNotGbk) {
    std::string kept(phrasefiles::kRecordSize, '\0');
    std::memcpy(kept.data(), "a\xFF" "b", 3);
    WriteFile(TypePath("杂"), kept + Record("去掉"));
    OpenPage();
    Select("杂");
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"a?b", "去掉"}));
    SelectRows({1});
    page->OnDelPhrase();
    EXPECT_EQ(ReadFile(TypePath("杂")), kept);
}

TEST_F(PhraseFixture, NewPhraseCutsATornTailFirst) {
    WriteFile(TypePath("问候"), Record("一") + std::string(120, 'z'));
    OpenPage();
    Select("问候");
    EXPECT_EQ(ListTexts(), std::vector<std::string>{"一"});
    auto run = TypeAndOk("二");
    page->OnNewPhrase();
    EXPECT_EQ(ReadFile(TypePath("问候")), Records({"一", "二"}));
    EXPECT_EQ(ReadFile(TypePath("问候") + ".bad"), std::string(120, 'z'));
}

TEST_F(PhraseFixture, NewTypeHasNoFileUntilItsFirstPhrase) {
    OpenPage();
    QTreeWidgetItem* item = new QTreeWidgetItem(page->RootItem(), QStringList(ToQ("新类")));
    page->m_tree->setCurrentItem(item);
    EXPECT_FALSE(paths::FileExists(TypePath("新类")));
    auto run = TypeAndOk("第一条");
    page->OnNewPhrase();
    EXPECT_EQ(ReadFile(TypePath("新类")), Record("第一条"));
}

TEST_F(PhraseFixture, ExportThenImportIntoAnEmptyTypeGivesTheSameFile) {
    const std::vector<std::string> phrases{"早上好！", "a b", std::string(248, 'x'), "节日快乐，万事如意"};
    WriteType("问候", phrases);
    OpenPage();
    Select("问候");
    fileAnswer = dir.file("out/导出.txt");
    paths::MakeDirs(dir.file("out"));
    page->OnExportPhrases();
    EXPECT_TRUE(lastRequest.save);
    EXPECT_EQ(lastRequest.title, "格式为：每行一条短语");
    EXPECT_EQ(lastRequest.defaultExt, "txt");
    std::string text;
    for (const auto& p : phrases) text += codec::ToGbk(p) + "\r\n";
    EXPECT_EQ(ReadFile(dir.file("out/导出.txt")), text);

    auto* item = new QTreeWidgetItem(page->RootItem(), QStringList(ToQ("空")));
    page->m_tree->setCurrentItem(item);
    page->OnImportPhrases();
    EXPECT_EQ(ReadFile(TypePath("空")), ReadFile(TypePath("问候")));
}

TEST_F(PhraseFixture, RefusalsNameWhatIsMissing) {
    WriteType("问候", {"一"});
    OpenPage();
    struct Case {
        void (CPhraseLibDlg::*handler)();
        bool withType;
        const char* message;
    };
    const Case cases[] = {
        {&CPhraseLibDlg::OnNewPhrase, false, "请先选择要添加的短语类型！"},
        {&CPhraseLibDlg::OnImportPhrases, false, "请先选择要添加的短语类型！"},
        {&CPhraseLibDlg::OnExportPhrases, false, "请先选择要导出的短语类型！"},
        {&CPhraseLibDlg::OnEditPhrase, true, "请先选中要修改的短语！"},
        {&CPhraseLibDlg::OnDelPhrase, true, "请先选中要删除的短语！"},
        {&CPhraseLibDlg::OnSendSelected, true, "请先选中要发送的短语！"},
        {&CPhraseLibDlg::OnAddToReplyList, true, "请先选中要添加到“自动回复循环列表”的短语！"},
    };
    for (const Case& c : cases) {
        if (c.withType) Select("问候"); else page->m_tree->setCurrentItem(page->RootItem());
        page->m_list->clearSelection();
        messages.clear();
        (page.get()->*c.handler)();
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
    }
    EXPECT_EQ(ReadFile(TypePath("问候")), Record("一"));
}

TEST_F(PhraseFixture, DeletingATypeRemovesItsItemAndAnyFile) {
    WriteType("问候", {"一"});
    WriteType("节日", {"二"});
    OpenPage();
    auto* fileless = new QTreeWidgetItem(page->RootItem(), QStringList(ToQ("新类")));
    page->m_tree->setCurrentItem(fileless);
    page->OnDelType();
    EXPECT_EQ(messages.back(), "删除短语类型时，属于该类型的短语也将同时删除。真的要删除选择的短语类型吗？");
    EXPECT_EQ(TreeTypes(), (std::vector<std::string>{"节日", "问候"}));
    EXPECT_EQ(phrasefiles::ListTypes(), (std::vector<std::string>{"节日", "问候"}));

    Select("问候");
    answer = 0;
    page->OnDelType();
    EXPECT_TRUE(paths::FileExists(TypePath("问候")));
    answer = 1;
    page->OnDelType();
    EXPECT_FALSE(paths::FileExists(TypePath("问候")));
    EXPECT_EQ(TreeTypes(), std::vector<std::string>{"节日"});

    messages.clear();
    page->m_tree->setCurrentItem(page->RootItem());
    page->OnDelType();  // the root: nothing happens
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(page->m_tree->topLevelItemCount(), 1);
}

TEST_F(PhraseFixture, EditDialogReplacesQuotesRefusesEmptyAndHolds248Bytes) {
    CPhraseEditDlg dlg;
    dlg.m_strCaption = "标题";
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        dlg.m_editText->clear();
        dlg.OnOK();
        EXPECT_EQ(messages, std::vector<std::string>{"内容不能为空！"});
        EXPECT_TRUE(dlg.isVisible());
        dlg.m_editText->setFocus();
        for (const QChar ch : ToQ(std::string(130, '\'') + std::string(70, 'a') + "中文字符中文字符中文字符中文字符中文字符中文字符中文字符"))
            QTest::sendKeyEvent(QTest::Click, dlg.m_editText, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        EXPECT_EQ(codec::GbkLength(FromQ(dlg.m_editText->text())), 248u);
        dlg.OnOK();
        return dlg.result();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(FromQ(dlg.windowTitle()), "标题");
    EXPECT_EQ(dlg.m_strText, std::string(130, '"') + std::string(70, 'a') + "中文字符中文字符中文字符中文字符中文字符中文字符");
}

TEST_F(PhraseFixture, PickerRefusesOneByteAndTakesOneChineseCharacter) {
    WriteType("问候", {"a", "好"});
    WriteType("节日", {"春节快乐"});
    OpenPage();
    int step = 0;
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        auto& dlg = dynamic_cast<CInsertPhraseDlg&>(d);
        EXPECT_EQ(FromQ(dlg.windowTitle()), "从短语库中插入短语");
        EXPECT_EQ(dlg.m_comboType->count(), 2);
        EXPECT_EQ(FromQ(dlg.m_comboType->currentText()), "节日");  // listing order, the first
        EXPECT_EQ(dlg.m_list->Store()->Count(), 1u);
        dlg.m_comboType->setCurrentIndex(1);
        EXPECT_EQ(dlg.m_list->Store()->Count(), 2u);
        dlg.OnOK();
        EXPECT_EQ(messages.back(), "请先选中要插入的短语！");
        dlg.m_list->SetItemSelected(0, true);
        dlg.OnOK();
        EXPECT_EQ(messages.back(), "选中的短语为空，请重新选择！");
        EXPECT_TRUE(dlg.isVisible());
        dlg.m_list->clearSelection();
        // A double click on the second row chooses it.
        const QRect r = dlg.m_list->visualRect(dlg.m_list->Model()->index(1, 0));
        QTest::mouseClick(dlg.m_list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(dlg.m_list->viewport(), Qt::LeftButton, {}, r.center());
        ++step;
        return dlg.result();
    });
    EXPECT_EQ(picker::PickPhrase(nullptr), std::optional<std::string>("好"));
    EXPECT_EQ(step, 1);
}

TEST_F(PhraseFixture, ATypeHoldsAtMostTheRecordLimit) {
    std::string many(phrasefiles::kRecordSize * (phrasefiles::kMaxRecords - 1), '\0');
    for (std::size_t i = 0; i < phrasefiles::kMaxRecords - 1; ++i) many[i * phrasefiles::kRecordSize] = 'p';
    WriteFile(TypePath("满"), many);
    OpenPage();
    Select("满");
    WriteFile(dir.file("in.txt"), "x\r\ny\r\nz\r\n");
    fileAnswer = dir.file("in.txt");
    page->OnImportPhrases();
    EXPECT_EQ(messages, std::vector<std::string>{"每个短语类型最多保存100000条短语：已导入1条，其余2条未导入！"});
    EXPECT_EQ(paths::FileSize(TypePath("满")), static_cast<long long>(phrasefiles::kRecordSize * phrasefiles::kMaxRecords));
    EXPECT_EQ(FileOf("满").back(), "x");
    messages.clear();
    page->OnImportPhrases();  // nothing fits
    EXPECT_EQ(messages, std::vector<std::string>{"每个短语类型最多保存100000条短语：已导入0条，其余3条未导入！"});
    EXPECT_EQ(paths::FileSize(TypePath("满")), static_cast<long long>(phrasefiles::kRecordSize * phrasefiles::kMaxRecords));
    messages.clear();
    page->OnNewPhrase();  // no dialog: the type is full
    EXPECT_EQ(messages, std::vector<std::string>{"每个短语类型最多保存100000条短语！"});
    EXPECT_EQ(paths::FileSize(TypePath("满")), static_cast<long long>(phrasefiles::kRecordSize * phrasefiles::kMaxRecords));
}

// Imports of the full limit's size: into a type of one phrase the last line is left out, into an
// empty type one line past the limit is; an import that fits says nothing.
TEST_F(PhraseFixture, ImportAtTheLimitSaysHowManyPhrasesItLeftOut) {
    std::string lines;
    for (std::size_t i = 0; i < phrasefiles::kMaxRecords; ++i) lines += "p" + std::to_string(i) + "\r\n";
    WriteFile(dir.file("full.txt"), lines);
    WriteFile(dir.file("over.txt"), lines + "\r\n  \r\nlast\r\n");
    const struct {
        const char* type;
        std::vector<std::string> before;
        const char* file;
        std::vector<std::string> message;
        const char* lastKept;
    } cases[] = {
        {"一条", {"旧"}, "full.txt", {"每个短语类型最多保存100000条短语：已导入99999条，其余1条未导入！"}, "p99998"},
        {"空", {}, "over.txt", {"每个短语类型最多保存100000条短语：已导入100000条，其余1条未导入！"}, "p99999"},
        {"刚好", {}, "full.txt", {}, "p99999"},
    };
    for (const auto& c : cases) WriteType(c.type, c.before);
    OpenPage();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Select(c.type);
        messages.clear();
        fileAnswer = dir.file(c.file);
        page->OnImportPhrases();
        EXPECT_EQ(messages, c.message);
        const std::vector<std::string> kept = FileOf(c.type);
        ASSERT_EQ(kept.size(), phrasefiles::kMaxRecords);
        EXPECT_EQ(kept.front(), c.before.empty() ? "p0" : c.before.front());
        EXPECT_EQ(kept.back(), c.lastKept);
        EXPECT_EQ(page->Rows().Count(), phrasefiles::kMaxRecords);
    }
}

// A delete runs under the wait cursor; its question, the edit dialog and an import's message
// show without it.
TEST_F(PhraseFixture, WaitCursorOverTheRewritesOnly) {
    WriteType("问候", {"一", "二", "三"});
    OpenPage();
    Select("问候");
    std::set<int> shown, changed;
    seam::ScopedMessageBox box([&](const std::string& t, int) {
        messages.push_back(t);
        shown.insert(testsupport::WaitCursorDepth());
        return 1;
    });
    QObject::connect(page->m_list->Model(), &QAbstractItemModel::rowsRemoved,
                     [&] { changed.insert(testsupport::WaitCursorDepth()); });
    QObject::connect(page->m_list->Model(), &QAbstractItemModel::modelReset,
                     [&] { changed.insert(testsupport::WaitCursorDepth()); });
    SelectRows({1});
    {
        ScopedModalRun run([&](CSkinDialog& d) {
            shown.insert(testsupport::WaitCursorDepth());
            auto& dlg = dynamic_cast<CPhraseEditDlg&>(d);
            dlg.m_editText->setText(ToQ("贰"));
            dlg.OnOK();
            return dlg.result();
        });
        page->OnEditPhrase();
    }
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
    SelectRows({0, 2});
    page->OnDelPhrase();
    EXPECT_EQ(FileOf("问候"), std::vector<std::string>{"贰"});
    EXPECT_EQ(changed, std::set<int>{1});
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
    EXPECT_EQ(shown, std::set<int>{0});
}

TEST_F(PhraseFixture, SendPageInsertsThePickedPhrase) {
    WriteType("问候", {"早上好", "晚安"});
    OpenPage();
    CSendSMSDlg send;
    send.m_editContent->SetText(ToQ("您好，"));
    ScopedModalRun run([](CSkinDialog& d) {
        d.ShowForHook();
        auto& dlg = dynamic_cast<CInsertPhraseDlg&>(d);
        dlg.m_list->SetItemSelected(1, true);
        dlg.OnOK();
        return dlg.result();
    });
    send.m_btnInsertPhrase->click();
    EXPECT_EQ(FromQ(send.m_editContent->Text()), "您好，晚安");
}

TEST_F(PhraseFixture, FrameTextDialogAppendsThePickedPhrase) {
    WriteType("问候", {"早上好"});
    OpenPage();
    CFrameTextDlg frame;
    frame.m_strText = "第一帧：";
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        if (auto* pick = dynamic_cast<CInsertPhraseDlg*>(&d)) {
            pick->m_list->SetItemSelected(0, true);
            pick->OnOK();
            return pick->result();
        }
        frame.m_btnPhrase->click();
        frame.OnOK();
        return frame.result();
    });
    EXPECT_EQ(frame.DoModal(), IDOK);
    EXPECT_EQ(frame.m_strText, "第一帧：早上好");
}

TEST_F(PhraseFixture, NewTypeNameIsCheckedAgainstThePhraseTypes) {
    WriteType("问候", {"一"});
    paths::MakeDirs(dir.file("MMSSink/接收彩信"));
    OpenPage();
    new QTreeWidgetItem(page->RootItem(), QStringList(ToQ("新类")));  // a type without a file yet
    auto typeName = [&](const std::string& typed) {
        std::string label;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto& dlg = dynamic_cast<CGroupNameDlg&>(d);
            label = FromQ(dlg.m_lblName->text());
            dlg.m_editName->setText(ToQ(typed));
            dlg.OnOK();
            return dlg.result();
        });
        page->OnAddType();
        EXPECT_EQ(label, "新增组名称：");
    };
    typeName("接收彩信");
    EXPECT_EQ(TreeTypes(), (std::vector<std::string>{"问候", "新类", "接收彩信"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(paths::FileExists(TypePath("接收彩信")));
    for (const char* taken : {"问候", "新类"}) {
        messages.clear();
        typeName(taken);
        EXPECT_EQ(messages, std::vector<std::string>{"彩信分组名称已经存在！"}) << taken;
    }
    EXPECT_EQ(TreeTypes(), (std::vector<std::string>{"问候", "新类", "接收彩信"}));
}

TEST_F(PhraseFixture, RenderWhenAsked) {
    const char* shots = std::getenv("SMS_SHOTS");
    if (!shots) GTEST_SKIP() << "SMS_SHOTS not set";
    const std::string out = shots;
    WriteType("问候", {"早上好！祝您今天心情愉快。", "晚安，好梦！", "周末愉快，记得多休息。"});
    WriteType("节日", {"新年快乐，万事如意！", "中秋快乐，阖家团圆。"});
    WriteType("会议通知", {"请于明天上午九点到三楼会议室开会。"});
    OpenPage();
    Select("问候");
    SelectRows({1});
    page->show();
    QCoreApplication::processEvents();
    page->grab().save(QString::fromStdString(out + "/phraselib-page.png"));
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        QCoreApplication::processEvents();
        const bool picker = dynamic_cast<CInsertPhraseDlg*>(&d) != nullptr;
        d.grab().save(QString::fromStdString(out + (picker ? "/phraselib-picker.png" : "/phraselib-edit.png")));
        return 2;
    });
    picker::PickPhrase(nullptr);
    page->OnEditPhrase();
}

// The real main window with its pages: the phrase page reaches the send-SMS page and the
// auto-reply page through the page pointers.
TEST(PhraseLibPages, SendAndAddToReplyListReachTheirPages) {
    testsupport::TempAppDir dir;
    for (const char* name : {"Smsdb.mdb", "LinkmanBook.mdb"})
        QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
    paths::MakeDirs(dir.file("TextSink"));
    WriteFile(dir.file("TextSink/问候.txt"), Records({"早上好", "新年快乐", "晚安"}));
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    g_bStopThreads = 0;
    CSMSServerDlg::SetLoginExec([](CLoginDlg&) { return static_cast<int>(QDialog::Accepted); });
    {
        CSMSServerDlg main;
        main.SetTrayAvailable(true);
        ASSERT_EQ(main.OnInitDialog(), 1);
        ASSERT_NE(g_pPhraseLibDlg, nullptr);
        CPhraseLibDlg& page = *g_pPhraseLibDlg;
        page.LoadPhraseTypes();
        page.m_tree->setCurrentItem(page.RootItem()->child(0));
        page.m_list->SetItemSelected(1, true);
        page.m_list->SetItemSelected(2, true);

        g_pSendSMSDlg->m_editContent->SetText(ToQ("旧的内容"));
        page.OnSendSelected();
        EXPECT_EQ(g_nCurrentPage, 4);
        EXPECT_EQ(FromQ(g_pSendSMSDlg->m_editContent->Text()), "新年快乐");
        EXPECT_NE(FromQ(g_pSendSMSDlg->m_labelLength->text()).find("当前长度4字"), std::string::npos);

        page.OnAddToReplyList();
        EXPECT_EQ(messages, std::vector<std::string>{"已将选中短语添加到“自动回复循环列表”中！"});
        std::vector<std::pair<std::string, std::string>> cyclic;
        for (const auto& r : g_pAutoReplyDlg->Engine().CyclicList().Snapshot())
            cyclic.emplace_back(r.cells[autoreply::kColText], r.cells[autoreply::kColMmsFile]);
        EXPECT_EQ(cyclic, (std::vector<std::pair<std::string, std::string>>{{"新年快乐", ""}, {"晚安", ""}}));
    }
    CSMSServerDlg::SetLoginExec({});
    g_dlgWelcome.DestroyWindow();
    g_bStopThreads = 0;
}

}  // namespace
