// Artwork of the records pages: the four view buttons, each chosen, hovered and not chosen
// (499-501 all, 502-504 sent, 505-507 received, 508-510 advanced search); pure green is
// transparent.
#include "ArtRegistry.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// state 0 chosen, 1 hovered, 2 not chosen.
QImage ViewTab(const char* caption, int state) {
    QImage img(84, 24, QImage::Format_ARGB32);
    img.fill(QColor(0, 255, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tab;
    tab.moveTo(0.5, 23.5);
    tab.lineTo(0.5, 5);
    tab.quadTo(0.5, 0.5, 5, 0.5);
    tab.lineTo(79, 0.5);
    tab.quadTo(83.5, 0.5, 83.5, 5);
    tab.lineTo(83.5, 23.5);
    tab.closeSubpath();
    QLinearGradient g(0, 0, 0, 24);
    if (state == 0) {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(190, 209, 254));
    } else if (state == 1) {
        g.setColorAt(0, QColor(250, 250, 246));
        g.setColorAt(1, QColor(218, 230, 250));
    } else {
        g.setColorAt(0, QColor(246, 245, 238));
        g.setColorAt(1, QColor(214, 210, 196));
    }
    p.setPen(QPen(state == 0 ? QColor(49, 106, 197) : QColor(172, 168, 153), 1));
    p.setBrush(g);
    p.drawPath(tab);
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(12);
    f.setBold(state == 0);
    p.setFont(f);
    p.setPen(state == 0 ? QColor(0, 0, 160) : QColor(60, 60, 60));
    p.drawText(QRect(0, 2, 84, 22), Qt::AlignCenter, QString::fromUtf8(caption));
    return img;
}

}  // namespace

ARTGEN_ITEM("bmp/499.png") { return ViewTab("全部纪录", 0); }
ARTGEN_ITEM("bmp/500.png") { return ViewTab("全部纪录", 1); }
ARTGEN_ITEM("bmp/501.png") { return ViewTab("全部纪录", 2); }
ARTGEN_ITEM("bmp/502.png") { return ViewTab("发送纪录", 0); }
ARTGEN_ITEM("bmp/503.png") { return ViewTab("发送纪录", 1); }
ARTGEN_ITEM("bmp/504.png") { return ViewTab("发送纪录", 2); }
ARTGEN_ITEM("bmp/505.png") { return ViewTab("接收记录", 2); }
ARTGEN_ITEM("bmp/506.png") { return ViewTab("接收记录", 1); }
ARTGEN_ITEM("bmp/507.png") { return ViewTab("接收记录", 0); }
ARTGEN_ITEM("bmp/508.png") { return ViewTab("高级搜索", 0); }
ARTGEN_ITEM("bmp/509.png") { return ViewTab("高级搜索", 1); }
ARTGEN_ITEM("bmp/510.png") { return ViewTab("高级搜索", 2); }
