#include "core/FileDialogBox.h"
#include "support/TestSupport.h"
#include "core/SMSServerApp.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {
// Qt's locale as the program sets it: before the application object is made.
const bool g_chineseQt = UseChineseLocaleForQt();
}  // namespace

TEST(FileDialogBox, NameFilters) {
    const struct {
        const char* in;
        const char* want;
    } cases[] = {
        {"文本文件(*.TXT)|*.txt|", "文本文件(*.TXT) (*.txt)"},
        {"电子表格文件(*.XLS)|*.XLS|所有文件(*.*)|*.*||", "电子表格文件(*.XLS) (*.XLS);;所有文件(*.*) (*.*)"},
        {"图片|*.bmp;*.jpg|", "图片 (*.bmp *.jpg)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(QtNameFilter(c.in).toStdString(), c.want) << c.in;
}

TEST(FileDialogBox, SaveAddsTheDefaultExtensionAndCancelGivesNothing) {
    testsupport::TempAppDir dir;
    seam::FileDialogRequest req;
    req.save = true;
    req.title = "输入号码导出的TXT文件名";
    req.filter = "文本文件(*.TXT)|*.txt|";
    req.defaultExt = "txt";
    req.folder = dir.path();
    auto answer = [](bool accept) {
        QTimer::singleShot(0, [accept] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                    if (!accept) {
                        d->reject();
                        return;
                    }
                    d->findChild<QLineEdit*>()->setText("号码");
                    static_cast<QDialog*>(d)->accept();
                }
        });
    };
    answer(true);
    const auto path = RunFileDialog(req);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, dir.path() + "/号码.txt");
    answer(false);
    EXPECT_FALSE(RunFileDialog(req).has_value());
}

TEST(QtTranslation, FileDialogButtonsSpeakChinese) {
    ASSERT_TRUE(InstallQtTranslation()) << "qt6-translations-l10n is part of the install step";
    QFileDialog dlg;
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    auto* box = dlg.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QString::fromUtf8("取消"));
    EXPECT_TRUE(InstallQtTranslation());  // a second call keeps the one translator
}

// The dialog as a user sees it in the program's locale: the cells, headers, labels and buttons
// hold no English word, the size and date columns show their texts whole, each filter once.
TEST(FileDialogBox, ChineseCellsWholeColumnsAndEachFilterOnce) {
    ASSERT_TRUE(g_chineseQt);
    ASSERT_TRUE(InstallQtTranslation());
    testsupport::TempAppDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("子目录")));
    testsupport::WriteFile(dir.file("号码.xls"), std::string(217, '\0'));
    testsupport::WriteFile(dir.file("名单.xls"), std::string(1541000, 'x'));
    testsupport::WriteFile(dir.file("彩信.qmx"), std::string(3000, '\xA5'));
    seam::FileDialogRequest req;
    req.title = "输入记录保存的Excel文件名";
    req.filter = "电子表格文件(*.XLS)|*.XLS|图像文件(*.jpg;*.gif;*.bmp;*.png)|*.jpg;*.gif;*.bmp;*.png|"
                 "信息文件(*.*)|*.*|";
    req.defaultExt = "XLS";
    req.folder = dir.path();
    req.save = true;
    QFileDialog dlg;
    SetUpFileDialog(dlg, req);
    dlg.selectNameFilter(QtNameFilter("信息文件(*.*)|*.*|"));
    dlg.show();

    QComboBox* types = nullptr;
    for (QComboBox* c : dlg.findChildren<QComboBox*>())
        if (c->count() == 3) types = c;
    ASSERT_NE(types, nullptr);
    const QStringList want{QString::fromUtf8("电子表格文件(*.XLS)"), QString::fromUtf8("图像文件(*.jpg;*.gif;*.bmp;*.png)"),
                           QString::fromUtf8("信息文件(*.*)")};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(types->itemText(i), want[i]);
    EXPECT_EQ(types->currentText(), want[2]);

    auto* view = dlg.findChild<QTreeView*>();
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return model->rowCount(view->rootIndex()) == 4; }));
    // The sizes and dates appear once the model has read the files.
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        for (int r = 0; r < 4; ++r)
            if (model->index(r, 3, view->rootIndex()).data().toString().isEmpty()) return false;
        return true;
    }));
    QApplication::processEvents();

    // Unit symbols and the product name are no English text.
    const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    const QStringList allowed{"KiB", "MiB", "Excel"};
    auto english = [&](const QString& text) {
        for (auto it = word.globalMatch(text); it.hasNext();) {
            const QString w = it.next().captured();
            if (!allowed.contains(w)) return w;
        }
        return QString();
    };
    QStringList seen;
    for (int r = 0; r < 4; ++r) {
        for (int c = 1; c < 4; ++c) {
            const QString cell = model->index(r, c, view->rootIndex()).data().toString();
            seen << cell;
            EXPECT_TRUE(english(cell).isEmpty()) << cell.toStdString();
        }
    }
    EXPECT_TRUE(seen.contains(QString::fromUtf8("217 字节"))) << seen.join('|').toStdString();
    EXPECT_TRUE(seen.contains(QString::fromUtf8("文件夹"))) << seen.join('|').toStdString();
    for (int c = 0; c < 4; ++c) {
        const QString h = model->headerData(c, Qt::Horizontal).toString();
        EXPECT_TRUE(english(h).isEmpty()) << h.toStdString();
    }
    QStringList shown;
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->isVisible()) shown << b->text();
    for (QLabel* l : dlg.findChildren<QLabel*>())
        if (l->isVisible()) shown << l->text();
    for (const QString& t : shown) EXPECT_TRUE(english(t).isEmpty()) << t.toStdString();

    // Whole texts: a cell's text and the item's margins within its column (the view elides past).
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    for (int r = 0; r < 4; ++r)
        for (int c : {1, 2, 3}) {
            const QString cell = model->index(r, c, view->rootIndex()).data().toString();
            EXPECT_GE(view->header()->sectionSize(c), view->fontMetrics().horizontalAdvance(cell) + margins)
                << cell.toStdString();
        }
    EXPECT_GE(view->header()->sectionSize(0), 150);
    EXPECT_LE(view->header()->length(), view->viewport()->width()) << "every column in sight";

    if (const char* out = std::getenv("SMS_SHOT_DIR"))
        dlg.grab().save(QString::fromLocal8Bit(out) + "/file-dialog.png");
    dlg.reject();
}

// A request without a title shows Qt's own one for its kind; a given title replaces it.
TEST(FileDialogBox, TitleIsQtsOwnUnlessGiven) {
    ASSERT_TRUE(g_chineseQt);
    ASSERT_TRUE(InstallQtTranslation());
    testsupport::TempAppDir dir;
    const struct {
        bool save;
        const char* title;
        const char* want;
    } cases[] = {
        {false, "", "打开"},
        {true, "", "另存为"},
        {false, "格式应为：每行一条常用语", "格式应为：每行一条常用语"},
        {true, "格式为：每行一条短语", "格式为：每行一条短语"},
    };
    for (const auto& c : cases) {
        seam::FileDialogRequest req;
        req.save = c.save;
        req.title = c.title;
        req.filter = "文本文件(*.txt)|*.txt|";
        req.folder = dir.path();
        QFileDialog dlg;
        SetUpFileDialog(dlg, req);
        dlg.show();
        QApplication::processEvents();
        EXPECT_EQ(dlg.windowTitle().toStdString(), c.want) << c.save << " " << c.title;
        dlg.reject();
    }
}
