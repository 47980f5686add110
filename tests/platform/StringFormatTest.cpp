// Number texts written and read by the platform's helpers, under every test locale (one with a
// comma for its decimal point).
#include "platform/StringFormat.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

const char* kSkip = " is not installed (scripts/install-deps.sh generates it)";

}  // namespace

TEST(StringFormat, PrintfNumbersUnderEveryLocale) {
    const auto missing = testsupport::UnderEachTestLocale([](const char* locale) {
        SCOPED_TRACE(locale);
        EXPECT_EQ(StringPrintf("%.8f", 12.5), "12.50000000");
        EXPECT_EQ(StringPrintf("%.4f", -0.75), "-0.7500");
        EXPECT_EQ(StringPrintf("%.15g", 2.5), "2.5");
        EXPECT_EQ(StringPrintf("%.15g", 13800138001.0), "13800138001");
        EXPECT_EQ(StringPrintf("Read %d bytes (%0.1f Kb/s)", 2048, 1.25), "Read 2048 bytes (1.2 Kb/s)");
        EXPECT_EQ(StringPrintf("%g|%e", 0.5, 1.5), "0.5|1.500000e+00");
        EXPECT_EQ(StringPrintf("%d-%02d %s", 7, 3, "中文"), "7-03 中文");
        // Around the length of the first buffer, and empty.
        for (std::size_t n : {251u, 252u, 253u, 300u}) {
            const std::string wide(n, 'x');
            EXPECT_EQ(StringPrintf("%s%.2f", wide.c_str(), 1.0), wide + "1.00") << n;
        }
        EXPECT_EQ(StringPrintf("%s", ""), "");
    });
    if (!missing.empty()) GTEST_SKIP() << missing[0] << kSkip;
}

TEST(StringFormat, ParseNumbersUnderEveryLocale) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"13800138001.00", 13800138001.0}, {"12.50", 12.5}, {"-3.25", -3.25}, {"+0.75", 0.75}, {".5", 0.5},
        {"12.", 12.0}, {"1e5", 1e5}, {"-2.5E-3", -2.5e-3}, {"inf", inf}, {"0", 0.0},
        // Refused: another decimal point, blanks, stray bytes, a lone sign, two signs, nothing,
        // a value beyond the type, hexadecimal.
        {"12,50", std::nullopt}, {" 12.5", std::nullopt}, {"12.5 ", std::nullopt}, {"12.5x", std::nullopt},
        {"-", std::nullopt}, {"+", std::nullopt}, {"+-1", std::nullopt}, {"", std::nullopt},
        {"1e999", std::nullopt}, {"0x10", std::nullopt},
    };
    const auto missing = testsupport::UnderEachTestLocale([&](const char* locale) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.text) + " under " + locale);
            EXPECT_EQ(ParseDouble(c.text), c.value);
            const std::optional<float> f = ParseFloat(c.text);
            ASSERT_EQ(f.has_value(), c.value.has_value());
            if (f) {
                EXPECT_EQ(*f, static_cast<float>(*c.value));
            }
        }
        // A float's range is its own.
        EXPECT_EQ(ParseFloat("1e39"), std::nullopt);
        EXPECT_EQ(ParseDouble("1e39"), 1e39);
    });
    if (!missing.empty()) GTEST_SKIP() << missing[0] << kSkip;
}

TEST(StringFormat, CLocaleScopeHoldsForItsLifeAndPutsTheOldBack) {
    testsupport::ScopedLocale de("de_DE.UTF-8");
    if (!de.ok()) GTEST_SKIP() << "de_DE.UTF-8" << kSkip;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    ASSERT_STREQ(buf, "1,5");  // the locale is in force
    {
        const CLocaleScope c;
        std::snprintf(buf, sizeof buf, "%.1f", 1.5);
        EXPECT_STREQ(buf, "1.5");
        EXPECT_EQ(std::strtod("2.25", nullptr), 2.25);
        {
            const CLocaleScope inner;
            EXPECT_EQ(StringPrintf("%.1f", 0.5), "0.5");
        }
        std::snprintf(buf, sizeof buf, "%.1f", 1.5);
        EXPECT_STREQ(buf, "1.5");  // the inner scope put back the outer one
    }
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    EXPECT_STREQ(buf, "1,5");
    StringPrintf("%.1f", 1.5);
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");  // StringPrintf leaves the thread's locale
}
