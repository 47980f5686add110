#pragma once
// One device-independent bitmap read from a ".bmp" file, drawn stretched.
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct DibInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
struct DibRgbQuad {
    std::uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
// The information header followed by a colour table of 256 entries.
struct DibInfo {
    DibInfoHeader header;
    DibRgbQuad colors[256];
};
#pragma pack(pop)
static_assert(sizeof(DibInfo) == 1064, "bitmap information is 1064 bytes");

class CDibImage {
public:
    // Raster operations of Draw.
    static constexpr std::uint32_t SRCCOPY = 0x00CC0020;
    static constexpr std::uint32_t SRCPAINT = 0x00EE0086;
    static constexpr std::uint32_t SRCAND = 0x008800C6;
    static constexpr std::uint32_t SRCINVERT = 0x00660046;

    CDibImage();
    ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Reads the file; 1 on success, 0 on failure (the earlier picture is then kept). Unless
    // noPalette is set, the palette is built from the colour table.
    int Load(const std::string& path, bool noPalette = false);
    // Draws source (sx,sy,sw,sh) stretched to (x,y,w,h); a size of 0 or less is taken plus the
    // picture's size (0 = the full size). Returns the number of scan lines drawn.
    int Draw(QPainter& p, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
             std::uint32_t rop = SRCCOPY);
    // Builds the logical palette from the information (bitmaps of up to 8 bits per pixel).
    void CreatePalette(const DibInfo& info);
    // Releases the bits and the palette.
    void Free();

    bool IsLoaded() const { return !m_bits.empty(); }
    int Width() const { return m_info.header.biWidth; }
    int Height() const;  // rows
    int BitCount() const { return m_info.header.biBitCount; }
    const DibInfo& Info() const { return m_info; }
    bool HasPalette() const { return m_bHasPalette; }
    const std::vector<QRgb>& Palette() const { return m_palette; }
    // The picture as an image (null when nothing is loaded).
    QImage ToImage() const;

private:
    std::uint32_t m_reserved = 0;
    bool m_bHasPalette = false;
    std::vector<QRgb> m_palette;
    std::vector<std::uint8_t> m_bits;
    DibInfo m_info{};
    mutable QImage m_cache;
};
