#pragma once
// Timing and report helpers shared by the benchmark programs that time whole handlers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace benchsupport {

// Wall-clock seconds fn takes.
inline double Seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
// The best of n runs.
inline double Best(int n, const std::function<void()>& fn) {
    double best = 1e9;
    for (int i = 0; i < n; ++i) best = std::min(best, Seconds(fn));
    return best;
}

// One line: ours against the baseline, their ratio and the goal.
inline void Report(const char* what, double ours, double base, double limit) {
    std::printf("%-58s %9.3f s / %9.3f s = %5.2fx (goal <= %.0fx) %s\n", what, ours, base, ours / base, limit,
                ours / base <= limit ? "ok" : "OVER");
}

// A file in $BENCH_DIR (default: the current folder).
inline std::string OutPath(const char* name) {
    const char* dir = std::getenv("BENCH_DIR");
    return std::string(dir && *dir ? dir : ".") + "/" + name;
}

}  // namespace benchsupport
