#include "platform/UserDefaults.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace brisel {
namespace {

class UserDefaultsTest : public test::TestEnvironment {};

TEST_F(UserDefaultsTest, StandardStoreLivesUnderTheConfigFolder) {
    EXPECT_EQ(UserDefaults().path(), configHome() / "Brisel" / "defaults.ini");
    UserDefaults defaults;
    ASSERT_TRUE(defaults.setString("profile.ac", "1,2,3"));
    EXPECT_TRUE(std::filesystem::exists(configHome() / "Brisel" / "defaults.ini"));
}

TEST_F(UserDefaultsTest, ValuesRoundTripThroughAnotherInstance) {
    const struct {
        const char* key;
        std::string text;
    } strings[] = {{"profile.ac", "0,1,2,3"},
                   {"plain", "hello"},
                   {"at", "@ByteArray(x)"},
                   {"empty", ""},
                   {"quote", "a \"b\" ; c=d"}};
    UserDefaults writer(root() / "d.ini");
    for (const auto& s : strings)
        ASSERT_TRUE(writer.setString(s.key, s.text));
    const QByteArray bytes("{\"a\":1}\n\0\xff", 10);
    ASSERT_TRUE(writer.setData("away.dwell", bytes));

    UserDefaults reader(root() / "d.ini");
    for (const auto& s : strings)
        EXPECT_EQ(reader.string(s.key), s.text) << s.key;
    EXPECT_EQ(reader.data("away.dwell"), bytes);
}

TEST_F(UserDefaultsTest, MissingKeysAndOtherKindsReadAsNothing) {
    UserDefaults defaults(root() / "d.ini");
    EXPECT_EQ(defaults.string("missing"), std::nullopt);
    ASSERT_TRUE(defaults.setData("bytes", "abc"));
    ASSERT_TRUE(defaults.setString("text", "abc"));
    EXPECT_EQ(defaults.string("bytes"), std::nullopt);
    EXPECT_EQ(defaults.data("text"), std::nullopt);
    ASSERT_TRUE(defaults.remove("text"));
    EXPECT_EQ(defaults.string("text"), std::nullopt);
    EXPECT_EQ(defaults.data("bytes"), QByteArray("abc"));
}

TEST_F(UserDefaultsTest, WritersOnSeveralThreadsLoseNothing) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            UserDefaults defaults(root() / "d.ini");
            for (int i = 0; i < 20; ++i)
                defaults.setString("k" + std::to_string(t) + "." + std::to_string(i), "v");
        });
    for (auto& w : writers)
        w.join();
    UserDefaults defaults(root() / "d.ini");
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(defaults.string("k" + std::to_string(t) + "." + std::to_string(i)), "v");
}

TEST_F(UserDefaultsTest, UnwritableFileIsReported) {
    // A folder where the file should be cannot be written, not even by root.
    std::filesystem::create_directories(root() / "taken.ini");
    EXPECT_FALSE(UserDefaults(root() / "taken.ini").setString("a", "b"));
}

} // namespace
} // namespace brisel
