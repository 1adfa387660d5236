#include "platform/sim/SimStore.h"

#include "TestEnvironment.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;
using test::readFile;
using test::writeFile;

class SimStoreTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        const char* tmp = std::getenv("TMPDIR");
        savedTmp_ = tmp ? std::optional<std::string>(tmp) : std::nullopt;
    }
    void TearDown() override {
        if (savedTmp_)
            ::setenv("TMPDIR", savedTmp_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        TestEnvironment::TearDown();
    }

    // Points the shared-tmp fallback at a folder of this test.
    std::filesystem::path useTmpFallback() {
        std::filesystem::path tmp = root() / "tmp";
        std::filesystem::create_directories(tmp);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        ::unsetenv("BRISEL_SIM_DIR");
        ::unsetenv("XDG_RUNTIME_DIR");
        return tmp / ("brisel-sim-" + std::to_string(::geteuid()));
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(simDir()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::optional<std::string> savedTmp_;
};

TEST_F(SimStoreTest, DefaultDirectoryFollowsTheEnvironment) {
    EXPECT_EQ(SimStore::defaultDirectory(), simDir());
    EXPECT_EQ(SimStore().filePath(), simDir() / "machine.json");

    ::setenv("BRISEL_SIM_DIR", "", 1); // empty counts as unset
    EXPECT_EQ(SimStore::defaultDirectory(), runtimeDir() / "brisel-sim");

    std::filesystem::path fallback = useTmpFallback();
    EXPECT_EQ(SimStore::defaultDirectory(), fallback);
}

TEST_F(SimStoreTest, DocumentSurvivesARoundTrip) {
    const json document = {
        {"double", 71.99697848955791},
        {"big", std::numeric_limits<std::uint64_t>::max()},
        {"negative", -635},
        {"text", "Caf\u00e9 \"quoted\"\n"},
        {"list", {1, 2.5, false, nullptr}},
        {"nested", {{"empty", json::object()}, {"flag", true}}},
    };
    SimStore store;
    ASSERT_EQ(store.update([&](json& current) -> std::optional<std::string> {
        EXPECT_TRUE(current.is_null()); // no file yet
        current = document;
        return std::nullopt;
    }),
              std::nullopt);

    SimReadResult read = store.read();
    ASSERT_FALSE(read.error) << *read.error;
    ASSERT_TRUE(read.document);
    EXPECT_EQ(*read.document, document);
    EXPECT_TRUE((*read.document)["big"].is_number_unsigned());
    EXPECT_TRUE((*read.document)["double"].is_number_float());
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"machine.json", "machine.lock"}));
}

TEST_F(SimStoreTest, MissingFileIsNoDocumentAndReadingCreatesNothing) {
    std::filesystem::remove_all(simDir());
    SimReadResult read = SimStore().read();
    EXPECT_FALSE(read.document);
    EXPECT_FALSE(read.error);
    EXPECT_FALSE(std::filesystem::exists(simDir()));
}

TEST_F(SimStoreTest, DamagedFileIsReportedAndOnlyReplaceOverwritesIt) {
    const std::string cases[] = {"{\"battery\": ", "[1, 2]", "", "\"text\"", "{} trailing"};
    for (const std::string& damaged : cases) {
        SCOPED_TRACE(damaged);
        SimStore store;
        writeFile(store.filePath(), damaged);

        SimReadResult read = store.read();
        EXPECT_FALSE(read.document);
        ASSERT_TRUE(read.error);
        EXPECT_NE(read.error->find("damaged"), std::string::npos) << *read.error;
        EXPECT_NE(read.error->find("brisel-sim reset"), std::string::npos) << *read.error;

        bool mutated = false;
        std::optional<std::string> error = store.update([&](json&) -> std::optional<std::string> {
            mutated = true;
            return std::nullopt;
        });
        EXPECT_EQ(error, read.error);
        EXPECT_FALSE(mutated);
        EXPECT_EQ(readFile(store.filePath()), damaged);

        EXPECT_EQ(store.replace({{"fresh", true}}), std::nullopt);
        EXPECT_EQ(store.read().document, json({{"fresh", true}}));
    }
}

TEST_F(SimStoreTest, AbortedMutationWritesNothing) {
    SimStore store;
    ASSERT_EQ(store.replace({{"a", 1}}), std::nullopt);
    const std::string before = readFile(store.filePath());

    EXPECT_EQ(store.update([](json& document) -> std::optional<std::string> {
        document["a"] = 2;
        return std::string("no thanks");
    }),
              std::optional<std::string>("no thanks"));
    // A mutation that breaks the JSON rules reports instead of throwing through.
    std::optional<std::string> thrown = store.update([](json& document) -> std::optional<std::string> {
        document["a"].push_back(3);
        return std::nullopt;
    });
    ASSERT_TRUE(thrown);
    EXPECT_NE(thrown->find("cannot update"), std::string::npos);

    EXPECT_EQ(readFile(store.filePath()), before);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"machine.json", "machine.lock"}));
}

TEST_F(SimStoreTest, ConcurrentProcessesLoseNoUpdate) {
    constexpr int kProcesses = 4;
    constexpr int kRounds = 25;
    SimStore store;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Each process bumps its own counter; a lost read-modify-write would drop a bump.
            const std::string key = "counter" + std::to_string(p);
            int failures = 0;
            for (int i = 0; i < kRounds; ++i) {
                failures += store.update([&](json& document) -> std::optional<std::string> {
                    if (!document.is_object()) document = json::object();
                    document[key] = document.value(key, 0) + 1;
                    return std::nullopt;
                })
                                ? 1
                                : 0;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SimReadResult read = store.read();
    ASSERT_TRUE(read.document);
    for (int p = 0; p < kProcesses; ++p)
        EXPECT_EQ((*read.document).value("counter" + std::to_string(p), -1), kRounds) << p;
}

TEST_F(SimStoreTest, SharedTmpFallbackMustBeAPrivateFolder) {
    std::filesystem::path fallback = useTmpFallback();

    // Created on first write, private to this user.
    ASSERT_EQ(SimStore().replace(json::object()), std::nullopt);
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(fallback.c_str(), 0777);
    SimReadResult read = SimStore().read();
    ASSERT_TRUE(read.error);
    EXPECT_NE(read.error->find("refusing"), std::string::npos);
    EXPECT_TRUE(SimStore().replace(json::object()));

    std::filesystem::remove_all(fallback);
    std::filesystem::create_directory_symlink(root(), fallback);
    EXPECT_TRUE(SimStore().read().error);
    EXPECT_TRUE(SimStore().update([](json&) { return std::optional<std::string>(); }));
}

TEST_F(SimStoreTest, SharedTmpFallbackOwnedByAnotherUserIsRefused) {
    if (!test::runningAsRoot()) GTEST_SKIP() << "handing the folder to another user needs root";
    std::filesystem::path fallback = useTmpFallback();
    ASSERT_EQ(::mkdir(fallback.c_str(), 0700), 0);
    ASSERT_EQ(::chown(fallback.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(SimStore().read().error);
}

} // namespace
} // namespace brisel
