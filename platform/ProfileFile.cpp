#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <mutex>
#include <optional>
#include <vector>

namespace profile {
namespace {

std::mutex& FileMutex(const std::string& path) { return files::PathMutex(path, files::PathLock::Profile); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Lines of a file without their "\n" (a "\r" stays in the raw line).
std::vector<std::string> SplitLines(const std::string& data) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t nl = data.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(data.substr(start));
            break;
        }
        lines.push_back(data.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    // "]" can be the second byte of a GBK character ("乚" is 0x81 0x5D).
    const std::size_t close = codec::GbkFind(t, "]", 1);
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// Key and value of a "key=value" line (GBK), or nothing for other lines.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

std::optional<std::string> FindValue(const std::string& path, std::string_view section,
                                     std::string_view key) {
    std::string data;
    if (!files::ReadWholeFile(path, data)) return std::nullopt;
    const std::string gSection = codec::ToGbk(Trim(section));
    const std::string gKey = codec::ToGbk(Trim(key));
    bool inSection = false;
    for (const std::string& line : SplitLines(data)) {
        if (auto name = SectionName(line)) {
            inSection = codec::EqualsIgnoreAsciiCase(*name, gSection);
            continue;
        }
        if (!inSection) continue;
        if (auto kv = KeyValue(line); kv && codec::EqualsIgnoreAsciiCase(kv->first, gKey))
            return std::string(kv->second);
    }
    return std::nullopt;
}

}  // namespace

std::string GetString(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view def, std::size_t bufSize) {
    std::string gbk;
    {
        std::lock_guard<std::mutex> lock(FileMutex(path));
        auto v = FindValue(path, section, key);
        gbk = v ? *v : codec::ToGbk(def);
    }
    if (bufSize != kWhole) gbk = std::string(codec::CutGbkBytes(gbk, bufSize > 0 ? bufSize - 1 : 0));
    return codec::FromGbk(gbk);
}

int GetInt(const std::string& path, std::string_view section, std::string_view key, int def) {
    std::optional<std::string> v;
    {
        std::lock_guard<std::mutex> lock(FileMutex(path));
        v = FindValue(path, section, key);
    }
    if (!v) return def;
    std::string_view s = Trim(*v);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > 0xFFFFFFFFLL) n = 0xFFFFFFFFLL;
    }
    // Wrap like a 32-bit unsigned read, as the Windows call does.
    const auto u = static_cast<unsigned int>(n);
    return static_cast<int>(negative ? 0u - u : u);
}

bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value, bool ownerOnly) {
    const std::string gSection = codec::ToGbk(Trim(section));
    const std::string gKey = codec::ToGbk(Trim(key));
    // A line end in the value would start new lines (other keys, sections); the value ends there,
    // which is what a later read would give anyway.
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::string gLine = gKey + "=" + codec::ToGbk(value);

    std::lock_guard<std::mutex> lock(FileMutex(path));
    std::string data;
    files::ReadWholeFile(path, data);
    std::vector<std::string> lines = SplitLines(data);

    bool inSection = false;
    std::optional<std::size_t> sectionLine, lastInSection, keyLine;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionName(lines[i])) {
            if (inSection) break;
            inSection = codec::EqualsIgnoreAsciiCase(*name, gSection);
            if (inSection) {
                sectionLine = i;
                lastInSection = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i]).empty()) lastInSection = i;
        if (auto kv = KeyValue(lines[i]); kv && codec::EqualsIgnoreAsciiCase(kv->first, gKey)) {
            keyLine = i;
            break;
        }
    }

    const bool crlf = data.empty() || data.find("\r\n") != std::string::npos;
    const std::string eolChar = crlf ? "\r" : "";
    // A last line without a line end gets one of the file's kind, since the rewrite ends it.
    if (!data.empty() && data.back() != '\n' && (!keyLine || *keyLine + 1 != lines.size()) &&
        lines.back().back() != '\r')
        lines.back() += eolChar;
    if (keyLine) {
        lines[*keyLine] = gLine + eolChar;
    } else if (sectionLine) {
        lines.insert(lines.begin() + static_cast<long>(*lastInSection) + 1, gLine + eolChar);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back(eolChar);
        lines.push_back("[" + gSection + "]" + eolChar);
        lines.push_back(gLine + eolChar);
    }

    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return files::WriteFileAtomic(path, out, ownerOnly ? 0600 : 0644);
}

}  // namespace profile
