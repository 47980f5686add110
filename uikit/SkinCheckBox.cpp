#include "uikit/SkinCheckBox.h"

#include "uikit/GdiDraw.h"
#include "uikit/SysColors.h"

#include <QPainter>

using namespace uikit;
using namespace uikit::gdi;

CSkinCheckBox::CSkinCheckBox(QWidget* parent) : CSkinCheckBox(QString(), parent) {}

CSkinCheckBox::CSkinCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QRect CSkinCheckBox::BoxRect() const { return Rc(1, height() / 2 - 6, 12, height() / 2 + 6); }

bool CSkinCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

// The stock look: a white 13 x 13 box with a sunken edge, the tick, and the caption. Only the
// box is filled: the rest is the parent's own background (tinted and gradient pages paint it).
void CSkinCheckBox::DefaultPaint(QPainter& p) {
    const int h = height();
    const int bt = (h - 13) / 2;
    FillRect(p, 0, bt, 13, bt + 13, GetSysColor(SysColor::Window));
    Edge(p, 0, bt, 13, bt + 13, GetSysColor(SysColor::BtnShadow), GetSysColor(SysColor::BtnHighlight));
    Edge(p, 1, bt + 1, 12, bt + 12, GetSysColor(SysColor::DarkShadow), GetSysColor(SysColor::Light));
    if (checkState() != Qt::Unchecked) {
        // A 7 x 7 tick inside the box.
        static const char* kTick[7] = {"......#", ".....##", "#...###", "##.###.",
                                       "#####..", ".###...", "..#...."};
        const QColor c = (!isEnabled() || checkState() == Qt::PartiallyChecked)
                             ? GetSysColor(SysColor::BtnShadow)
                             : GetSysColor(SysColor::WindowText);
        const QRect box = BoxRect();
        const int tx = 3, ty = box.top() + 2;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x)
                if (kTick[y][x] == '#') FillRect(p, tx + x, ty + y, tx + x + 1, ty + y + 1, c);
    }
    const QString caption = text();
    if (!caption.isEmpty()) {
        p.setFont(font());
        const QRect rc(17, 0, width() - 17, h);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
        if (isEnabled()) {
            p.setPen(GetSysColor(SysColor::WindowText));
            p.drawText(rc, flags, caption);
        } else {
            EmbossedText(p, rc, flags, caption);
        }
        if (hasFocus()) {
            const QRect tr = p.boundingRect(rc, flags, caption);
            FocusRect(p, tr.left() - 1, tr.top(), tr.right() + 2, tr.bottom() + 2);
        }
    }
}

void CSkinCheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    DefaultPaint(p);
    const QRect box = BoxRect();
    const int l = box.left(), t = box.top(), r = box.right() + 1, b = box.bottom() + 1;
    FrameRect(p, l, t, r, b, 3, QColor(255, 255, 255));
    FrameRect(p, 0, t - 1, 13, b + 1, 2, QColor(239, 243, 255));
    FrameRect(p, l, t, r, b, 1, QColor(140, 170, 230));
}
