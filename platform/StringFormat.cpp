#include "platform/StringFormat.h"

#include <cstdio>

std::string VStringPrintf(const char* format, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, ap);
    return out;
}

std::string StringPrintf(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string out = VStringPrintf(format, ap);
    va_end(ap);
    return out;
}
