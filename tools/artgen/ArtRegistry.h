#pragma once
// Artwork registry: each drawing file registers the pictures it draws under their resource
// paths (":/bmp/222.png" is registered as "bmp/222.png").
#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace artgen {

struct ArtItem {
    std::string path;               // path inside the resource file, e.g. "bmp/222.png"
    std::function<QImage()> draw;   // draws the picture
};

std::vector<ArtItem>& Registry();

struct Register {
    Register(std::string path, std::function<QImage()> draw) {
        Registry().push_back({std::move(path), std::move(draw)});
    }
};

}  // namespace artgen

#define ARTGEN_CONCAT2(a, b) a##b
#define ARTGEN_CONCAT(a, b) ARTGEN_CONCAT2(a, b)
// ARTGEN_ITEM("bmp/222.png") { QImage img(...); ...; return img; }
#define ARTGEN_ITEM(path)                                                              \
    static QImage ARTGEN_CONCAT(artgen_draw_, __LINE__)();                            \
    static ::artgen::Register ARTGEN_CONCAT(artgen_reg_, __LINE__)(path,              \
                                                 &ARTGEN_CONCAT(artgen_draw_, __LINE__)); \
    static QImage ARTGEN_CONCAT(artgen_draw_, __LINE__)()
