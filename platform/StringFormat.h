#pragma once
// printf-style formatting into a std::string.
#include <cstdarg>
#include <string>

std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VStringPrintf(const char* format, va_list ap);
