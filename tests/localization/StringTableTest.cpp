#include "localization/StringTable.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <map>
#include <ostream>
#include <string>

namespace brisel {
namespace {

using Entries = std::map<QString, QString>;

Entries entriesOf(const StringTable& table) {
    Entries entries;
    for (const QString& key : table.keys())
        entries[key] = *table.value(key);
    return entries;
}

struct ParseCase {
    const char* name;
    QByteArray input;
    Entries expected;
    int errorLine = -1; // -1: the input is valid
};

// A failure names the case, not the bytes of the struct.
void PrintTo(const ParseCase& c, std::ostream* out) {
    *out << c.name;
}

class StringTableParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(StringTableParseTest, ReadsLikeThePlatformReader) {
    const ParseCase& c = GetParam();
    const StringTableParse parsed = StringTable::parse(c.input);
    if (c.errorLine < 0) {
        ASSERT_FALSE(parsed.error) << parsed.error->message.toStdString() << " at line "
                                   << parsed.error->line;
        EXPECT_EQ(entriesOf(parsed.table), c.expected);
    } else {
        ASSERT_TRUE(parsed.error);
        EXPECT_EQ(parsed.error->line, c.errorLine) << parsed.error->message.toStdString();
        // A broken table is rejected as a whole.
        EXPECT_TRUE(parsed.table.isEmpty());
    }
}

const ParseCase kParseCases[] = {
    {"plain", "\"a\" = \"b\";", {{"a", "b"}}},
    {"empty file", "", {}},
    {"escapes", R"("k" = "q\"b\\s\'t\tn\nr\r";)", {{"k", "q\"b\\s't\tn\nr\r"}}},
    {"unicode escapes",
     R"("k" = "\U00e9\u00E9\UD83D\UDE00";)",
     {{"k", QString::fromUtf8("éé\xF0\x9F\x98\x80")}}},
    {"octal escape", R"("k" = "\101\60x";)", {{"k", "A0x"}}},
    {"unknown escape stands for itself", R"("k" = "\q";)", {{"k", "q"}}},
    {"utf-8 text", "\"k\" = \"\xE4\xBF\x9D\xE6\x8C\x81 {n}%\";", {{"k", QString::fromUtf8("保持 {n}%")}}},
    {"utf-8 byte-order mark", "\xEF\xBB\xBF\"k\" = \"v\";", {{"k", "v"}}},
    {"utf-16 with byte-order mark", QByteArray("\xFF\xFE\"\0k\0\"\0=\0\"\0v\0\"\0;\0", 18), {{"k", "v"}}},
    {"comments between tokens", "/* a */ \"k\" /* b */ = // c\n \"v\" /* d */ ; // e", {{"k", "v"}}},
    {"entry inside a comment is ignored", "/* \"x\" = \"y\"; */ \"k\" = \"v\";", {{"k", "v"}}},
    {"slashes inside a string", "\"k\" = \"a//b /* c */\";", {{"k", "a//b /* c */"}}},
    {"value spans lines", "\"k\" = \"one\ntwo\";", {{"k", "one\ntwo"}}},
    {"empty value", "\"k\" = \"\";", {{"k", ""}}},
    {"shortcut form", "\"same\";", {{"same", "same"}}},
    {"bare words", "app.name = Brisel;", {{"app.name", "Brisel"}}},
    {"single quotes", "'k' = 'v';", {{"k", "v"}}},
    {"repeated key keeps the last", "\"k\" = \"1\";\n\"k\" = \"2\";", {{"k", "2"}}},
    {"missing semicolon between entries", "\"a\" = \"b\"\n\"c\" = \"d\";", {}, 2},
    {"missing semicolon after the last entry", "\"a\" = \"b\";\n\"c\" = \"d\"\n", {}, 3},
    {"missing value", "\"a\" = ;", {}, 1},
    {"colon instead of equals", "\n\"a\" : \"b\";", {}, 2},
    {"unterminated string", "\"a\" = \"b;\n", {}, 1},
    {"unterminated comment", "\"a\" = \"b\";\n/* open", {}, 2},
    {"stray character", "\"a\" = \"b\"; }", {}, 1},
    {"invalid utf-8", "\"a\" = \"\xC3\x28\";", {}, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringTableParseTest, ::testing::ValuesIn(kParseCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

} // namespace
} // namespace brisel
