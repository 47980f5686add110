// The recipient list of the send pages: manual and text-file input, picker numbers, delete,
// clear and duplicate removal.
#include "compose/PickerHooks.h"
#include "compose/RecipientInputDlg.h"
#include "compose/RecipientList.h"
#include "compose/SmsCompose.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/MenuTestSupport.h"
#include "support/TestSupport.h"
#include "uikit/PercentProgressCtrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <set>

namespace {
struct ListFixture {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    int answer = 1;
    int refreshes = 0;
    std::set<int> messageCursors, refreshCursors;  // wait cursors shown at each
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        messageCursors.insert(testsupport::WaitCursorDepth());
        return answer;
    }};
    CRecipientList list{{1068, 1070, 1018, 1003, 1002, 1069}, "真的要清空列表中的接收者吗？", [this] {
                            ++refreshes;
                            refreshCursors.insert(testsupport::WaitCursorDepth());
                        }};
    std::vector<std::string> Entries() const { return list.Entries(); }
};
}  // namespace

TEST(RecipientList, DuplicatesRemovedAndListSorted) {
    ListFixture f;
    f.list.AddEntries({"B", "A", "B"});
    f.list.OnBtnRemoveDuplicates();
    EXPECT_EQ(f.Entries(), (std::vector<std::string>{"A", "B"}));
    f.list.AddEntries({"139", "138", "139 ", "138"});
    f.list.OnBtnRemoveDuplicates();
    EXPECT_EQ(f.Entries(), (std::vector<std::string>{"138", "139", "139 ", "A", "B"}));
    // One entry: nothing happens.
    ListFixture g;
    g.list.AddEntries({"1"});
    g.list.OnBtnRemoveDuplicates();
    EXPECT_EQ(g.refreshes, 0);
}

TEST(RecipientList, TextImportTable) {
    const std::string pad(255, '\n');
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> expected;
    } cases[] = {
        {"CR LF", "13800000001\r\n13800000002\r\n", {"13800000001", "13800000002"}},
        {"LF", "13800000001\n13800000002\n", {"13800000001", "13800000002"}},
        {"last line without end", "13800000001\r\n10086", {"13800000001", "10086"}},
        {"3-byte lines dropped", "123\r\n1234\r\n  12\r\n", {"1234"}},
        // 255 empty lines, then a number across the 260-byte boundary of the old reader.
        {"line across a boundary", pad + "13812345678901\r\n", {"13812345678901"}},
        {"padded and invalid", "  13800000001  \r\nabc12345\r\n\t13900000002\r\n+861\r\n12+34\r\n",
         {"13800000001", "13900000002", "+861"}},
    };
    for (const Case& c : cases) {
        ListFixture f;
        f.list.AddEntries({"first"});
        const std::string path = f.dir.file("n.txt");
        testsupport::WriteFile(path, c.content);
        seam::ScopedFileDialog fd([&](const seam::FileDialogRequest& r) -> std::optional<std::string> {
            EXPECT_EQ(r.title, "选择要导入的号码文件");
            EXPECT_EQ(r.filter, "文本文件(*.txt)|*.txt|");
            return path;
        });
        f.list.OnImportFromText();
        std::vector<std::string> want = {"first"};
        want.insert(want.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(f.Entries(), want) << c.name;
        ASSERT_EQ(f.messages.size(), 2u) << c.name;
        EXPECT_EQ(f.messages[0], "号码导入文件应为文本文件，每个发送号码以回车换行为结束标志(允许号码首尾有空格)！");
        EXPECT_EQ(f.messages[1], "共计导入" + std::to_string(c.expected.size()) + "个接收号码！");
        EXPECT_FALSE(f.list.Bar()->isVisible());
    }
    // An unreadable file and a cancelled dialog are silent after the note.
    for (bool cancel : {false, true}) {
        ListFixture f;
        seam::ScopedFileDialog fd([&](const seam::FileDialogRequest&) -> std::optional<std::string> {
            if (cancel) return std::nullopt;
            return f.dir.file("missing.txt");
        });
        f.list.OnImportFromText();
        EXPECT_EQ(f.messages.size(), 1u);
        EXPECT_EQ(f.list.GetCount(), 0);
        EXPECT_EQ(f.refreshes, 0);
    }
}

