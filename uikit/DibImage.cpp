#include "uikit/DibImage.h"

#include "platform/AppPath.h"

#include <cstring>
#include <fstream>
#include <limits>

namespace {
constexpr std::uint32_t BI_RGB = 0, BI_BITFIELDS = 3;

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Lowest set bit and width of a colour mask.
void MaskShift(std::uint32_t mask, int* shift, int* bits) {
    *shift = 0;
    *bits = 0;
    if (!mask) return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

int Channel(std::uint32_t v, std::uint32_t mask, int shift, int bits) {
    if (!bits) return 0;
    const std::uint32_t c = (v & mask) >> shift;
    const std::uint32_t max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<int>(c * 255u / max);
}
}  // namespace

CDibImage::CDibImage() = default;
CDibImage::~CDibImage() { Free(); }

int CDibImage::Height() const {
    const std::int64_t h = m_info.header.biHeight;
    return static_cast<int>(h < 0 ? -h : h);
}

void CDibImage::Free() {
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_palette.clear();
    m_bHasPalette = false;
    m_cache = QImage();
}

void CDibImage::CreatePalette(const DibInfo& info) {
    m_palette.clear();
    m_bHasPalette = false;
    const unsigned bits = info.header.biBitCount;
    if (bits == 0 || bits > 8) return;  // no usable palette above 8 bits per pixel
    const unsigned entries = 1u << bits;
    m_palette.reserve(entries);
    for (unsigned i = 0; i < entries; ++i)
        m_palette.push_back(qRgb(info.colors[i].rgbRed, info.colors[i].rgbGreen, info.colors[i].rgbBlue));
    m_bHasPalette = true;
}

int CDibImage::Load(const std::string& path, bool noPalette) {
    std::ifstream f(paths::ToFsPath(path), std::ios::binary);
    if (!f) return 0;
    f.seekg(0, std::ios::end);
    const std::int64_t fileLen = static_cast<std::int64_t>(f.tellg());
    f.seekg(0, std::ios::beg);
    if (fileLen < 14 + 40) return 0;

    unsigned char fh[14];
    if (!f.read(reinterpret_cast<char*>(fh), sizeof fh)) return 0;
    if (fh[0] != 'B' || fh[1] != 'M') return 0;
    const std::uint32_t bfSize = Le32(fh + 2);
    const std::uint32_t bfOffBits = Le32(fh + 10);
    if (bfSize > fileLen) return 0;

    // Everything goes into temporaries first; the earlier picture stays on any failure.
    DibInfo info{};
    f.read(reinterpret_cast<char*>(&info), sizeof info);
    f.clear();
    const DibInfoHeader& h = info.header;
    if (h.biSize < 40 || 14 + std::int64_t(h.biSize) > fileLen) return 0;
    if (bfOffBits < 14 + h.biSize || bfOffBits >= fileLen) return 0;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<std::int32_t>::min()) return 0;
    const unsigned bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return 0;
    const std::int64_t rows = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
    const std::int64_t stride = ((std::int64_t(h.biWidth) * bpp + 31) / 32) * 4;
    const std::int64_t avail = fileLen - bfOffBits;
    if (stride * rows > avail) return 0;

    std::vector<std::uint8_t> bits(static_cast<std::size_t>(avail));
    f.seekg(bfOffBits, std::ios::beg);
    if (!f.read(reinterpret_cast<char*>(bits.data()), avail)) return 0;

    Free();
    m_info = info;
    m_bits = std::move(bits);
    if (!noPalette) CreatePalette(m_info);
    return 1;
}

QImage CDibImage::ToImage() const {
    if (m_bits.empty()) return QImage();
    if (!m_cache.isNull()) return m_cache;
    const DibInfoHeader& h = m_info.header;
    const int w = h.biWidth, rows = Height();
    const unsigned bpp = h.biBitCount;
    const std::size_t stride = ((std::size_t(w) * bpp + 31) / 32) * 4;
    QImage img(w, rows, QImage::Format_RGB32);
    if (img.isNull()) return img;
    std::uint32_t masks[3] = {0, 0, 0};
    if (h.biCompression == BI_BITFIELDS) {
        std::memcpy(masks, reinterpret_cast<const unsigned char*>(&m_info) + 40, sizeof masks);
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    int sh[3], nb[3];
    for (int i = 0; i < 3; ++i) MaskShift(masks[i], &sh[i], &nb[i]);
    const DibRgbQuad* table = m_info.colors;
    for (int y = 0; y < rows; ++y) {
        const int srcRow = h.biHeight > 0 ? rows - 1 - y : y;
        const std::uint8_t* s = m_bits.data() + std::size_t(srcRow) * stride;
        QRgb* d = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const unsigned perByte = 8 / bpp;
                const std::uint8_t byte = s[x / perByte];
                const unsigned shift = 8 - bpp * (x % perByte + 1);
                const unsigned idx = (byte >> shift) & ((1u << bpp) - 1);
                d[x] = qRgb(table[idx].rgbRed, table[idx].rgbGreen, table[idx].rgbBlue);
                break;
            }
            case 16: {
                const std::uint32_t v = std::uint32_t(s[2 * x]) | std::uint32_t(s[2 * x + 1]) << 8;
                d[x] = qRgb(Channel(v, masks[0], sh[0], nb[0]), Channel(v, masks[1], sh[1], nb[1]),
                            Channel(v, masks[2], sh[2], nb[2]));
                break;
            }
            case 24:
                d[x] = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
                break;
            default: {
                const std::uint32_t v = Le32(s + 4 * x);
                d[x] = qRgb(Channel(v, masks[0], sh[0], nb[0]), Channel(v, masks[1], sh[1], nb[1]),
                            Channel(v, masks[2], sh[2], nb[2]));
                break;
            }
            }
        }
    }
    m_cache = img;
    return m_cache;
}

int CDibImage::Draw(QPainter& p, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                    std::uint32_t rop) {
    if (m_bits.empty()) return 0;
    const int bw = Width(), bh = Height();
    if (w <= 0) w += bw;
    if (h <= 0) h += bh;
    if (sw <= 0) sw += bw;
    if (sh <= 0) sh += bh;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
    const QImage img = ToImage();
    p.save();
    switch (rop) {
    case SRCAND: p.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case SRCPAINT: p.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case SRCINVERT: p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    default: p.setCompositionMode(QPainter::CompositionMode_Source); break;
    }
    p.drawImage(QRect(x, y, w, h), img, QRect(sx, sy, sw, sh));
    p.restore();
    const QRect drawn = QRect(sx, sy, sw, sh) & img.rect();
    return drawn.height();
}
