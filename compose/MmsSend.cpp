#include "compose/MmsSend.h"

#include "compose/MMSPackage.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/MsgRecord.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"
#include "platform/TextCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace mmssend {

namespace {
// Button texts and loader rows by kind; row 0 holds the slides' button text only.
const ContentKind kKinds[kKindCount] = {
    {"选择幻灯片文件", nullptr, nullptr, nullptr, nullptr, nullptr, Field::Sound, 0, nullptr, nullptr, nullptr},
    {"选择铃声文件", "选择铃声文件名", "mid",
     "铃声类型1(*.mid;*.amr;*.mp3)|*.mid;*.amr;*.mp3|铃声类型2(*.mmf;*.aac;*.mfm;*.adp)|*.mmf;*.aac;*.mfm;*.adp|",
     nullptr, "您所选择的铃声文件过大，请重新选择小于100K的铃声文件。", Field::Sound, 0, nullptr, "Midi.QMX",
     nullptr},
    {"选择录音文件", "选择要发送的彩信声音文件名", "amr", "amr文件(*.amr)|*.amr|", nullptr,
     "您所选择的彩信声音文件过大，请重新选择小于100K的彩信声音文件。", Field::Sound, 0, nullptr, "Voice.QMX",
     nullptr},
    {"选择小说文件", "选择小说网文的文件名", "txt", "文本文件(*.txt)|*.txt|", "所选文本文件内容为空，请重新选择！",
     "您所选择的文本文件过大，请重新选择小于100K的文本文件。", Field::Text, 900, "900", "Story.QMX", nullptr},
    {"选择图片文件", "选择要设置的彩信图片文件名", "jpg",
     "图像文件(*.jpg;*.gif;*.bmp;*.png)|*.jpg;*.gif;*.bmp;*.png|jpg文件(*.jpg)|*.jpg|gif文件(*.gif)|*.gif|"
     "bmp文件(*.bmp)|*.bmp|png文件(*.png)|*.png|",
     "所选图像文件为空，请重新选择！", nullptr, Field::Image, 30, "30", "Image.QMX", nullptr},
    {"选择手机程序", "选择手机程序文件名", "jar", "手机程序文件(*.jar;*.jad;*.sis)|*.jar;*.jad;*.sis|", nullptr,
     "您所选择的手机程序文件过大，请重新选择小于100K的手机程序文件。", Field::App, 5, "0秒。", "KJava.QMX",
     "注意：有些手机不支持KJava应用程序！\r\n\r\n发送之前最好确认一下接收手机是否支持KJava应用程序。"},
    {"选择视频文件", "选择视频文件名", "3gp", "视频文件(*.3gp)|*.3gp|", nullptr,
     "您所选择的视频文件过大，请重新选择小于100K的视频文件。", Field::Video, 100, "100秒。", "Video.QMX",
     "注意：有些手机不支持3gp视频文件！\r\n\r\n发送之前最好确认一下接收手机是否支持3gp视频文件。"},
    {"选择MP3文件", "选择mp3文件名", "mp3", "MP3文件(*.mp3)|*.mp3|", nullptr,
     "您所选择的mp3文件过大，请重新选择小于100K的mp3文件。", Field::Sound, 500, "500秒。", "mp3.QMX",
     "注意：有些手机不支持MP3音乐文件！\r\n\r\n发送之前最好确认一下接收手机是否支持MP3文件。"},
};

constexpr const char* kGifTooBig = "您所选择的图片文件过大，请重新选择小于100K的图片文件。";

// Drops the last n characters (code points) of a UTF-8 text.
std::string DropChars(const std::string& s, int n) {
    std::size_t end = s.size();
    while (n-- > 0 && end > 0) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    }
    return s.substr(0, end);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? path : path.substr(p + 1);
}

// Position of a lower-cased extension text at an index above 0.
bool HasAbove0(const std::string& path, const char* what) {
    const std::size_t p = codec::AsciiLower(path).find(what);
    return p != std::string::npos && p > 0;
}
}  // namespace

const ContentKind& Kind(int type) { return kKinds[type >= 0 && type < kKindCount ? type : 0]; }

std::string Refusal(int type, const std::string& path, long long size) {
    const ContentKind& k = Kind(type);
    if (size == 0 && k.emptyRefusal) return k.emptyRefusal;
    if (size > kMaxBytes) {
        if (k.bigRefusal) return k.bigRefusal;
        if (type == kPhoto && CMMSPackage::GetImageType(codec::AsciiLower(CMMSPackage::GetFileExt(path))) == 2)
            return kGifTooBig;
    }
    return {};
}

