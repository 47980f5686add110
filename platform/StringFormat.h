#pragma once
// printf-style formatting into a std::string, and number texts read and written alike under every
// locale. The C library's number conversions follow LC_NUMERIC, which Qt takes from the
// environment at start (de_DE writes "12,50"); nothing here does.
#include <cstdarg>
#include <clocale>
#include <optional>
#include <string>
#include <string_view>

// printf under the "C" locale, whatever the process's locale.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VStringPrintf(const char* format, va_list ap);

// A whole text as a number in the "C" form: an optional sign, digits with "." as the point, an
// optional exponent ("12.50", "-3", "+1e5", ".5", "inf"). Nothing when a byte is not part of the
// number, or the value lies beyond the type.
std::optional<double> ParseDouble(std::string_view text);
std::optional<float> ParseFloat(std::string_view text);

// The "C" locale for the calling thread while the object lives: for a library that prints or
// reads numbers with the C library on our behalf.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_old;
};
