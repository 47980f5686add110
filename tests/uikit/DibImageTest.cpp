// Bitmap files read byte for byte, drawn stretched; the GDI object table.
#include "support/TestSupport.h"
#include "uikit/DibImage.h"
#include "uikit/GdiObjectTable.h"

#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>

namespace {

void Put16(std::string& s, std::size_t at, std::uint16_t v) {
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    s.replace(at, 2, b, 2);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    s.replace(at, 4, b, 4);
}

// A bottom-up BMP file: pixel(x, y) gives the colour of row y from the top (24 bits) or its
// palette index (8 bits).
std::string MakeBmp(int w, int h, int bpp, const std::function<std::uint32_t(int, int)>& pixel,
                    const std::vector<std::uint32_t>& palette = {}) {
    const int stride = ((w * bpp + 31) / 32) * 4;
    const int tableBytes = static_cast<int>(palette.size()) * 4;
    const int off = 14 + 40 + tableBytes;
    std::string s(off + stride * h, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 2, static_cast<std::uint32_t>(s.size()));
    Put32(s, 10, off);
    Put32(s, 14, 40);
    Put32(s, 18, w);
    Put32(s, 22, h);
    Put16(s, 26, 1);
    Put16(s, 28, bpp);
    Put32(s, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) Put32(s, 54 + 4 * i, palette[i]);  // 0x00RRGGBB
    for (int y = 0; y < h; ++y) {
        const std::size_t row = off + std::size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (bpp == 24) {
                s[row + 3 * x] = char(v & 0xFF);
                s[row + 3 * x + 1] = char((v >> 8) & 0xFF);
                s[row + 3 * x + 2] = char((v >> 16) & 0xFF);
            } else {
                s[row + x] = char(v);
            }
        }
    }
    return s;
}

std::uint32_t Colour(int x, int y) { return std::uint32_t((x * 40) << 16 | (y * 60) << 8 | 0x20); }

QImage Canvas(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(1, 1, 1));
    return img;
}

class DibImageTest : public ::testing::Test {
protected:
    testsupport::TempAppDir dir;
    std::string Write(const std::string& name, const std::string& data) {
        const std::string path = dir.file(name);
        testsupport::WriteFile(path, data);
        return path;
    }
};

TEST_F(DibImageTest, DrawsTheWholePictureAtItsSizeAndStretched) {
    const std::string path = Write("Login.bmp", MakeBmp(5, 3, 24, Colour));
    CDibImage dib;
    ASSERT_EQ(dib.Load(path), 1);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_FALSE(dib.HasPalette()) << "no palette above 8 bits per pixel";
    QImage img = Canvas(12, 8);
    {
        QPainter p(&img);
        EXPECT_EQ(dib.Draw(p, 1, 2, 0, 0, 0, 0, 0, 0), 3);
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(img.pixel(1 + x, 2 + y) & 0xFFFFFF, Colour(x, y)) << x << "," << y;
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x010101u);
    EXPECT_EQ(img.pixel(6, 2) & 0xFFFFFF, 0x010101u);

    // Source (1,1,2,2) doubled into (0,0,4,4): the source y counts from the top.
    img = Canvas(6, 6);
    {
        QPainter p(&img);
        dib.Draw(p, 0, 0, 4, 4, 1, 1, 2, 2);
    }
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, Colour(1, 1));
    EXPECT_EQ(img.pixel(3, 1) & 0xFFFFFF, Colour(2, 1));
    EXPECT_EQ(img.pixel(1, 3) & 0xFFFFFF, Colour(1, 2));
    EXPECT_EQ(img.pixel(4, 4) & 0xFFFFFF, 0x010101u);
}

TEST_F(DibImageTest, EightBitPictureBuildsItsPalette) {
    const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const std::string path = Write("MMSP1.bmp", MakeBmp(4, 2, 8, [](int x, int y) { return (x + y) % 4; }, pal));
    CDibImage dib;
    ASSERT_EQ(dib.Load(path), 1);
    ASSERT_TRUE(dib.HasPalette());
    ASSERT_EQ(dib.Palette().size(), 256u);
    EXPECT_EQ(dib.Palette()[1], qRgb(255, 0, 0));
    EXPECT_EQ(dib.Palette()[3], qRgb(0, 0, 255));
    const QImage img = dib.ToImage();
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(3, 1), qRgb(0, 0, 0));
    CDibImage noPal;
    ASSERT_EQ(noPal.Load(path, true), 1);
    EXPECT_FALSE(noPal.HasPalette());
    EXPECT_EQ(noPal.ToImage().pixel(2, 0), qRgb(0, 255, 0));
}

