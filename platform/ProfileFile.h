#pragma once
// Ini files with the Windows private-profile semantics the program relies on:
// section and key names match ignoring ASCII case; blanks around values are trimmed;
// a read into an N-byte buffer gives at most N-1 bytes, cut on a character boundary;
// a write keeps every other line as it was. Files are GBK on disk; arguments are UTF-8.
#include <string>
#include <string_view>

namespace profile {

constexpr std::size_t kWhole = 0;  // bufSize for "no buffer limit"

// The value, or def when the file, section or key is missing (both cut to bufSize - 1 bytes).
std::string GetString(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view def, std::size_t bufSize);

// Optional sign and leading digits of the value (0 when there are none); def only when the key
// is missing.
int GetInt(const std::string& path, std::string_view section, std::string_view key, int def);

// Creates the file, section or key as needed; rewrites the file atomically. A value ends at its
// first line end. A new file gets
// owner-only permissions when ownerOnly is set. Safe from several threads.
bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value, bool ownerOnly = false);

}  // namespace profile
