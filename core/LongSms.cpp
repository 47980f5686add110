#include "core/LongSms.h"

#include "core/Helpers.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

namespace longsms {

std::string SideFilePath(int id) { return paths::AppFile("SMSText\\" + std::to_string(id) + ".txt"); }

std::string QueuedText(int id, const std::string& text) {
    const std::string gbk = codec::ToGbk(text);
    if (gbk.size() <= kThresholdBytes) return text;
    paths::MakeDirs(paths::AppFile("SMSText"));
    if (!files::WriteFileAtomic(SideFilePath(id), gbk))
        WriteRunLog("无法写入长短信文件 SMSText\\" + std::to_string(id) + ".txt");
    const std::string head = codec::FromGbk(codec::CutGbkBytes(gbk, kHeadBytes));
    return head + "<<#<" + std::to_string(id) + ">#>";
}

std::optional<int> MarkerId(std::string_view text) {
    constexpr std::string_view kOpen = "<<#<", kClose = ">#>";
    if (text.size() < kOpen.size() + 1 + kClose.size() || !text.ends_with(kClose)) return std::nullopt;
    text.remove_suffix(kClose.size());
    std::size_t digits = 0;
    while (digits < text.size() && text[text.size() - 1 - digits] >= '0' && text[text.size() - 1 - digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 10) return std::nullopt;
    const std::string_view num = text.substr(text.size() - digits);
    text.remove_suffix(digits);
    if (!text.ends_with(kOpen)) return std::nullopt;
    long long v = 0;
    for (char c : num) v = v * 10 + (c - '0');
    if (v > 2147483647LL) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace longsms
