#pragma once
// Answers the popup menus a test opens.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <vector>

namespace testsupport {

// Chooses command `id` in the next popup menu that opens (0: closes it); `shown` gets the
// commands it offered.
inline void ChooseInNextMenu(int id, std::vector<int>* shown = nullptr) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, id, shown] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        poll->stop();
        poll->deleteLater();
        for (QAction* a : menu->actions()) {
            if (shown && !a->isSeparator()) shown->push_back(a->data().toInt());
            if (id && a->data().toInt() == id) menu->setActiveAction(a);
        }
        if (id) QTest::keyClick(menu, Qt::Key_Return);
        else menu->close();
    });
    poll->start();
}

}  // namespace testsupport