// The wait cursor from the chosen file to the refreshed count, the list's own over the insert;
// none while the note, the file dialog and the count message show.
TEST(RecipientList, TextImportShowsTheWaitCursorUntilTheCountIsShown) {
    ListFixture f;
    const std::string path = f.dir.file("n.txt");
    testsupport::WriteFile(path, "13800000001\r\n13800000002\r\n");
    std::set<int> asked, inserted;
    seam::ScopedFileDialog fd([&](const seam::FileDialogRequest&) -> std::optional<std::string> {
        asked.insert(testsupport::WaitCursorDepth());
        return path;
    });
    QObject::connect(f.list.Model(), &QAbstractItemModel::rowsInserted,
                     [&] { inserted.insert(testsupport::WaitCursorDepth()); });
    f.list.OnImportFromText();
    EXPECT_EQ(f.list.GetCount(), 2);
    EXPECT_EQ(f.messages.size(), 2u);
    EXPECT_EQ(asked, std::set<int>{0});
    EXPECT_EQ(f.messageCursors, std::set<int>{0});
    EXPECT_EQ(inserted, std::set<int>{2});
    EXPECT_EQ(f.refreshCursors, std::set<int>{1});
    EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
}

TEST(RecipientList, ImportCountsAndProgressOfManyNumbers) {
    testsupport::TempAppDir dir;
    std::string content;
    for (int i = 0; i < 1000; ++i) content += "  1380000" + std::to_string(1000 + i) + (i % 2 ? "\n" : "\r\n");
    testsupport::WriteFile(dir.file("n.txt"), content);
    std::vector<std::string> out;
    std::vector<int> calls;
    EXPECT_EQ(compose::ImportNumbersFromText(dir.file("n.txt"), out, [&](int n) { calls.push_back(n); }), 1000);
    ASSERT_EQ(out.size(), 1000u);
    EXPECT_EQ(out[999], "13800001999");
    EXPECT_EQ(calls.size(), 33u);
    EXPECT_EQ(calls.back(), 990);
}

TEST(RecipientList, DeleteAndClearWithTheirMessages) {
    ListFixture f;
    f.list.OnBtnDeleteRecipient();
    f.list.OnBtnClearRecipients();
    EXPECT_EQ(f.messages, (std::vector<std::string>{"请先选择要取消发送的人！", "当前接收者列表已经为空！"}));
    EXPECT_EQ(f.refreshes, 1);

    std::vector<std::string> entries;
    for (int i = 0; i < 250; ++i) entries.push_back(std::to_string(1000 + i));
    f.list.AddEntries(entries);
    auto select = [&](std::initializer_list<int> rows) {
        for (int r : rows)
            f.list.View()->selectionModel()->select(f.list.Model()->index(r), QItemSelectionModel::Select);
    };
    // Cancel keeps everything.
    f.messages.clear();
    f.answer = 0;
    select({0, 5, 249});
    f.list.OnBtnDeleteRecipient();
    EXPECT_EQ(f.messages, std::vector<std::string>{"真的要删除选中的发送号码吗？"});
    EXPECT_EQ(f.list.GetCount(), 250);
    f.answer = 1;
    f.list.OnBtnDeleteRecipient();
    EXPECT_EQ(f.list.GetCount(), 247);
    EXPECT_EQ(f.Entries()[0], "1001");
    EXPECT_EQ(f.Entries()[4], "1006");
    EXPECT_EQ(f.Entries().back(), "1248");
    EXPECT_EQ(f.list.Model()->SelectedCount(), 0);
    EXPECT_FALSE(f.list.Bar()->isVisible());

    f.messages.clear();
    f.answer = 0;
    f.list.OnBtnClearRecipients();
    EXPECT_EQ(f.list.GetCount(), 247);
    f.answer = 1;
    f.list.OnBtnClearRecipients();
    EXPECT_EQ(f.messages, (std::vector<std::string>(2, "真的要清空列表中的接收者吗？")));
    EXPECT_EQ(f.list.GetCount(), 0);
}

