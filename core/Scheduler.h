#pragma once
// Timed and cyclic scheduling: reading the two schedule texts and turning due entries into
// immediate rows.
//
// Timed text: "%4d-%02d-%02d %02d:%02d:%02d". Cycle text: "[每年]3月15日8时30分",
// "[每月]15日8时30分", "[每周]星期一8时30分", "[每日]8时30分".
#include "platform/Clock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class PendingQueues;

namespace sched {

// A date and time such as "2026-12-08 10:00:00" (also with "/", without seconds or without a
// time); nothing when the text does not read as a valid one.
std::optional<clk::LocalTime> ParseDateTime(std::string_view text);

// The numbers of a list: trimmed and cut at blanks; empty ones are left out.
std::vector<std::string> SplitNumbers(std::string_view list);

// The parts of a cycle text after its tag; each 0 when absent (weekday: Sunday 1 ... Saturday 7).
struct Cycle {
    int month = 0, day = 0, weekday = 0, hour = 0, minute = 0;
};
// Nothing when the first "]" is not at an index above 0.
std::optional<Cycle> ParseCycle(std::string_view text);

// True when the period and the time of a cycle text are due at now (the last-send date is
// not looked at).
bool IsCycleDue(std::string_view text, const clk::LocalTime& now);

// True when a stored last-send date is today: yyyymmdd, or month * 100 + day when 1231 or less.
bool SentToday(std::string_view lastSend, const clk::LocalTime& now);

// The page's schedulers (run by its timer on the UI thread, cyclic first). Due entries of the
// page's own kind are queued through the page's writer of that kind, one immediate row per
// number. balance: the page's remaining count; below 0 (unknown) leaves cyclic entries for a
// later tick.
void CheckTimedItems(PendingQueues& queues);
void CheckCyclicItems(PendingQueues& queues, int balance);

}  // namespace sched
