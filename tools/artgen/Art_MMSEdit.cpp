// The MMS editor's artwork: the phone around the preview screen (bitmap 382) and the film
// strip under the page pictures ("FilmBK.bmp" of the program folder).
#include "ArtRegistry.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// The phone, 160 x 235; its screen (white) takes 128 x 206 at (16, 13).
ARTGEN_ITEM("bmp/382.png") {
    QImage img(160, 235, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 0, 160, 0);
    body.setColorAt(0, QColor(70, 78, 92));
    body.setColorAt(0.5, QColor(120, 130, 148));
    body.setColorAt(1, QColor(70, 78, 92));
    QPainterPath shell;
    shell.addRoundedRect(QRectF(1, 1, 158, 233), 18, 18);
    p.fillRect(img.rect(), Qt::white);
    p.fillPath(shell, body);
    p.setPen(QPen(QColor(40, 44, 52), 1.5));
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 34, 40));
    p.drawRoundedRect(QRectF(12, 9, 136, 214), 4, 4);
    p.fillRect(QRect(16, 13, 128, 206), Qt::white);
    // Speaker slot and keys below the screen.
    p.setBrush(QColor(40, 44, 52));
    p.drawRoundedRect(QRectF(62, 3, 36, 4), 2, 2);
    p.setBrush(QColor(200, 206, 216));
    p.drawRoundedRect(QRectF(64, 225, 32, 7), 3, 3);
    return img;
}

// The film strip, 645 x 63: perforated bands above and below ten frames 57 x 45 at
// x = 4 + 65 * page, y = 10.
ARTGEN_ITEM("app/FilmBK.bmp") {
    QImage img(645, 63, QImage::Format_RGB32);
    img.fill(QColor(36, 36, 40));
    QPainter p(&img);
    for (int x = 6; x < 645; x += 12) {
        p.fillRect(QRect(x, 2, 6, 5), QColor(210, 210, 200));
        p.fillRect(QRect(x, 57, 6, 4), QColor(210, 210, 200));
    }
    for (int i = 0; i < 10; ++i) {
        const QRect frame(4 + 65 * i, 10, 57, 45);
        p.fillRect(frame, QColor(236, 240, 244));
        p.setPen(QColor(120, 130, 140));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
    }
    return img.convertToFormat(QImage::Format_RGB888);
}
