#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace clk {
namespace {
std::mutex g_mutex;
std::optional<std::int64_t> g_fixedEpoch;  // seconds since the epoch, as UTC fields = local fields

// Civil-date <-> day count (proleptic Gregorian), so the fixed clock needs no time zone.
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

LocalTime FromFixed(std::int64_t secs) {
    std::int64_t days = secs / 86400;
    std::int64_t rem = secs % 86400;
    if (rem < 0) { rem += 86400; --days; }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    LocalTime t;
    t.year = static_cast<int>(y + (m <= 2));
    t.month = static_cast<int>(m);
    t.day = static_cast<int>(d);
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>((rem % 3600) / 60);
    t.second = static_cast<int>(rem % 60);
    t.dayOfWeek = DayOfWeek(t.year, t.month, t.day);
    return t;
}
}  // namespace

LocalTime Now() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_fixedEpoch) return FromFixed(*g_fixedEpoch);
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t tt = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&tt, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.dayOfWeek = tm.tm_wday;
    t.millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

void SetFixed(int year, int month, int day, int hour, int minute, int second) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_fixedEpoch = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

void Advance(int seconds) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_fixedEpoch) *g_fixedEpoch += seconds;
}

void Reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_fixedEpoch.reset();
}

bool IsFixed() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_fixedEpoch.has_value();
}

int DayOfWeek(int year, int month, int day) {
    const std::int64_t days = DaysFromCivil(year, month, day);  // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 11) % 7);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return kDays[month - 1];
}

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace clk
