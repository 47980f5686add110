#include "contacts/AdoValue.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using db::VarType;
using db::Variant;

namespace {

struct Case {
    const char* what;
    Variant value;
    const char* text;
};

db::Decimal Dec(bool negative, std::uint8_t scale, std::uint64_t lo64, std::uint32_t hi32 = 0) {
    db::Decimal d;
    d.negative = negative;
    d.scale = scale;
    d.lo64 = lo64;
    d.hi32 = hi32;
    return d;
}

}  // namespace

// Every text reads the same under every locale, a comma-decimal one among them.
TEST(AdoValue, EveryTypeAsTextUnderEveryLocale) {
    const Case cases[] = {
        {"empty", Variant{}, "EMPTY"},
        {"null", Variant::Null(), "NULL"},
        {"int8", Variant::Signed(VarType::Int8, -7), "-7"},
        {"uint8", Variant::Unsigned(VarType::UInt8, 200), "200"},
        {"int16", Variant::Signed(VarType::Int16, -32768), "-32768"},
        {"uint16", Variant::Unsigned(VarType::UInt16, 65535), "65535"},
        {"int32", Variant::Signed(VarType::Int32, -2147483647 - 1), "-2147483648"},
        {"uint32 high", Variant::Unsigned(VarType::UInt32, 3000000000u), "3000000000"},
        {"int64 mobile", Variant::Int64(13812345678), "13812345678"},
        {"int64 min", Variant::Int64(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {"uint64 max", Variant::Unsigned(VarType::UInt64, std::numeric_limits<std::uint64_t>::max()),
         "18446744073709551615"},
        {"double mobile", Variant::Double(13812345678.0), "13812345678"},
        {"double 12.25", Variant::Double(12.25), "12.25"},
        {"double 12.005", Variant::Double(12.005), "12"},
        {"double 3.5", Variant::Double(3.5), "3.50"},
        {"double cut not rounded", Variant::Double(12.999), "12.99"},
        {"double negative", Variant::Double(-0.5), "-0.50"},
        {"double zero", Variant::Double(0.0), "0"},
        {"double infinite", Variant::Double(std::numeric_limits<double>::infinity()), "inf"},
        {"float 2.5", Variant::Float(2.5f), "2.5"},
        {"float 2.25", Variant::Float(2.25f), "2.2"},
        {"float whole", Variant::Float(7.0f), "7"},
        {"float 0.1", Variant::Float(0.1f), "0.1"},
        {"currency", Variant::Signed(VarType::Currency, 125000), "12.5"},
        {"currency whole", Variant::Signed(VarType::Currency, -30000), "-3"},
        {"currency small", Variant::Signed(VarType::Currency, -1), "-0.0001"},
        {"decimal", Variant::MakeDecimal(Dec(false, 2, 1234)), "12.3400"},
        {"decimal negative", Variant::MakeDecimal(Dec(true, 0, 5)), "-5.0000"},
        {"decimal high bits ignored", Variant::MakeDecimal(Dec(false, 1, 15, 7)), "1.5000"},
        {"bool true", Variant::Bool(true), "TRUE"},
        {"bool false", Variant::Bool(false), "FALSE"},
        {"bool any non-zero", Variant::Signed(VarType::Bool, -1), "TRUE"},
        {"date", Variant::Date(45000.75), "2023-03-15 18:00:00"},
        {"date epoch", Variant::Date(0.0), "1899-12-30 00:00:00"},
        {"date before epoch", Variant::Date(-1.25), "1899-12-29 06:00:00"},
        {"date rounds to the next day", Variant::Date(45000.9999999), "2023-03-16 00:00:00"},
        {"date leap day", Variant::Date(36585.5), "2000-02-29 12:00:00"},
        {"text", Variant::Text("  张三 "), "  张三 "},
        {"text NULL letters", Variant::Text("NULL"), "NULL"},
    };
    const auto missing = testsupport::UnderEachTestLocale([&](const char* locale) {
        for (const Case& c : cases) {
            const auto text = AdoVariantToText(c.value);
            ASSERT_TRUE(text.has_value()) << c.what << " under " << locale;
            EXPECT_EQ(*text, c.text) << c.what << " under " << locale;
        }
    });
    if (!missing.empty()) GTEST_SKIP() << "locale " << missing[0] << " is not installed (scripts/install-deps.sh generates it)";
}

TEST(AdoValue, ValuesWithoutTextFail) {
    EXPECT_FALSE(AdoVariantToText(Variant::Blob("\x01\x02")).has_value());
    EXPECT_FALSE(AdoVariantToText(Variant::Date(3e6)).has_value());
    EXPECT_FALSE(AdoVariantToText(Variant::Date(std::numeric_limits<double>::quiet_NaN())).has_value());
}
