#include "compose/MMSPackage.h"

#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

int g_nMMSImageWidth = 140;
int g_nMMSImageHeight = 200;
int g_bNoImageCompress = 0;

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kIniName = "QMX.ini";
constexpr int kDefaultSeconds = 5;
constexpr int kMaxBlocks = mmspkg::kFrameCount;

void ClearFrame(MMSFrame& f) {
    std::memset(&f, 0, sizeof f);
    f.nPlaySeconds = kDefaultSeconds;
}

void SetName(char (&field)[40], std::string_view gbk) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, gbk.data(), std::min(gbk.size(), sizeof field - 1));
}

bool FrameEmpty(const MMSFrame& f) {
    return !f.szText[0] && !f.szImage[0] && !f.szSound[0] && !f.szApp[0] && !f.szVideo[0];
}

std::string Fmt(int n, const char* ext) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%s", n, ext);
    return buf;
}

// Last three characters of the lower-cased path.
std::string Tail3(const std::string& path) {
    const std::string low = codec::AsciiLower(path);
    return low.size() >= 3 ? low.substr(low.size() - 3) : low;
}

// Work-folder files are scratch copies: written in place, no flush.
bool WritePlain(const std::string& path, std::string_view data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && codec::IsAsciiSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && codec::IsAsciiSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && codec::IsAsciiSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Qt reader format of a format id; "" lets Qt detect, null means Qt cannot read it.
const char* QtFormat(int id, const std::string& ext) {
    switch (id) {
    case 0: return "";
    case 1: return "bmp";
    case 3: return "jpeg";
    case 4: return "png";
    case 5: return "ico";
    case 6: return "tiff";
    case 7: return "tga";
    case 9: return "wbmp";
    case 11: case 12: return "jp2";
    case 14: return ext == "pgm" ? "pgm" : "ppm";
    default: return nullptr;  // pcx, wmf/emf, pgx, ras
    }
}

bool QtCanRead(const char* format) {
    if (!*format) return true;
    return QImageReader::supportedImageFormats().contains(QByteArray(format));
}

}  // namespace

