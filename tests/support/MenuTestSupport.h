#pragma once
// Answers the popup menus a test opens.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QImage>
#include <QTimer>
#include <vector>

namespace testsupport {

// The white and the coloured pixels of the 16 x 16 picture box of each item of an icon menu
// rendered with no selection (the box sits 3 pixels inside the item, in the image column).
struct PictureBoxPixels {
    int white = 0, ink = 0;
};
inline std::vector<PictureBoxPixels> IconMenuPictureBoxes(QMenu* popup, const QColor& column) {
    popup->adjustSize();
    popup->setActiveAction(nullptr);
    const QImage img = popup->grab().toImage();
    std::vector<PictureBoxPixels> out;
    for (QAction* a : popup->actions()) {
        if (a->isSeparator()) continue;
        const QRect r = popup->actionGeometry(a);
        PictureBoxPixels px;
        for (int y = r.top() + 3; y < r.top() + 19; ++y)
            for (int x = r.left() + 3; x < r.left() + 19; ++x) {
                const QColor c = img.pixelColor(x, y);
                px.white += c == QColor(255, 255, 255);
                px.ink += c != column && c != QColor(255, 255, 255);
            }
        out.push_back(px);
    }
    return out;
}

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
