#include "platform/RunLog.h"

#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

#include <cstdio>
#include <mutex>

namespace runlog {

std::string NowString() {
    const clk::LocalTime t = clk::Now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

void Append(std::string_view utf8Text) {
    static std::mutex mutex;
    const std::string line = codec::ToGbk(NowString() + "  " + std::string(utf8Text) + "\r\n");
    std::lock_guard<std::mutex> lock(mutex);
    std::FILE* f = std::fopen(paths::AppFile("RunLog.txt").c_str(), "ab");
    if (!f) return;
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

}  // namespace runlog
