#include "core/GlobalImages.h"

#include <gtest/gtest.h>

TEST(GlobalImages, ImageListCutsStripsAndMasksBlack) {
    QImage strip(100, 48, QImage::Format_RGB32);  // two whole 48-pixel pieces and a rest
    strip.fill(Qt::black);
    strip.setPixel(1, 1, qRgb(10, 20, 30));
    strip.setPixel(49, 2, qRgb(255, 0, 0));
    CImageList list(48, 48);
    EXPECT_EQ(list.Add(strip, Qt::black), 0);
    ASSERT_EQ(list.GetImageCount(), 2);
    const QImage a = list.GetImage(0).toImage();
    EXPECT_EQ(a.size(), QSize(48, 48));
    EXPECT_EQ(qAlpha(a.pixel(0, 0)), 0);  // black is transparent
    EXPECT_EQ(a.pixel(1, 1), qRgba(10, 20, 30, 255));
    EXPECT_EQ(list.GetImage(1).toImage().pixel(1, 2), qRgba(255, 0, 0, 255));
    EXPECT_TRUE(list.GetImage(2).isNull());
    EXPECT_EQ(list.Add(QImage(), Qt::black), -1);
    EXPECT_EQ(list.Add(strip, Qt::black), 2);
}

TEST(GlobalImages, MadeLazilyAndFreed) {
    CreateGlobalImages();
    ASSERT_NE(g_imgList48, nullptr);
    ASSERT_NE(g_bmpListIcons, nullptr);
    // Made once bitmap 334 exists; without it nothing yet, and a later call tries again.
    CreateGlobalBitmapDC();
    const bool have334 = !QPixmap(":/bmp/334.png").isNull();
    EXPECT_EQ(g_pGlobalBitmap != nullptr, have334);
    QPixmap* first = g_pGlobalBitmap;
    CreateGlobalBitmapDC();
    EXPECT_EQ(g_pGlobalBitmap, first);
    FreeGlobalImages();
    EXPECT_EQ(g_pGlobalBitmap, nullptr);
    EXPECT_EQ(g_imgList48, nullptr);
    EXPECT_EQ(g_bmpListIcons, nullptr);
}
