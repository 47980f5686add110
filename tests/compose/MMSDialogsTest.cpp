// The small dialogs of the MMS library and editor, run through the modal-run hook on a
// temporary program folder with a real "MMSSink".
#include "compose/MMSDialogs.h"
#include "compose/MMSLibrary.h"
#include "compose/MMSPreview.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "compose/SendMMSDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include <filesystem>
#include <functional>

using codec::FromQ;
using codec::ToQ;
using testsupport::TempAppDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBadName = "输入框中不得包含下列字符：";

// A program folder with a library, and every message shown (the standard box included).
struct Library {
    TempAppDir app;
    std::vector<std::string> messages;
    int answer = 1;  // the answer to a question
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return answer;
    }};
    seam::ScopedStandardBox standard{[this](const std::string& t) { messages.push_back(t); }};

    Library() { fs::create_directories(app.file("MMSSink")); }
    void Package(const std::string& group, const std::string& file) {
        fs::create_directories(app.file("MMSSink/" + group));
        WriteFile(app.file("MMSSink/" + group + "/" + file), "qmx");
    }
    // The first message, or "" when none; a name check's message as kBadName.
    std::string Shown() const {
        if (messages.empty()) return "";
        return messages.front().rfind(kBadName, 0) == 0 ? kBadName : messages.front();
    }
};

// Runs the dialog: shown, filled, OK pressed. The result: IDOK, IDCANCEL, or 0 when it stayed open.
template <class Dlg>
int PressOk(Dlg& dlg, const std::function<void(Dlg&)>& fill) {
    ScopedModalRun run([&](CSkinDialog& d) {
        d.ShowForHook();
        fill(static_cast<Dlg&>(d));
        d.OnOK();
        return d.result();
    });
    return dlg.DoModal();
}

std::vector<std::string> ComboItems(const QComboBox* c) {
    std::vector<std::string> items;
    for (int i = 0; i < c->count(); ++i) items.push_back(FromQ(c->itemText(i)));
    return items;
}

}  // namespace

TEST(MMSDialogs, GroupNameOkRule) {
    struct Case {
        const char* name;
        int result;
        const char* message;
    } cases[] = {
        {"", 0, "彩信分组名称不能为空！"},
        {"a b", 0, kBadName},
        {"..\\x", 0, kBadName},
        {"旧组", 0, "彩信分组名称已经存在！"},
        {"..", 0, "彩信分组名称已经存在！"},
        {"新组", IDOK, ""},
    };
    for (const Case& c : cases) {
        Library lib;
        lib.Package("旧组", "a.qmx");
        CGroupNameDlg dlg;
        dlg.m_strLabel = "新增组名称：";
        const int r = PressOk<CGroupNameDlg>(dlg, [&](CGroupNameDlg& d) {
            EXPECT_EQ(FromQ(d.m_lblName->text()), "新增组名称：");
            d.m_editName->setText(ToQ(c.name));
        });
        EXPECT_EQ(r, c.result) << c.name;
        EXPECT_EQ(lib.Shown(), c.message) << c.name;
        EXPECT_EQ(dlg.m_strName, r == IDOK ? c.name : "") << c.name;
    }
}