std::string TitleFromFile(const std::string& path) {
    return codec::CutToGbkBytes(DropChars(FileNameOf(path), 4), 30);
}

std::string TitleFromPackage(const std::string& path) {
    std::string name = FileNameOf(path);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    return codec::CutToGbkBytes(name, 30);
}

long long RingtoneLengthMs(const std::string& path) {
    if (HasAbove0(path, ".mid")) {
        const long long ms = sound::MidiLengthMs(paths::ToFsPath(path));
        if (ms >= 0) return ms;
    }
    return 20000;
}

void ReadImageParams(const std::string& fsPath) {
    std::ifstream in(fsPath, std::ios::binary);
    std::int32_t v[3] = {0, 0, 0};
    if (in && in.read(reinterpret_cast<char*>(v), sizeof v)) {
        g_nMMSImageWidth = v[0];
        g_nMMSImageHeight = v[1];
        g_bNoImageCompress = v[2];
    }
    if (g_nMMSImageWidth < 60 || g_nMMSImageWidth > 400 || g_nMMSImageHeight < 60 || g_nMMSImageHeight > 400) {
        g_nMMSImageWidth = 140;
        g_nMMSImageHeight = 200;
    }
}

std::string AppStored(const std::string& rel) { return g_strAppPath + "\\" + rel; }

std::string ToStored(const std::string& path) {
    const std::size_t n = g_strAppPath.size();
    if (path.size() <= n || path.compare(0, n, g_strAppPath) != 0 || (path[n] != '/' && path[n] != '\\')) return path;
    std::string out = path;
    for (std::size_t i = g_strAppPath.size(); i < out.size(); ++i)
        if (out[i] == '/') out[i] = '\\';
    return out;
}

bool PackageNameOf(const std::string& stored, std::string& name) {
    const std::size_t last = stored.rfind('\\');
    if (last == std::string::npos || last == 0) return false;
    const std::size_t prev = stored.find_last_of("\\/", last - 1);
    const std::string folder = stored.substr(prev == std::string::npos ? 0 : prev + 1, last - (prev == std::string::npos ? 0 : prev + 1));
    name = folder + "\\" + DropChars(stored.substr(last + 1), 4);
    return true;
}

bool IsLibraryPackage(const std::string& stored) { return stored.rfind(AppStored("MMSSink\\"), 0) == 0; }

std::string SafeName(const std::string& title) {
    std::string out = title;
    for (char& c : out)
        if (c == '\\' || c == '/' || (static_cast<unsigned char>(c) < 0x20) || c == 0x7F) c = '_';
    return out;
}

std::string TimeStamp() {
    const clk::LocalTime t = clk::Now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

QueueResult QueueRecipients(const std::vector<std::string>& entries, const std::string& prefix, int first,
                            bool scheduled, const std::function<void(int, std::string)>& write,
                            const std::function<void(int)>& progress) {
    QueueResult r;
    std::string collection;
    const std::size_t prefixBytes = codec::GbkLength(prefix);
    int step = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (progress && i % 30 == 29) progress(++step);
        const std::string& entry = entries[i];
        const std::string number =
            codec::TrimAsciiSpace(IsValidMobileNumber(entry) ? entry : GetValidNumber(entry));
        const int cls = GetNumberCarrierClass(number);
        // The row's number field holds 19 bytes: a wider one would be dropped by the writer.
        const bool fits = prefixBytes + codec::GbkLength(number) < sizeof(MsgRecord::szNumber);
        if ((cls == 1 || cls == 2) && fits) {
            ++r.accepted;
            if (!scheduled) {
                write(first + r.accepted, prefix + number);
            } else {
                if (!collection.empty()) collection += ' ';
                collection += prefix;
                collection += number;
            }
        } else {
            r.refused += entry;
            r.refused += "、";
        }
    }
    if (scheduled && !collection.empty()) write(first + r.accepted, std::move(collection));
    return r;
}

std::string ResultMessage(const QueueResult& r) {
    if (r.accepted == 0) return "提交的号码不正确！";
    if (r.refused.empty()) return "已将彩信加入待发列表等待发送！";
    std::string list = r.refused.substr(0, r.refused.size() - std::strlen("、"));
    return "下列接收号码不正确（未加入发送表）：\r\n\r\n" + list + "。";
}

}  // namespace mmssend
