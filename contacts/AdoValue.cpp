#include "contacts/AdoValue.h"

#include "platform/StringFormat.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// "%.<digits>f" text: the integer part when the first two decimals are "00", else the text
// with only `keep` decimals.
std::string TrimDecimals(std::string t, std::size_t keep) {
    const std::size_t dot = t.find('.');
    if (dot == std::string::npos || t.size() < dot + 3) return t;  // inf, nan
    if (t[dot + 1] == '0' && t[dot + 2] == '0') t.resize(dot);
    else t.resize(dot + 1 + keep);
    return t;
}

// The system's text of a currency value: no trailing zeros, no point for a whole number.
std::string CurrencyText(std::int64_t v) {
    const bool neg = v < 0;
    const std::uint64_t a = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    std::string t = StringPrintf("%s%" PRIu64, neg ? "-" : "", a / 10000);
    std::string frac = StringPrintf("%04u", static_cast<unsigned>(a % 10000));
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) t += "." + frac;
    return t;
}

// "%Y-%m-%d %H:%M:%S" of an OLE date, rounded to the second; nothing outside years 100..9999.
std::optional<std::string> DateText(double d) {
    if (!(d >= -657434.0 && d < 2958466.0)) return std::nullopt;
    std::int64_t days = static_cast<std::int64_t>(d);  // toward zero; the fraction is the time
    const double frac = std::fabs(d - static_cast<double>(days));
    std::int64_t secs = std::llround(frac * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    // Civil date of a day count (day 0 = 1899-12-30, which is 25569 days before 1970-01-01).
    const std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return StringPrintf("%d-%02d-%02d %02d:%02d:%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day), static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
}

}  // namespace

std::optional<std::string> AdoVariantToText(const db::Variant& v) {
    using db::VarType;
    switch (v.type) {
    case VarType::Empty: return std::string("EMPTY");
    case VarType::Null: return std::string("NULL");
    case VarType::Int8:
    case VarType::Int16:
    case VarType::Int32: return StringPrintf("%d", static_cast<int>(v.i));
    case VarType::UInt8:
    case VarType::UInt16: return StringPrintf("%d", static_cast<int>(v.u));
    case VarType::UInt32: return StringPrintf("%u", static_cast<unsigned>(v.u));
    case VarType::Int64: return StringPrintf("%" PRId64, v.i);
    case VarType::UInt64: return StringPrintf("%" PRIu64, v.u);
    case VarType::Float: return TrimDecimals(StringPrintf("%.4f", static_cast<double>(static_cast<float>(v.d))), 1);
    case VarType::Double:
        // A whole number below 10^15 prints exactly as its integer (the common mobile number).
        if (std::trunc(v.d) == v.d && std::fabs(v.d) < 1e15 && !(v.d == 0 && std::signbit(v.d)))
            return std::to_string(static_cast<long long>(v.d));
        return TrimDecimals(StringPrintf("%.8f", v.d), 2);
    case VarType::Currency: return CurrencyText(v.i);
    case VarType::Decimal: {
        const double x = static_cast<double>(v.dec.lo64) / std::pow(10.0, v.dec.scale);
        return StringPrintf("%.4f", v.dec.negative ? -x : x);
    }
    case VarType::Bool: return std::string(v.i != 0 ? "TRUE" : "FALSE");
    case VarType::Date: return DateText(v.d);
    case VarType::Text: return v.s;
    case VarType::Blob: return std::nullopt;
    }
    return std::nullopt;
}
