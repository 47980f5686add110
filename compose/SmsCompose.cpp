#include "compose/SmsCompose.h"

#include "core/Helpers.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

namespace compose {

int Utf16LengthOfGbk(const std::string& text) {
    return static_cast<int>(codec::FromGbkQ(codec::ToGbkQ(codec::ToQ(text))).size());
}

int PrepareMessageText(std::string& text, bool& isWap) {
    isWap = false;
    std::string gbk = codec::ToGbk(text);
    const std::size_t mark = codec::GbkFind(gbk, ">###999###<");
    if (mark == std::string::npos || mark == 0) return 1;
    isWap = true;
    const std::size_t scheme = codec::GbkFind(codec::AsciiLower(gbk), "http://");
    if (scheme >= 1 && scheme <= 4) {
        gbk.erase(scheme, 7);
        text = codec::FromGbk(gbk);
    }
    return 1;
}

namespace {
std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsNumber(std::string_view trimmed) {
    if (trimmed.size() < 3 || trimmed.size() > 30) return false;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (!((c >= '0' && c <= '9') || (c == '+' && i == 0))) return false;
    }
    return true;
}
}  // namespace

std::string QueuedNumber(const std::string& prefix, const std::string& entry) {
    if (!IsValidMobileNumber(entry)) return {};
    const std::string_view trimmed = TrimBlanks(entry);
    std::string out;
    out.reserve(prefix.size() + trimmed.size());
    out.append(prefix).append(trimmed);
    // The entry is ASCII; the prefix may not be.
    const std::size_t width = prefix.empty() ? out.size() : codec::GbkLength(out);
    if (width > kNumberFieldBytes) return {};
    return out;
}

std::vector<std::string> QueuedNumbers(const std::string& prefix, const std::vector<std::string>& entries) {
    std::vector<std::string> out;
    out.reserve(entries.size());
    for (const std::string& e : entries) {
        std::string n = QueuedNumber(prefix, e);
        if (!n.empty()) out.push_back(std::move(n));
    }
    return out;
}

std::vector<std::string> ParseInputNumbers(const std::string& text) {
    std::vector<std::string> out;
    std::string_view rest(text);
    for (int line = 0; line < 100000 && !rest.empty(); ++line) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view piece = TrimBlanks(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (IsNumber(piece)) out.emplace_back(piece);
    }
    return out;
}

int ImportNumbersFromText(const std::string& fsPath, std::vector<std::string>& out,
                          const std::function<void(int)>& progress) {
    std::FILE* f = std::fopen(fsPath.c_str(), "rb");
    if (!f) return -1;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, &std::fclose);
    int count = 0;
    auto take = [&](std::string_view line) {
        // A line of 3 bytes or fewer before its end is dropped, as a short one always was.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() <= 3) return;
        const std::string_view t = TrimBlanks(line);
        if (!IsNumber(t)) return;
        out.emplace_back(t);
        if (++count % 30 == 0 && progress) progress(count);
    };
    // Whole lines only: what follows the last line end of a block waits for the next one.
    constexpr std::size_t kBlock = 1 << 16;
    std::string buf;
    std::size_t start = 0;
    std::vector<char> block(kBlock);
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, kBlock, f);
        if (got == 0) break;
        buf.erase(0, start);
        start = 0;
        buf.append(block.data(), got);
        for (std::size_t nl; (nl = buf.find('\n', start)) != std::string::npos; start = nl + 1)
            take(std::string_view(buf).substr(start, nl - start));
    }
    if (start < buf.size()) take(std::string_view(buf).substr(start));
    return count;
}

std::optional<std::string> AskNumberFile() {
    seam::FileDialogRequest req;
    req.title = "选择要导入的号码文件";
    req.filter = "文本文件(*.txt)|*.txt|";
    req.defaultExt = "txt";
    return seam::AskFile(req);
}

void SortUnique(std::vector<std::string>& entries) {
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
}

void EraseFlagged(std::vector<std::string>& entries, const std::vector<char>& flags,
                  const std::function<void(int removed)>& progress) {
    const std::size_t n = std::min(entries.size(), flags.size());
    std::size_t w = 0;
    int removed = 0;
    for (std::size_t r = 0; r < entries.size(); ++r) {
        if (r < n && flags[r]) {
            if (++removed % 100 == 0 && progress) progress(removed);
            continue;
        }
        if (w != r) entries[w] = std::move(entries[r]);
        ++w;
    }
    entries.resize(w);
}

}  // namespace compose
