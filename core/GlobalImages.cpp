#include "core/GlobalImages.h"

#include "uikit/Resources.h"
#include "uikit/SkinScrollBar.h"

CImageList* g_imgList48 = nullptr;
QPixmap* g_bmpListIcons = nullptr;
QPixmap* g_pGlobalBitmap = nullptr;

int CImageList::Add(const QImage& strip, QColor mask) {
    if (strip.isNull() || strip.width() < m_cx) return -1;
    const int first = GetImageCount();
    const QImage rgb = strip.convertToFormat(QImage::Format_RGB32);
    const QRgb key = mask.rgb();
    for (int x = 0; x + m_cx <= rgb.width(); x += m_cx) {
        QImage piece(m_cx, m_cy, QImage::Format_ARGB32);
        piece.fill(Qt::transparent);
        for (int y = 0; y < m_cy && y < rgb.height(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y)) + x;
            auto* dst = reinterpret_cast<QRgb*>(piece.scanLine(y));
            for (int i = 0; i < m_cx; ++i)
                if ((src[i] & 0xFFFFFF) != (key & 0xFFFFFF)) dst[i] = src[i] | 0xFF000000;
        }
        m_images.push_back(QPixmap::fromImage(piece));
    }
    return first;
}

QPixmap CImageList::GetImage(int i) const {
    if (i < 0 || i >= GetImageCount()) return {};
    return m_images[static_cast<std::size_t>(i)];
}

QList<QPixmap> ListRowIcons() {
    const QPixmap strip = g_bmpListIcons ? *g_bmpListIcons : QPixmap::fromImage(uikit::res::Bitmap(439));
    CImageList list(16, 16);
    list.Add(strip.toImage(), QColor(0, 255, 0));
    QList<QPixmap> out;
    for (int i = 0; i < list.GetImageCount(); ++i) out << list.GetImage(i);
    return out;
}

void CreateGlobalImages() {
    if (!g_imgList48) {
        g_imgList48 = new CImageList(48, 48);
        g_imgList48->Add(QImage(":/bmp/333.png"), Qt::black);
    }
    if (!g_bmpListIcons) g_bmpListIcons = new QPixmap(":/bmp/439.png");
}

void CreateGlobalBitmapDC() {
    if (g_pGlobalBitmap) return;
    QPixmap bmp(":/bmp/334.png");
    if (bmp.isNull()) return;  // not there yet: a later call makes it
    g_pGlobalBitmap = new QPixmap(bmp);
}

bool AnswerScrollBarDraw(QEvent* e) {
    if (e->type() != uikit::CSkinSBNotifyEvent::EventType()) return false;
    auto* n = static_cast<uikit::CSkinSBNotifyEvent*>(e);
    if (g_pGlobalBitmap) n->result = uikit::ButtonCustomDraw(&n->nm, *g_pGlobalBitmap);
    return true;
}

void FreeGlobalImages() {
    delete g_bmpListIcons;
    g_bmpListIcons = nullptr;
    delete g_imgList48;
    g_imgList48 = nullptr;
    delete g_pGlobalBitmap;
    g_pGlobalBitmap = nullptr;
}
