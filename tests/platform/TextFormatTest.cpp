// TextFormat conversions, flags, truncation and measuring, mostly as a table.
#include "platform/TextFormat.h"

#include <cstdarg>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace quib {
namespace {

// Formats into a roomy buffer and checks that measuring (null buffer) agrees with the count.
std::string Format(const char* format, ...) {
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const uint32_t written = TextFormatV(buffer, sizeof buffer, format, args);
    const uint32_t measured = TextFormatV(nullptr, 0, format, again);
    va_end(again);
    va_end(args);
    EXPECT_EQ(written, std::strlen(buffer)) << format;
    EXPECT_EQ(measured, written) << format;
    return buffer;
}

TEST(TextFormat, Conversions) {
    const std::vector<std::pair<std::string, const char*>> cases = {
        {Format("%08x", 0xCBF43926u), "cbf43926"},
        {Format("%08X", 255u), "000000FF"},
        {Format("%x", 0u), "0"},
        {Format("%X|%x", 0xABCDEFu, 0xABCDEFu), "ABCDEF|abcdef"},
        {Format("zqmem://0x%08X:%d", 0x00A0B0C0u, 42), "zqmem://0x00A0B0C0:42"},
        {Format("%,d", -1234567), "-1,234,567"},
        {Format("%,d|%,d|%,d", 123, 1000, 0), "123|1,000|0"},
        {Format("%05d", -42), "00-42"},
        {Format("%-5d|", 42), "42   |"},
        {Format("%5d|", 42), "   42|"},
        {Format("%2d", 12345), "12345"},
        {Format("%d", INT32_MIN), "-2147483648"},
        {Format("%ud", -1), "4294967295"},
        {Format("%uh", uint64_t(1) << 40), "1099511627776"},
        {Format("%h", INT64_MIN), "-9223372036854775808"},
        {Format("%,uh", UINT64_MAX), "18,446,744,073,709,551,615"},
        {Format("%.2f", 3.14159), "3.14"},
        {Format("%.0f", 2.9), "2"},
        {Format("%f", -0.5), "-0.50000000"},
        {Format("%g", 1.5), "1.50000000"},
        {Format("%10.3f|", 1.25), "     1.250|"},
        {Format("%f", 1e10), "1410065408.00000000"},
        {Format("%f", std::numeric_limits<double>::infinity()), "inf"},
        {Format("%f", -std::numeric_limits<double>::infinity()), "-inf"},
        {Format("%.1f", std::numeric_limits<double>::quiet_NaN()), "nan"},
        {Format("%b", 5u), "101"},
        {Format("%b", 0u), "0"},
        {Format("%s|%-6s|%6s", "ab", "cd", "ef"), "ab|cd    |    ef"},
        {Format("[%s]", static_cast<const char*>(nullptr)), "[]"},
        {Format("%5c|", 'z'), "z|"},
        {Format("a%qb"), "ab"},
        {Format("100%%"), "100%"},
        {Format("%.1.f", 0.25), "0.2"},
        {Format("tail %"), "tail "},
        {Format("tail %08"), "tail "},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    }
}

TEST(TextFormat, TruncatesAndStillTerminates) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(TextFormat(buffer, 4, "%d", 12345), 3u);
    EXPECT_STREQ(buffer, "123");
    EXPECT_EQ(buffer[4], '#');

    EXPECT_EQ(TextFormat(nullptr, 4, "%d", 12345), 5u) << "a null buffer measures everything";
    EXPECT_EQ(TextFormat(nullptr, 0, "%123456789d", 7), 1234567u) << "7 width digits at most";

    EXPECT_EQ(TextFormat(buffer, 6, "%8d", 1), 5u) << "padding is cut too";
    EXPECT_STREQ(buffer, "     ");
    EXPECT_EQ(TextFormat(buffer, 6, "ab%-8s", "x"), 5u);
    EXPECT_STREQ(buffer, "abx  ");
    EXPECT_EQ(TextFormat(buffer, 3, "abcdef"), 2u);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(TextFormat(buffer, 1, "abc"), 0u);
    EXPECT_STREQ(buffer, "");

    buffer[0] = '#';
    EXPECT_EQ(TextFormat(buffer, 0, "abc"), 0u);
    EXPECT_EQ(buffer[0], '#') << "capacity 0 writes nothing";
}

} // namespace
} // namespace quib
