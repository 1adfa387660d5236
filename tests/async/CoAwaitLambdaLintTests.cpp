// GCC 12 destroys a lambda, or a braced temporary, written inside a co_await expression twice (a heap
// use-after-free once the lambda captures anything that owns memory). This scan keeps the
// pattern out of the code base: name the lambda in a statement of its own, then await.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The text of the expression that follows `co_await` at `from`, up to its `;` or the bracket that
// closes around it.
std::string awaitedExpression(const std::string& text, std::size_t from) {
    int depth = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        char c = text[i];
        if (c == '(' || c == '{' || c == '[')
            ++depth;
        else if (c == ')' || c == '}' || c == ']') {
            if (--depth < 0) return text.substr(from, i - from);
        } else if (c == ';' && depth == 0)
            return text.substr(from, i - from);
    }
    return text.substr(from);
}

std::string withoutComments(const std::string& text) {
    static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
    return std::regex_replace(text, comment, " ");
}

std::vector<std::string> lambdasInsideCoAwait(const std::string& source) {
    // A lambda, or a braced temporary of one of our types (UpperCamelCase), both hit by the bug.
    static const std::regex lambda(R"(\[[^\[\]]*\]\s*(\(|\{|mutable\b|->)|\b[A-Z]\w*(<[^;{}]*>)?\s*\{)");
    const std::string text = withoutComments(source);
    std::vector<std::string> found;
    for (std::size_t at = text.find("co_await"); at != std::string::npos;
         at = text.find("co_await", at + 1)) {
        if (text.compare(at >= 9 ? at - 9 : 0, 9, "operator ") == 0 ||
            text.compare(at >= 8 ? at - 8 : 0, 8, "operator") == 0)
            continue; // the definition of an awaitable, not an await
        std::string expression = awaitedExpression(text, at + 8);
        if (std::regex_search(expression, lambda)) found.push_back(expression.substr(0, 80));
    }
    return found;
}

TEST(CoAwaitLambdaLint, FindsThePatternItGuardsAgainst) {
    EXPECT_EQ(lambdasInsideCoAwait("int v = co_await q.run([x] { return x; });").size(), 1u);
    EXPECT_EQ(lambdasInsideCoAwait("co_await q.run(\n  [&]() mutable { go(); });").size(), 1u);
    EXPECT_TRUE(lambdasInsideCoAwait("auto operator co_await() const { return Awaiter{state}; }").empty());
    EXPECT_EQ(lambdasInsideCoAwait("co_await Awaiter{std::move(state)};").size(), 1u);
    EXPECT_TRUE(lambdasInsideCoAwait("auto job = [x] { return x; };\nco_await q.run(job);").empty());
    EXPECT_TRUE(lambdasInsideCoAwait("co_await values[0]; auto f = [] {};").empty());
    EXPECT_TRUE(lambdasInsideCoAwait("// co_await q.run([x] { return x; });\nint y;").empty());
}

TEST(CoAwaitLambdaLint, NoSourceWritesALambdaInsideCoAwait) {
    const std::filesystem::path root = std::filesystem::path(BRISEL_TEST_DATA_DIR) / ".." / "..";
    const std::string self = std::filesystem::path(__FILE__).filename().string();
    for (const char* folder : {"src", "tests", "tools"}) {
        if (!std::filesystem::exists(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const auto extension = entry.path().extension();
            if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h") ||
                entry.path().filename() == self)
                continue;
            std::ifstream in(entry.path());
            std::stringstream contents;
            contents << in.rdbuf();
            for (const auto& hit : lambdasInsideCoAwait(contents.str()))
                ADD_FAILURE() << entry.path().lexically_normal() << ": co_await" << hit;
        }
    }
}

} // namespace
