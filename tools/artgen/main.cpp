// artgen OUTDIR [APPDIR]: draws every registered picture into OUTDIR and writes OUTDIR/art.qrc.
// Pictures registered as "app/<name>" are files of the program folder: they go to APPDIR instead.
#include "ArtRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace artgen {
std::vector<ArtItem>& Registry() {
    static std::vector<ArtItem> items;
    return items;
}
}  // namespace artgen

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: artgen OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    auto& items = artgen::Registry();
    std::sort(items.begin(), items.end(),
              [](const artgen::ArtItem& a, const artgen::ArtItem& b) { return a.path < b.path; });

    QFile qrc(out + "/art.qrc");
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    QTextStream ts(&qrc);
    ts << "<RCC>\n  <qresource prefix=\"/\">\n";
    for (const auto& item : items) {
        QString rel = QString::fromStdString(item.path);
        const bool appFile = rel.startsWith("app/");
        if (appFile && argc < 3) continue;
        if (appFile) rel = rel.mid(4);
        const QString file = (appFile ? QString::fromLocal8Bit(argv[2]) : out) + "/" + rel;
        QDir().mkpath(QFileInfo(file).path());
        const QImage img = item.draw();
        if (img.isNull() || !img.save(file)) {
            std::fprintf(stderr, "artgen: cannot draw %s\n", item.path.c_str());
            return 1;
        }
        if (!appFile) ts << "    <file>" << rel << "</file>\n";
    }
    ts << "  </qresource>\n</RCC>\n";
    return 0;
}
