#pragma once
// The number-location files of the program folder and the lookups over them. Every query opens
// and closes the files; nothing is cached.
//   "index.dat": 16-byte records (prefix7, areaCode without its leading "0", zipCode, offset into
//                "addr.dat"), all uint32 little-endian;
//   "addr.dat":  68-byte records: province (24), city (24), cardType (20), GBK, NUL-padded;
//   "add.dat":   provinces each followed by "*", their cities each followed by "#" (GBK).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct NumberLocation {
    uint32_t prefix7 = 0;
    uint32_t areaCode = 0;
    uint32_t zipCode = 0;
    std::string province;  // UTF-8, decoded from the fields
    std::string city;
    std::string cardType;
};

namespace numloc {

constexpr std::size_t kIndexRecord = 16;
constexpr std::size_t kAddrRecord = 68;
constexpr std::size_t kAddTextLimit = 3000;

// The leading decimal digits of text as a value; none when that value does not fit 32 bits.
// A text without leading digits is 0.
std::optional<uint32_t> LeadingNumber(const std::string& text);

// The first "index.dat" record whose prefix7 is the value of the number's first seven characters.
std::optional<NumberLocation> LookupPrefix(const std::string& number);
// The first record whose areaCode is the decimal value of code ("010" and "10" alike).
std::optional<NumberLocation> LookupAreaCode(const std::string& code);

// The prefix range of the segment search: 0 all, 1 China Mobile, 2 the given range ("13" + five
// digits each), 3 China Unicom.
struct SegmentRange {
    uint32_t low = 0, high = 0;
    std::string error;  // the message when the range edits are refused
};
SegmentRange RangeFor(int nRange, const std::string& start, const std::string& end);

// The prefixes low..high, in file order, whose "addr.dat" city contains name.
std::vector<uint32_t> FindSegments(const std::string& name, uint32_t low, uint32_t high);
// "总计：  %d个号码段   %d个号码".
std::string TotalText(std::size_t count);

// The "add.dat" tree: top-level items with their children, in file order. A "#" item before any
// "*" item is a top-level item of its own. A missing file gives no items.
struct AreaItem {
    std::string text;
    std::vector<std::string> children;
};
std::vector<AreaItem> ParseAreaText(const std::string& gbk);
std::vector<AreaItem> ReadAreaTree();

}  // namespace numloc