TEST(MMSDialogs, RenameOkRule) {
    struct Case {
        const char* typed;
        int result;
        const char* message;
        const char* newName;
    } cases[] = {
        {"", 0, "请输入彩信的修改名称！", ""},
        {"   ", 0, "请输入彩信的修改名称！", ""},
        {"a:b", 0, kBadName, ""},
        {"新名 ", 0, kBadName, ""},
        {"旧名", IDCANCEL, "", ""},
        {"  旧名", IDCANCEL, "", ""},
        {"已有", 0, "彩信仓库中已经存在同名彩信！", ""},
        {"  新名", IDOK, "", "新名"},
    };
    for (const Case& c : cases) {
        Library lib;
        lib.Package("组", "旧名.qmx");
        lib.Package("组", "已有.qmx");
        lib.Package("别组", "新名.qmx");  // another group's package is no clash
        CMMSRenameDlg dlg;
        dlg.m_strGroup = "组";
        dlg.m_strOldName = "旧名";
        const int r = PressOk<CMMSRenameDlg>(dlg, [&](CMMSRenameDlg& d) {
            EXPECT_EQ(FromQ(d.m_editOldName->text()), "旧名");
            EXPECT_EQ(FromQ(d.m_editNewName->text()), "旧名");
            d.m_editNewName->setText(ToQ(c.typed));
        });
        EXPECT_EQ(r, c.result) << c.typed;
        EXPECT_EQ(lib.Shown(), c.message) << c.typed;
        EXPECT_EQ(dlg.m_strNewName, c.newName) << c.typed;
    }
}

TEST(MMSDialogs, ImportGroupOkRuleCreatesATypedGroupOnlyInsideTheLibrary) {
    struct Case {
        const char* group;
        const char* name;
        int answer;
        int result;
        const char* message;
    } cases[] = {
        {"", "包", 1, 0, "请选择要彩信要导入到的组名称！"},
        {"  ", "包", 1, 0, "请选择要彩信要导入到的组名称！"},
        {".", "包", 1, 0, "请选择要彩信要导入到的组名称！"},
        {"..", "包", 1, 0, "请选择要彩信要导入到的组名称！"},
        {"..\\x", "包", 1, 0, kBadName},
        {"../x", "包", 1, 0, kBadName},
        {"组", " ", 1, 0, "请输入在本系统中彩信的名称！"},
        {"组", "a*b", 1, 0, kBadName},
        {"组", "旧", 0, 0, "指定目录下已经存在同名彩信文件,是否覆盖旧的同名彩信文件？"},
        {"组", " 旧 ", 1, IDOK, "指定目录下已经存在同名彩信文件,是否覆盖旧的同名彩信文件？"},
        {" 新组 ", " 包 ", 1, IDOK, ""},
    };
    for (const Case& c : cases) {
        Library lib;
        lib.Package("组", "旧.qmx");
        lib.answer = c.answer;
        CImportMMSGroupDlg dlg;
        dlg.m_strName = "预设";
        const int r = PressOk<CImportMMSGroupDlg>(dlg, [&](CImportMMSGroupDlg& d) {
            EXPECT_EQ(FromQ(d.m_editName->text()), "预设");
            d.m_cmbGroup->setEditText(ToQ(c.group));
            d.m_editName->setText(ToQ(c.name));
        });
        EXPECT_EQ(r, c.result) << c.group << "/" << c.name;
        EXPECT_EQ(lib.Shown(), c.message) << c.group << "/" << c.name;
        // Only the library's own groups: nothing made beside "MMSSink" or in the program folder.
        std::vector<std::string> groups = mmslib::ListGroups();
        if (r == IDOK) {
            EXPECT_EQ(dlg.m_strGroup, codec::TrimAsciiSpace(c.group));
            EXPECT_EQ(dlg.m_strName, codec::TrimAsciiSpace(c.name));
        }
        const bool created = r == IDOK && dlg.m_strGroup == "新组";
        EXPECT_EQ(groups, (created ? std::vector<std::string>{"新组", "组"} : std::vector<std::string>{"组"}));
        EXPECT_FALSE(fs::exists(lib.app.file("x")));
        EXPECT_FALSE(fs::exists(lib.app.file("MMSSink/x")));
        EXPECT_EQ(std::distance(fs::directory_iterator(lib.app.path()), fs::directory_iterator()), 1);
    }
}