struct BadFile {
    const char* name;
    std::function<std::string(std::string)> spoil;
};

class DibImageRefuses : public DibImageTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(DibImageRefuses, AndKeepsTheEarlierPicture) {
    const std::vector<std::uint32_t> pal = {0x000000, 0xFFFFFF};
    const std::string good = Write("good.bmp", MakeBmp(4, 2, 8, [](int x, int) { return x % 2; }, pal));
    CDibImage dib;
    ASSERT_EQ(dib.Load(good), 1);
    const QImage before = dib.ToImage();
    const std::string bad = MakeBmp(6, 4, 24, Colour);
    const std::string path = Write("bad.bmp", GetParam().spoil(bad));
    EXPECT_EQ(dib.Load(path), 0);
    EXPECT_EQ(dib.Width(), 4);
    EXPECT_TRUE(dib.HasPalette());
    EXPECT_EQ(dib.ToImage(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DibImageRefuses,
    ::testing::Values(
        BadFile{"empty", [](std::string) { return std::string(); }},
        BadFile{"short_header", [](std::string s) { return s.substr(0, 10); }},
        BadFile{"info_cut", [](std::string s) { return s.substr(0, 30); }},
        BadFile{"size_field_too_large", [](std::string s) { Put32(s, 2, std::uint32_t(s.size() + 1)); return s; }},
        BadFile{"pixels_cut", [](std::string s) { s.resize(s.size() - 5); Put32(s, 2, std::uint32_t(s.size())); return s; }},
        BadFile{"offset_past_end", [](std::string s) { Put32(s, 10, 0x7FFFFFF0u); return s; }},
        BadFile{"offset_inside_header", [](std::string s) { Put32(s, 10, 20); return s; }},
        BadFile{"not_bm", [](std::string s) { s[0] = 'X'; return s; }},
        BadFile{"zero_width", [](std::string s) { Put32(s, 18, 0); return s; }},
        BadFile{"huge_height", [](std::string s) { Put32(s, 22, 0x7FFFFFFFu); return s; }},
        BadFile{"bad_bit_count", [](std::string s) { Put16(s, 28, 7); return s; }},
        BadFile{"compressed", [](std::string s) { Put32(s, 30, 1); return s; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DibImageTest, MissingFileAndFree) {
    CDibImage dib;
    EXPECT_EQ(dib.Load(dir.file("none.bmp")), 0);
    QImage img = Canvas(4, 4);
    QPainter p(&img);
    EXPECT_EQ(dib.Draw(p, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    ASSERT_EQ(dib.Load(Write("a.bmp", MakeBmp(2, 2, 24, Colour))), 1);
    EXPECT_EQ(dib.Draw(p, 0, 0, 0, 0, 0, 0, 0, 0), 2);
    dib.Free();
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_EQ(dib.Draw(p, 0, 0, 0, 0, 0, 0, 0, 0), 0);
}

TEST(GdiObjectTable, ResetDeletesTheCountedObjectsAndZeroFills) {
    int released[4] = {0, 0, 0, 0};
    const std::uint32_t h0 = RegisterGdiObject([&] { ++released[0]; });
    const std::uint32_t h1 = RegisterGdiObject([&] { ++released[1]; });
    const std::uint32_t h2 = RegisterGdiObject([&] { ++released[2]; });
    GdiObjectTable table;
    std::memset(&table, 0xAB, sizeof table);
    table.count = 3;
    table.entries[0].hObject = h0;
    table.entries[1].hObject = 0;
    table.entries[2].hObject = h1;
    table.entries[3].hObject = h2;  // past the count: kept
    EXPECT_EQ(ResetGdiObjectTable(&table), 0);
    EXPECT_EQ(released[0], 1);
    EXPECT_EQ(released[1], 1);
    EXPECT_EQ(released[2], 0);
    EXPECT_TRUE(IsGdiObject(h2));
    EXPECT_FALSE(IsGdiObject(h0));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&table);
    for (std::size_t i = 0; i < sizeof table; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_TRUE(DeleteGdiObject(h2));
    EXPECT_FALSE(DeleteGdiObject(h2));
}

TEST(GdiObjectTable, CountBeyondFortyStopsAtTheTable) {
    int released = 0;
    GdiObjectTable table{};
    for (auto& e : table.entries) e.hObject = RegisterGdiObject([&] { ++released; });
    table.count = 100000;
    std::memset(table.tail, 0x5A, sizeof table.tail);
    EXPECT_EQ(ResetGdiObjectTable(&table), 0);
    EXPECT_EQ(released, 40);
    EXPECT_EQ(table.count, 0u);
    EXPECT_EQ(table.tail[7], 0);
}

}  // namespace
