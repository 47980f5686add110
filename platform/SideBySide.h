#pragma once
// Bulk work split into parts that run side by side: on the calling thread and on a few threads
// kept for the whole process, so a load that comes back often does not start threads each time.
#include <cstddef>
#include <functional>

namespace sidebyside {

// Runs part(k) once for every k in [0, parts), on at most `threads` threads at once, the caller
// one of them; returns when every part has run. A part must not call RunSideBySide itself.
void RunSideBySide(std::size_t parts, std::size_t threads, const std::function<void(std::size_t)>& part);

// The threads a caller may ask for: the machine's cores, 1 to 8.
std::size_t MaxThreads();

}  // namespace sidebyside
