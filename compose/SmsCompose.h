#pragma once
// Text and number rules of the send pages, without widgets: lengths, the WAP Push step, the
// numbers a send queues, the recipients typed in a dialog or read from a text file, and the
// list edits of the recipient list.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace compose {

// Width of the record's number field without its NUL: a queued number never exceeds it.
constexpr std::size_t kNumberFieldBytes = 19;
// Longest scheduled text, in GBK bytes, before the sender name is appended.
constexpr std::size_t kScheduledMaxBytes = 500;
// Width of the record's text field without its NUL: a queued text with its name never exceeds it.
constexpr std::size_t kTextFieldBytes = 511;

// Length of the text in UTF-16 units after a round trip through code page 936.
int Utf16LengthOfGbk(const std::string& text);

// The WAP Push step: a text holding ">###999###<" at a byte index above 0 is WAP Push (isWap
// set); in such a text an "http://" (any case) at byte index 1 to 4 is removed. Returns 1.
int PrepareMessageText(std::string& text, bool& isWap);

// The number queued for a list entry: the prefix and the entry trimmed of blanks and tabs;
// empty when the entry fails the number check or the result is wider than the number field.
std::string QueuedNumber(const std::string& prefix, const std::string& entry);
// QueuedNumber of every entry, the empty results left out.
std::vector<std::string> QueuedNumbers(const std::string& prefix, const std::vector<std::string>& entries);

// The recipient dialog's text cut at CR LF (at most 100000 lines looked at): each line trimmed
// of blanks, kept when it passes the number check.
std::vector<std::string> ParseInputNumbers(const std::string& text);

// Text-file import: the valid lines of the file, appended to out, each trimmed of blanks. Lines
// end at CR LF or LF; the last line counts without a line end; a line of 3 bytes or fewer
// before its end is dropped. progress is called with the count after every 30 numbers.
// Returns the count, or -1 when the file does not open.
int ImportNumbersFromText(const std::string& fsPath, std::vector<std::string>& out,
                          const std::function<void(int count)>& progress = {});
// Asks for the number file of a text import through the file-dialog seam; nothing when cancelled.
std::optional<std::string> AskNumberFile();

// Duplicate removal: the entries sorted by their bytes, each kept only when it differs from
// the one kept before it.
void SortUnique(std::vector<std::string>& entries);
// Removes the entries whose flag is set (flags has one per entry), keeping the order of the
// rest; progress is called with the count removed after every 100.
void EraseFlagged(std::vector<std::string>& entries, const std::vector<char>& flags,
                  const std::function<void(int removed)>& progress = {});

}  // namespace compose