TEST(RecipientList, ManualInputAndPickerNumbers) {
    ListFixture f;
    {
        ScopedModalRun run([](CSkinDialog& d) {
            auto& r = static_cast<CRecipientInputDlg&>(d);
            r.m_editNumbers->setPlainText(codec::ToQ(" 13800000001\nxx\n13900000002"));
            r.OnOK();
            return r.result();
        });
        f.list.OnInputManually();
    }
    EXPECT_EQ(f.Entries(), (std::vector<std::string>{"13800000001", "13900000002"}));
    EXPECT_EQ(f.refreshes, 1);
    // The picker's numbers go in unchecked, repeats kept; Cancel adds nothing.
    auto old = picker::SetLinkmanPicker([](QWidget*) {
        return std::optional<std::vector<std::string>>({"张三", "13800000001", ""});
    });
    f.list.OnImportFromAddressBook();
    EXPECT_EQ(f.Entries(), (std::vector<std::string>{"13800000001", "13900000002", "张三", "13800000001", ""}));
    picker::SetLinkmanPicker([](QWidget*) { return std::nullopt; });
    f.list.OnImportFromAddressBook();
    EXPECT_EQ(f.list.GetCount(), 5);
    EXPECT_EQ(f.refreshes, 2);
    picker::SetLinkmanPicker(std::move(old));
}

TEST(RecipientList, SelectionByMouseAndKeysLivesInTheModelAndIsPainted) {
    ListFixture f;
    std::vector<std::string> entries;
    for (int i = 0; i < 40; ++i) entries.push_back(std::to_string(1000 + i));
    f.list.AddEntries(entries);
    f.list.resize(420, 240);
    f.list.show();
    QListView* view = f.list.View();
    QApplication::processEvents();
    auto click = [&](int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods,
                          view->visualRect(f.list.Model()->index(row)).center());
    };
    auto selected = [&] {
        std::vector<int> rows;
        for (int r = 0; r < f.list.GetCount(); ++r)
            if (f.list.Model()->IsSelected(r)) rows.push_back(r);
        return rows;
    };
    click(2);
    click(5, Qt::ControlModifier);
    click(7, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{2, 5, 7}));
    click(5);  // a second click takes it out
    EXPECT_EQ(selected(), (std::vector<int>{2, 7}));
    // A drag from an unselected entry selects the entries it covers; those it left again are
    // as before.
    const QPoint from = view->visualRect(f.list.Model()->index(1)).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
    for (int row : {2, 3, 4, 3}) {
        QMouseEvent move(QEvent::MouseMove, view->visualRect(f.list.Model()->index(row)).center(),
                         view->viewport()->mapToGlobal(view->visualRect(f.list.Model()->index(row)).center()),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
    }
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->visualRect(f.list.Model()->index(3)).center());
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3, 7}));
    // The selected rows are painted with the selection's colour, the others are not.
    const QImage shot = view->viewport()->grab().toImage();
    const QColor highlight = view->palette().color(QPalette::Highlight);
    auto painted = [&](int row) {
        const QRect r = view->visualRect(f.list.Model()->index(row));
        return shot.pixelColor(r.left() + 2, r.center().y()) == highlight;
    };
    EXPECT_TRUE(painted(1));
    EXPECT_FALSE(painted(4));
    EXPECT_TRUE(painted(7));
    // Select all, then clear.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.list.Model()->SelectedCount(), 40);
    view->selectionModel()->clear();
    EXPECT_TRUE(selected().empty());
}

// The add-recipient menu's pictures sit on the image column with their white masked out.
TEST(RecipientList, MenuPicturesAreMaskedOnTheImageColumn) {
    ListFixture f;
    ASSERT_NE(f.list.Menu().GetSubMenu(0), nullptr);
    const auto boxes = testsupport::IconMenuPictureBoxes(f.list.Menu().GetSubMenu(0)->GetMenu(), QColor(236, 233, 216));
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.white, 0);
        EXPECT_GT(b.ink, 10);
    }
}
