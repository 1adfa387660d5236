#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel::test {

// Gives the test its own temporary HOME, XDG folders and simulated machine folder, and restores
// the previous environment afterwards, so no test touches the developer's real files.
class TestEnvironment : public ::testing::Test {
protected:
    // A fixture whose tests drop to an ordinary user asks for a folder that user can pass into: the
    // first of the temporary folder, /tmp and /var/tmp that everyone may pass, or the test is skipped.
    enum class Reach { owner, everyone };
    explicit TestEnvironment(Reach reach = Reach::owner) : reach_(reach) {}

    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path home() const { return root_ / "home"; }
    std::filesystem::path configHome() const { return root_ / "config"; }
    std::filesystem::path runtimeDir() const { return root_ / "runtime"; }
    std::filesystem::path simDir() const { return root_ / "sim"; }

    // Lets every user pass through the test's folder and each folder below it down to `folder`
    // (search permission only), so a user the test drops to reaches the files under test.
    void letEveryonePass(const std::filesystem::path& folder) const;

private:
    Reach reach_;
    std::filesystem::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// How much later than its deadline a blocking call may return in a test: far above any scheduling
// delay on a loaded machine, far below what the tests set against it (a minute, or forever), so a
// call that ignores its deadline still fails.
inline constexpr double kSlack = 10.0;

// Root bypasses file permissions, so permission tests only mean something for other users.
bool runningAsRoot();

// Reads a whole file into a string (empty when missing).
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);

} // namespace brisel::test
