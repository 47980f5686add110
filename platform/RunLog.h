#pragma once
// The run log "RunLog.txt" in the program folder: "%s  %s\r\n" of the local time and the text, GBK.
#include <string>
#include <string_view>

namespace runlog {

// Appends one line; safe from any thread. A log that cannot be opened is skipped.
void Append(std::string_view utf8Text);

// "%04d-%02d-%02d %02d:%02d:%02d" of the clock's local time.
std::string NowString();

}  // namespace runlog
