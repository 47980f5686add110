#include "core/FileDialogBox.h"
#include "support/TestSupport.h"
#include "core/SMSServerApp.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

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
