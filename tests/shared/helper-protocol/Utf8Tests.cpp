#include "Utf8.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(Utf8Test, ValidatesAndRepairsByMaximalSubpart) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string bytes;
        bool valid;
        std::string repaired;
    };
    const Case cases[] = {
        {"", true, ""},
        {std::string("a\0b", 3), true, std::string("a\0b", 3)},
        {"\xC2\xA9 \xE2\x82\xAC \xF0\x9F\x94\x8B \xF4\x8F\xBF\xBF", true,
         "\xC2\xA9 \xE2\x82\xAC \xF0\x9F\x94\x8B \xF4\x8F\xBF\xBF"},
        {"\x80", false, r},
        {"\xC1\xBF", false, r + r},         // overlong two-byte form
        {"\xE0\x80\x80", false, r + r + r}, // overlong three-byte form
        {"\xED\xA0\x80", false, r + r + r}, // surrogate
        {"\xF4\x90\x80\x80", false, r + r + r + r},
        {"\xF5\x80", false, r + r},
        {"\xE2\x82", false, r}, // cut off at the end
        {"\xE2\x82x", false, r + "x"},
        {"\xF0\x9F\x94x\xFF", false, r + "x" + r},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8::isValid(c.bytes), c.valid) << testing::PrintToString(c.bytes);
        EXPECT_EQ(utf8::repaired(c.bytes), c.repaired) << testing::PrintToString(c.bytes);
    }
}

TEST(Utf8Test, SplitsAndTrimsAtUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(utf8::splitWords("\xE3\x80\x80"
                               "a\xE2\x80\xA8"
                               "b\x0B"
                               "c"),
              (std::vector<std::string>{"a", "b", "c"}));
    // Broken sequences are ordinary bytes, never separators.
    EXPECT_EQ(utf8::splitWords("a\xC2 b\xE2\x80"), (std::vector<std::string>{"a\xC2", "b\xE2\x80"}));
    EXPECT_EQ(utf8::trimWhitespace("\n\xE2\x80\xAF"
                                   "a b\xC2\xA0"),
              "a b");
    EXPECT_EQ(utf8::trimWhitespace(" \t\n"), "");
    EXPECT_EQ(utf8::trimWhitespace("\xFF "), "\xFF");
}

} // namespace
} // namespace brisel