TEST(MMSDialogs, ImportGroupListsTheGroupsSortedAndCutsThePresetNameOnACharacterBoundary) {
    Library lib;
    for (const char* g : {"文件彩信", "b", "接收彩信", "A"}) fs::create_directories(lib.app.file(std::string("MMSSink/") + g));
    WriteFile(lib.app.file("MMSSink/file.qmx"), "not a group");
    struct Case {
        std::string preset, shown;
    } cases[] = {
        {"一二三四五六七八九十一二三四五", "一二三四五六七八九十一二三四五"},        // 30 bytes
        {"一二三四五六七八九十一二三四五六", "一二三四五六七八九十一二三四五"},      // 32
        {"a一二三四五六七八九十一二三四五", "a一二三四五六七八九十一二三四"},        // 31: the 30th byte halves a character
        {std::string(31, 'x'), std::string(30, 'x')},
    };
    for (const Case& c : cases) {
        CImportMMSGroupDlg dlg;
        dlg.m_strName = c.preset;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto& g = static_cast<CImportMMSGroupDlg&>(d);
            EXPECT_EQ(FromQ(g.m_editName->text()), c.shown);
            EXPECT_EQ(ComboItems(g.m_cmbGroup), (std::vector<std::string>{"A", "b", "接收彩信", "文件彩信"}));
            d.OnCancel();
            return d.result();
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
}

TEST(MMSDialogs, InsertMMSListsTheGroupsPackagesSortedAndGivesThePath) {
    Library lib;
    for (const char* f : {"b.qmx", "a.qmx", "a.qmx.txt", ".qmx", "a-.qmx", "中.qmx", "qmx"}) lib.Package("接收彩信", f);
    fs::create_directories(lib.app.file("MMSSink/接收彩信/x.qmx"));
    lib.Package("文件彩信", "z.qmx");
    fs::create_directories(lib.app.file("MMSSink/空组"));

    auto rows = [](const CInsertMMSDlg& d) {
        std::vector<std::string> names;
        for (int i = 0; i < d.m_list->GetItemCount(); ++i) names.push_back(d.m_list->Store()->Cell(d.m_list->GetItemId(i), 0).value_or("?"));
        return names;
    };
    struct Case {
        int group;  // combo index
        int row;    // -1: none selected
        int result;
        std::vector<std::string> listed;
        const char* name;
    } cases[] = {
        {0, -1, 0, {"a", "a-", "b", "中"}, ""},
        {0, 2, IDOK, {"a", "a-", "b", "中"}, "b"},
        {1, -1, 0, {}, ""},
        {2, 0, IDOK, {"z"}, "z"},
    };
    for (const Case& c : cases) {
        lib.messages.clear();
        CInsertMMSDlg dlg;
        const int r = PressOk<CInsertMMSDlg>(dlg, [&](CInsertMMSDlg& d) {
            EXPECT_EQ(ComboItems(d.m_cmbGroup), (std::vector<std::string>{"接收彩信", "空组", "文件彩信"}));
            d.m_cmbGroup->setCurrentIndex(c.group);
            EXPECT_EQ(rows(d), c.listed);
            if (c.row >= 0) d.m_list->SetItemSelected(c.row, true);
        });
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(lib.Shown(), r == IDOK ? "" : "请先选中彩信！");
        EXPECT_EQ(dlg.m_strName, c.name);
        if (r == IDOK)
            EXPECT_EQ(dlg.m_strPath, g_strAppPath + "\\MMSSink\\" + dlg.m_strGroup + "\\" + c.name + ".qmx");
    }

    // The send-MMS page's picker: the chosen path, or nothing when cancelled.
    {
        ScopedModalRun run([](CSkinDialog& d) {
            d.ShowForHook();
            static_cast<CInsertMMSDlg&>(d).m_list->SetItemSelected(0, true);
            d.OnOK();
            return d.result();
        });
        EXPECT_EQ(sendmms::PickLibraryPackage(nullptr), g_strAppPath + "\\MMSSink\\接收彩信\\a.qmx");
    }
    ScopedModalRun cancel([](CSkinDialog& d) {
        d.OnCancel();
        return d.result();
    });
    EXPECT_EQ(sendmms::PickLibraryPackage(nullptr), std::nullopt);
}

TEST(MMSDialogs, ExportOptionChoicesAndTheDestinationFollowingTheType) {
    struct Case {
        std::vector<int> clicks;  // radio ids, in order
        bool destEnabled;
        int type, dest;
    } cases[] = {
        {{}, true, 0, 0},
        {{1067}, true, 0, 1},
        {{1307}, false, 1, 0},
        {{1067, 1307}, false, 1, 1},
        {{1307, 1017}, true, 0, 0},
    };
    for (const Case& c : cases) {
        CExportOptionDlg dlg;
        const int r = PressOk<CExportOptionDlg>(dlg, [&](CExportOptionDlg& d) {
            EXPECT_TRUE(d.m_radioQmxs->isChecked() && d.m_radioSink->isChecked());
            for (int id : c.clicks) d.findChild<QRadioButton*>(QString::number(id))->click();
            EXPECT_EQ(d.m_radioSink->isEnabled(), c.destEnabled);
            EXPECT_EQ(d.m_radioOutside->isEnabled(), c.destEnabled);
        });
        EXPECT_EQ(r, IDOK);
        EXPECT_EQ(dlg.m_nType, c.type);
        EXPECT_EQ(dlg.m_nDest, c.dest);
    }
}

TEST(MMSDialogs, FrameTextKeepsItsLimitAndAppendsAPhrase) {
    std::optional<std::string> phrase;
    int asked = 0;
    const picker::PhraseFn old = picker::SetPhrasePicker([&](QWidget*) {
        ++asked;
        return phrase;
    });
    struct Case {
        std::string preset;
        std::optional<std::string> phrase;  // nothing: no phrase asked for
        bool cancelled;                     // the picker answers nothing
        std::string result;
    } cases[] = {
        {"第一行\r\n第二行", std::nullopt, false, "第一行\r\n第二行"},
        {"第一行\r\n", std::string("短语"), false, "第一行\r\n短语"},
        {"正文", std::string(""), true, "正文"},
        {std::string(4999, 'a') + "中", std::nullopt, false, std::string(4999, 'a')},
        {std::string(4998, 'a'), std::string("中文"), false, std::string(4998, 'a') + "中"},
    };
    for (const Case& c : cases) {
        asked = 0;
        phrase = c.cancelled ? std::nullopt : c.phrase;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto& t = static_cast<CFrameTextDlg&>(d);
            if (c.phrase) t.m_btnPhrase->click();
            d.OnOK();
            return d.result();
        });
        EXPECT_EQ(EditFrameText(nullptr, c.preset), c.result);
        EXPECT_EQ(asked, c.phrase ? 1 : 0);
    }
    picker::SetPhrasePicker(old);

    ScopedModalRun cancel([](CSkinDialog& d) {
        d.OnCancel();
        return d.result();
    });
    EXPECT_EQ(EditFrameText(nullptr, "正文"), std::nullopt);
}

TEST(MMSDialogs, TitleIsAtMostFortyBytes) {
    struct Case {
        std::string preset, typed, result;
    } cases[] = {
        {"转发彩信", "", "转发彩信"},
        {"a" + std::string("一二三四五六七八九十一二三四五六七八九十"), "", "a一二三四五六七八九十一二三四五六七八九"},
        {std::string(38, 'x'), "中文", std::string(38, 'x') + "中"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        CMMSTitleDlg dlg;
        dlg.m_strTitle = c.preset;
        const int r = PressOk<CMMSTitleDlg>(dlg, [&](CMMSTitleDlg& d) {
            d.m_editTitle->end(false);
            d.m_editTitle->insert(ToQ(c.typed));
        });
        EXPECT_EQ(r, IDOK);
        EXPECT_EQ(dlg.m_strTitle, c.result);
    }
}