namespace mmspkg {

bool IsPlainName(std::string_view n) {
    if (n.empty()) return false;
    if (n.find('\0') != std::string_view::npos) return false;
    if (n.find('/') != std::string_view::npos || n.find('\\') != std::string_view::npos) return false;
    return n.find("..") == std::string_view::npos;
}

void FitSize(int& w, int& h, int boxW, int boxH) {
    if (w > boxW) {
        h = static_cast<int>(static_cast<long long>(boxW) * h / w);
        w = boxW;
    }
    if (h > boxH) {
        w = static_cast<int>(static_cast<long long>(boxH) * w / h);
        h = boxH;
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
}

bool WriteGif(const QImage& image, const std::string& fsPath) {
    if (image.isNull()) return false;
    const QImage img = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QList<QRgb> table = img.colorTable();
    int bits = 1;
    while ((1 << bits) < table.size() && bits < 8) ++bits;
    const int colours = 1 << bits;
    std::vector<GifColorType> pal(static_cast<std::size_t>(colours), GifColorType{0, 0, 0});
    for (int i = 0; i < table.size() && i < colours; ++i)
        pal[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(qRed(table[i])),
                                            static_cast<GifByteType>(qGreen(table[i])),
                                            static_cast<GifByteType>(qBlue(table[i]))};
    int err = 0;
    const std::string tmp = fsPath + ".tmp";
    GifFileType* gif = EGifOpenFileName(tmp.c_str(), false, &err);
    if (!gif) return false;
    ColorMapObject* map = GifMakeMapObject(colours, pal.data());
    bool ok = map && EGifPutScreenDesc(gif, img.width(), img.height(), bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, img.width(), img.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<std::size_t>(img.width()));
    for (int y = 0; ok && y < img.height(); ++y) {
        std::memcpy(line.data(), img.constScanLine(y), line.size());
        ok = EGifPutLine(gif, line.data(), img.width()) == GIF_OK;
    }
    if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
    if (map) GifFreeMapObject(map);
    std::error_code ec;
    if (ok) fs::rename(tmp, fsPath, ec);
    if (!ok || ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace mmspkg

CMMSPackage::CMMSPackage() : m_pFrames(new MMSFrame[mmspkg::kFrameCount]) {
    for (int i = 0; i < mmspkg::kFrameCount; ++i) ClearFrame(m_pFrames[static_cast<std::size_t>(i)]);
}

CMMSPackage::~CMMSPackage() = default;

std::string CMMSPackage::WorkFile(std::string_view gbkName) const {
    return paths::ToFsPath(m_strWorkFolder) + "/" + codec::FromGbk(gbkName);
}

bool CMMSPackage::NameHeld(std::string_view name, int except) const {
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        if (i == except) continue;
        const char* names[5];
        mmspkg::FrameNames(m_pFrames[static_cast<std::size_t>(i)], names);
        for (const char* n : names)
            if (*n && codec::EqualsIgnoreAsciiCase(n, name)) return true;
    }
    return false;
}

std::string CMMSPackage::NameFor(int nFrame, const char* ext) const {
    std::string name = Fmt(nFrame, ext);
    if (!NameHeld(name, nFrame)) return name;
    for (int k = mmspkg::kFrameCount; k <= 99; ++k) {
        std::string alt = Fmt(k, ext);
        if (!NameHeld(alt, -1)) return alt;
    }
    return name;
}

void CMMSPackage::DeleteUnshared(int nFrame, const char* name) {
    if (!*name || !mmspkg::IsPlainName(name) || NameHeld(name, nFrame)) return;
    std::error_code ec;
    fs::remove(WorkFile(name), ec);
}

bool CMMSPackage::CopyIn(const std::string& source, const std::string& gbkName) {
    std::error_code ec;
    fs::copy_file(paths::ToFsPath(source), WorkFile(gbkName), fs::copy_options::overwrite_existing, ec);
    return !ec;
}

void CMMSPackage::New() { Reset(); }

void CMMSPackage::Reset() {
    m_bModified = 0;
    m_nFileSize = 0;
    m_nLastFrame = 0;
    m_pImage = nullptr;
    ClearFolder();
    m_strPath.clear();
    for (int i = 0; i < mmspkg::kFrameCount; ++i) ClearFrame(m_pFrames[static_cast<std::size_t>(i)]);
}

int CMMSPackage::ClearFrames() {
    for (int i = 0; i < mmspkg::kFrameCount; ++i) ClearFrame(m_pFrames[static_cast<std::size_t>(i)]);
    return 1;
}

void CMMSPackage::SetText(int nFrame, const std::string& strText, int /*nFlag*/) {
    if (!ValidFrame(nFrame)) return;
    MMSFrame& f = Frame(nFrame);
    if (strText.empty()) {
        DeleteText(nFrame);
        return;
    }
    const std::string name = NameFor(nFrame, "txt");
    SetName(f.szText, name);
    WritePlain(WorkFile(name), codec::ToGbk(strText));
    m_bModified = 1;
}

void CMMSPackage::DeleteText(int nFrame) {
    if (!ValidFrame(nFrame)) return;
    MMSFrame& f = Frame(nFrame);
    const std::string held = f.szText;
    SetName(f.szText, "");
    DeleteUnshared(nFrame, held.c_str());
    m_bModified = 1;
}

void CMMSPackage::DeleteImage(int nFrame) {
    if (!ValidFrame(nFrame)) return;
    SetName(Frame(nFrame).szImage, "");
    m_bModified = 1;
}

void CMMSPackage::DeleteSound(int nFrame) {
    if (!ValidFrame(nFrame)) return;
    SetName(Frame(nFrame).szSound, "");
    m_bModified = 1;
}

int CMMSPackage::SetImage(int nFrame, const std::string& strSource, int /*nFlag*/) {
    if (!ValidFrame(nFrame)) return 0;
    const std::string src = paths::ToFsPath(strSource);
    if (strSource.empty() || !paths::FileExists(src) || paths::IsDirectory(src)) return 0;
    const std::string ext = codec::AsciiLower(GetFileExt(strSource));
    const int id = GetImageType(ext);
    if (id == 2) {
        const std::string name = NameFor(nFrame, "gif");
        if (!CopyIn(strSource, name)) return 0;
        SetName(Frame(nFrame).szImage, name);
        m_bModified = 1;
        return 1;
    }
    const char* format = QtFormat(id, ext);
    if (!format || !QtCanRead(format)) return 0;
    QImageReader reader(QString::fromStdString(src), QByteArray(format));
    if (*format) reader.setAutoDetectImageFormat(false);
    QImage img = reader.read();
    if (img.isNull()) return 0;
    int w = img.width(), h = img.height();
    mmspkg::FitSize(w, h, g_nMMSImageWidth, g_nMMSImageHeight);
    if (w != img.width() || h != img.height())
        img = img.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    std::string name = NameFor(nFrame, "jpg");
    QImageWriter writer(QString::fromStdString(WorkFile(name)), "jpeg");
    if (!writer.write(img.hasAlphaChannel() ? img.convertToFormat(QImage::Format_RGB32) : img)) {
        name = NameFor(nFrame, "gif");
        if (!mmspkg::WriteGif(img, WorkFile(name))) return 0;
    }
    SetName(Frame(nFrame).szImage, name);
    m_bModified = 1;
    return 1;
}

std::string CMMSPackage::SetSound(int nFrame, const std::string& strSource) {
    if (!ValidFrame(nFrame)) return {};
    const std::string src = paths::ToFsPath(strSource);
    if (strSource.empty() || !paths::FileExists(src) || paths::IsDirectory(src)) return {};
    const std::string t = Tail3(strSource);
    const char* ext = "mid";
    for (const char* e : {"amr", "mp3", "mmf", "aac", "mfm", "adp"})
        if (t == e) ext = e;
    const std::string name = NameFor(nFrame, ext);
    SetName(Frame(nFrame).szSound, name);
    CopyIn(strSource, name);
    m_bModified = 1;
    return WorkFile(name);
}

int CMMSPackage::SetApp(int nFrame, const std::string& strSource) {
    if (!ValidFrame(nFrame) || strSource.empty()) return 0;
    const std::string src = paths::ToFsPath(strSource);
    if (!paths::FileExists(src) || paths::IsDirectory(src)) return 0;
    const std::string t = Tail3(strSource);
    const std::string name = NameFor(nFrame, t == "jar" ? "jar" : t == "jad" ? "jad" : "sis");
    CopyIn(strSource, name);
    SetName(Frame(nFrame).szApp, name);
    m_bModified = 1;
    return 1;
}

int CMMSPackage::SetVideo(int nFrame, const std::string& strSource) {
    if (!ValidFrame(nFrame) || strSource.empty()) return 0;
    const std::string src = paths::ToFsPath(strSource);
    if (!paths::FileExists(src) || paths::IsDirectory(src)) return 0;
    const std::string name = NameFor(nFrame, "3gp");
    CopyIn(strSource, name);
    SetName(Frame(nFrame).szVideo, name);
    m_bModified = 1;
    return 1;
}

int CMMSPackage::Save(const std::string& strPath, int /*nFlag*/) {
    if (strPath.empty()) return 0;
    bool any = false;
    for (int i = 0; i < mmspkg::kFrameCount && !any; ++i) any = !FrameEmpty(Frame(i));
    if (!any) return 0;
    m_strPath = strPath;
    if (!SaveFile()) return 0;  // a package that was not written is not reported as saved
    m_bModified = 0;
    return 1;
}

int CMMSPackage::Open(const std::string& strPath) {
    if (strPath.empty()) return 0;
    Reset();
    m_strPath = strPath;
    LoadFile();
    return 1;
}

int CMMSPackage::WriteIni() {
    std::string ini;
    const std::string timeKey = codec::ToGbk("[播放时间]=");
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const MMSFrame& f = Frame(i);
        if (FrameEmpty(f)) continue;
        if (!ini.empty()) ini += "\r\n";
        ini += timeKey;
        ini += std::to_string(m_bAutoPageTurn ? f.nPlaySeconds : 1000);
        ini += "\r\n";
        const char* names[5];
        mmspkg::FrameNames(f, names);
        for (const char* n : names) {
            if (!*n) continue;
            ini += n;
            ini += "\r\n";
        }
    }
    WritePlain(WorkFile(kIniName), ini);
    return 1;
}

int CMMSPackage::SaveFile() {
    WriteIni();
    if (m_strPath.empty()) return 0;
    files::AtomicFileWriter out(paths::ToFsPath(m_strPath));
    if (!out.ok()) return 0;
    std::string data;
    auto entry = [&](std::string_view gbkName) {
        const std::string path = WorkFile(gbkName);
        if (GetFileSize(path) <= 0 || !ReadWholeFile(path, data)) return;
        const std::uint32_t head[2] = {static_cast<std::uint32_t>(gbkName.size()),
                                       static_cast<std::uint32_t>(data.size())};
        out.Write(head, sizeof head);  // little-endian host
        out.Write(gbkName);
        out.Write(data);
    };
    entry(kIniName);
    for (int i = 0; i < mmspkg::kFrameCount; ++i) {
        const char* names[5];
        mmspkg::FrameNames(Frame(i), names);
        for (const char* n : names)
            if (*n && mmspkg::IsPlainName(n)) entry(n);
    }
    return out.Commit() ? 1 : 0;
}

int CMMSPackage::LoadFile() {
    ClearFolder();
    if (m_strPath.empty()) return 0;
    const std::string path = paths::ToFsPath(m_strPath);
    if (!paths::FileExists(path) || paths::IsDirectory(path)) return 0;
    const long long size = GetFileSize(path);
    m_nFileSize = static_cast<int>(std::min<long long>(size, INT32_MAX));
    std::string file;
    if (!files::ReadWholeFile(path, file)) return 0;

    // Entries up to the end; one that runs past the end ends the walk.
    std::size_t pos = 0;
    while (file.size() - pos >= 8) {
        std::uint32_t n = 0, d = 0;
        std::memcpy(&n, file.data() + pos, 4);
        std::memcpy(&d, file.data() + pos + 4, 4);
        pos += 8;
        if (n > file.size() - pos || d > file.size() - pos - n) break;
        const std::string_view name(file.data() + pos, n);
        const std::string_view data(file.data() + pos + n, d);
        pos += static_cast<std::size_t>(n) + d;
        if (!mmspkg::IsPlainName(name)) continue;  // nothing outside the work folder
        WritePlain(WorkFile(name), data);
    }

    std::string ini;
    if (!files::ReadWholeFile(WorkFile(kIniName), ini)) return 0;
    m_bAutoPageTurn = 1;
    const std::string timeKey = codec::ToGbk("[播放时间]");
    std::string_view text = Trim(ini);
    int k = 0;
    while (!text.empty() && k < kMaxBlocks) {
        std::string_view blockView;
        if (const std::size_t sep = text.find("\r\n\r\n"); sep != std::string_view::npos) {
            blockView = text.substr(0, sep + 2);
            text = text.substr(sep + 4);
        } else {
            blockView = text;
            text = {};
        }
        blockView = Trim(blockView);
        if (blockView.empty()) {
            text = TrimEnd(text);
            continue;
        }
        std::string block(blockView);
        block += "\r\n";
        int seconds = 8;
        if (block.find(timeKey) != std::string::npos) {
            const std::size_t eq = block.find('=');
            if (eq != std::string::npos && eq > 0) {
                const std::size_t end = block.find("\r\n", eq);
                long long v = 0;
                for (std::size_t i = eq + 1; i < end && i < eq + 11 && block[i] >= '0' && block[i] <= '9'; ++i)
                    v = v * 10 + (block[i] - '0');
                seconds = static_cast<int>(v);
                if (seconds >= 1000) m_bAutoPageTurn = 0;
            }
            block.erase(0, block.find("\r\n") + 2);
        }
        if (m_bAutoPageTurn == 0) seconds = 8;
        m_nLastFrame = k;
        MMSFrame& f = Frame(k);
        ClearFrame(f);
        f.nPlaySeconds = seconds;
        std::size_t start = 0;
        for (std::size_t e; (e = block.find("\r\n", start)) != std::string::npos; start = e + 2) {
            const std::string_view line(block.data() + start, e - start);
            if (line.size() >= mmspkg::kNameWidth || !mmspkg::IsPlainName(line)) continue;
            const std::string low = codec::AsciiLower(line);
            auto has = [&](std::initializer_list<const char*> exts) {
                for (const char* x : exts) {
                    const std::size_t p = low.find(x);
                    if (p != std::string::npos && p > 0) return true;
                }
                return false;
            };
            // The line keeps its own case: it names a file of a case-sensitive folder.
            if (has({".txt"})) SetName(f.szText, line);
            else if (has({".gif", ".jpg", ".png", ".bmp"})) SetName(f.szImage, line);
            else if (has({".wav", ".mid", ".amr", ".mp3", ".mmf", ".aac", ".mfm", ".adp"})) SetName(f.szSound, line);
            else if (has({".jar", ".jad", ".sis"})) SetName(f.szApp, line);
            else if (has({".3gp"})) SetName(f.szVideo, line);
        }
        ++k;
        text = TrimEnd(text);
    }
    return 1;
}

void CMMSPackage::ClearFolder() {
    if (m_strWorkFolder.empty()) return;
    std::error_code ec;
    const fs::path dir = paths::ToFsPath(m_strWorkFolder);
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        if (ec) break;
        // Plain files, and links (the link only): a link left here would let a load write through it.
        if (fs::is_regular_file(st) || fs::is_symlink(st)) doomed.push_back(it->path());
    }
    for (const fs::path& p : doomed) fs::remove(p, ec);
}

std::string CMMSPackage::GetFileExt(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

int CMMSPackage::GetImageType(const std::string& ext) {
    struct Entry {
        const char* ext;
        int id;
    };
    static const Entry kTable[] = {
        {"bmp", 1},  {"gif", 2},  {"jpg", 3},  {"jpeg", 3}, {"png", 4},  {"ico", 5},  {"tiff", 6},
        {"tif", 6},  {"tga", 7},  {"pcx", 8},  {"wbmp", 9}, {"wmf", 10}, {"emf", 10}, {"jp2", 11},
        {"j2k", 11}, {"jpc", 12}, {"j2c", 12}, {"pgx", 13}, {"ras", 15}, {"pnm", 14}, {"pgm", 14},
        {"ppm", 14}};
    const std::string low = codec::AsciiLower(ext);
    for (const Entry& e : kTable)
        if (low == e.ext) return e.id;
    return 0;
}

long long CMMSPackage::GetFileSize(const std::string& path) {
    const long long n = paths::FileSize(path);
    return n < 0 ? 0 : n;
}

std::size_t CMMSPackage::ReadWholeFile(const std::string& path, std::string& buffer) {
    buffer.clear();
    if (paths::IsDirectory(path) || !files::ReadWholeFile(path, buffer)) return 0;
    return buffer.size();
}
