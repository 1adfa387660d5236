#include "services/storage/JsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace brisel {
namespace {

using json = nlohmann::json;

struct WriterCase {
    json value;
    std::string text;
};

TEST(JsonWriterTest, WritesOneMemberPerLineWithSortedKeys) {
    const std::vector<WriterCase> cases = {
        {json::object(), "{\n\n}"},
        {json::array(), "[\n\n]"},
        {json{{"b", 1}, {"a", json::array()}}, "{\n  \"a\" : [\n\n  ],\n  \"b\" : 1\n}"},
        {json{{"list", {"x", "y"}}}, "{\n  \"list\" : [\n    \"x\",\n    \"y\"\n  ]\n}"},
        {json{{"outer", {{"inner", {{"z", true}}}}}},
         "{\n  \"outer\" : {\n    \"inner\" : {\n      \"z\" : true\n    }\n  }\n}"},
        // Code-point order puts capitals first.
        {json{{"b", 1}, {"B", 2}, {"a", 3}}, "{\n  \"B\" : 2,\n  \"a\" : 3,\n  \"b\" : 1\n}"},
        {json{nullptr, false}, "[\n  null,\n  false\n]"},
        {json("a/b \"q\" \\ \t\n\r\b\f\x01\x1f\x7f"), R"("a\/b \"q\" \\ \t\n\r\b\f\u0001\u001f)"
                                                      "\x7f\""},
        {json("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8b"), "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8b\""},
        {json(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {json(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(prettyJson(row.value), row.text);
        // Whatever is written reads back as the same value.
        EXPECT_EQ(json::parse(prettyJson(row.value)), row.value);
    }
}

TEST(JsonWriterTest, RefusesWhatTheFileCannotCarry) {
    const std::vector<json> cases = {
        json("\xff"),
        json("\xc3"),             // cut-off sequence
        json("\xc0\xaf"),         // overlong "/"
        json("\xed\xa0\x80"),     // surrogate
        json("\xf4\x90\x80\x80"), // above U+10FFFF
        json{{"key\xfe", 1}},
        json(80.0),
        json{{"ratio", 0.5}},
    };
    for (const auto& value : cases)
        EXPECT_THROW(prettyJson(value), nlohmann::json::type_error);
}

} // namespace
} // namespace brisel
