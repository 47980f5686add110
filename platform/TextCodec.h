#pragma once
// Text at the edges of the program is GBK (code page 936); inside it is UTF-8.
// A character GBK cannot hold becomes "?"; an invalid GBK byte becomes "?".
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace codec {

// UTF-8 -> GBK bytes.
std::string ToGbk(std::string_view utf8);
// GBK bytes -> UTF-8.
std::string FromGbk(std::string_view gbk);
// The same, appended to out.
void AppendFromGbk(std::string& out, std::string_view gbk);
// The same, written at to, which has room for kMaxUtf8PerGbkByte * gbk.size() + 1 bytes;
// returns the end of what was written.
inline constexpr std::size_t kMaxUtf8PerGbkByte = 3;
char* WriteFromGbk(char* to, std::string_view gbk);

// GBK text of a NUL-padded field: up to the first NUL (or the whole field), as UTF-8.
std::string FromGbkField(const char* field, std::size_t width);

// Length in GBK bytes of a UTF-8 text.
std::size_t GbkLength(std::string_view utf8);

// Length in bytes of the GBK character starting at gbk[pos] (1 or 2; 0 at the end).
std::size_t GbkCharLen(std::string_view gbk, std::size_t pos);

// The longest prefix of GBK bytes that is at most maxBytes long and ends on a character boundary.
std::string_view CutGbkBytes(std::string_view gbk, std::size_t maxBytes);
// The longest prefix of a UTF-8 text whose GBK form is at most maxBytes long (UTF-8 result).
std::string CutToGbkBytes(std::string_view utf8, std::size_t maxBytes);
// The UTF-8 length of that prefix; gbkLength, when given, gets its GBK length.
std::size_t GbkPrefixLength(std::string_view utf8, std::size_t maxBytes, std::size_t* gbkLength = nullptr);

// Position of needle in GBK haystack at or after from, matching only on character
// boundaries (never in the middle of a two-byte character); npos when absent.
std::size_t GbkFind(std::string_view gbk, std::string_view needle, std::size_t from = 0);

// ASCII-only case folding.
std::string AsciiLower(std::string_view s);
inline bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
// s without the ASCII white space (blank, tab, CR, LF, VT, FF) at both ends. GBK-safe: no trail
// byte is white space.
std::string TrimAsciiSpace(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Qt conveniences.
inline QString ToQ(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }
inline std::string FromQ(const QString& s) { return s.toStdString(); }
QByteArray ToGbkQ(const QString& s);
QString FromGbkQ(const QByteArray& gbk);

}  // namespace codec
