#pragma once
// Local wall-clock time behind a seam that tests can set.
#include <cstdint>
#include <optional>

namespace clk {

struct LocalTime {
    int year = 1970, month = 1, day = 1;   // month 1-12, day 1-31
    int hour = 0, minute = 0, second = 0;
    int dayOfWeek = 4;                     // 0 = Sunday ... 6 = Saturday
    int millisecond = 0;
};

// Current local time (the fixed time when a test set one).
LocalTime Now();

// Tests: fix the clock at a time (day of week is computed), or move it on.
void SetFixed(int year, int month, int day, int hour, int minute, int second);
void Advance(int seconds);
void Reset();  // back to the real clock
bool IsFixed();

// Day of week (0 = Sunday) and days in month for a civil date.
int DayOfWeek(int year, int month, int day);
int DaysInMonth(int year, int month);

// Milliseconds of a steady clock, for time-outs.
std::int64_t SteadyMs();

}  // namespace clk
