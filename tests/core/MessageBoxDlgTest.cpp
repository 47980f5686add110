#include "core/MessageBoxDlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace {
// Once the box is up, runs act on it.
void WhenBoxShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(box);
        }
    });
    timer->start();
}

void Click(QWidget* box, const char* id) {
    auto* b = box->findChild<QAbstractButton*>(id);
    ASSERT_NE(b, nullptr) << id;
    b->click();
}
}  // namespace

TEST(MessageBoxDlg, ReturnsOneOnlyForOk) {
    int buttons = 0;
    WhenBoxShows([&](QWidget* box) {
        buttons = static_cast<int>(box->findChildren<QAbstractButton*>().size());
        Click(box, "1");
    });
    EXPECT_EQ(PlainMessageBox("确定要删除吗？", 1), 1);
    EXPECT_EQ(buttons, 2);

    WhenBoxShows([](QWidget* box) { Click(box, "2"); });
    EXPECT_EQ(PlainMessageBox("确定要删除吗？", 1), 0);

    WhenBoxShows([&](QWidget* box) {
        buttons = static_cast<int>(box->findChildren<QAbstractButton*>().size());
        box->close();  // closed by its frame
    });
    EXPECT_EQ(PlainMessageBox("信息", 0), 0);
    EXPECT_EQ(buttons, 1);
}

TEST(MessageBoxDlg, ClosesItselfAfterItsTimeOut) {
    EXPECT_EQ(PlainMessageBox("无人应答", 1, 20), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
