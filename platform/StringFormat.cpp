#include "platform/StringFormat.h"

#include <charconv>
#include <cstdio>
#include <system_error>

namespace {

locale_t TheCLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

template <typename T>
std::optional<T> ParseWhole(std::string_view text) {
    // from_chars takes no "+"; a sign after it is refused as strtod refuses it.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return value;
}

}  // namespace

CLocaleScope::CLocaleScope() : m_old(TheCLocale() ? uselocale(TheCLocale()) : static_cast<locale_t>(nullptr)) {}

CLocaleScope::~CLocaleScope() {
    if (m_old) uselocale(m_old);
}

std::string VStringPrintf(const char* format, va_list ap) {
    const CLocaleScope c;
    char small[256];
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, ap);
    return out;
}

std::string StringPrintf(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string out = VStringPrintf(format, ap);
    va_end(ap);
    return out;
}

std::optional<double> ParseDouble(std::string_view text) { return ParseWhole<double>(text); }
std::optional<float> ParseFloat(std::string_view text) { return ParseWhole<float>(text); }
