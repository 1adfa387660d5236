#include "services/config/ConfigStore.h"
#include "services/storage/PersistenceIO.h"

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "async/RunUntil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace brisel {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// The file a save of BriselConfig() writes.
const char* const defaultFile = R"({
  "awayAfterMinutes" : 15,
  "awayDetectionEnabled" : true,
  "holdLimit" : 80,
  "iconOnly" : false,
  "idleSeconds" : 120,
  "keepAwake" : false,
  "keepAwakeOnLidClosed" : false,
  "keepDisplayAwake" : false,
  "language" : "system",
  "lowBatteryWarnPercent" : 20,
  "manualLimit" : 80,
  "minSamplesPerHour" : 3,
  "networkSampleSeconds" : 30,
  "offlineAwayAfterMinutes" : 10,
  "refreshSeconds" : 5,
  "requireBattery" : true,
  "showInDock" : false,
  "showMenuBarIcon" : true,
  "smartEnabled" : false,
  "theme" : "liquidGlass",
  "topupLeadHours" : 2,
  "topupLimit" : 100,
  "usualFingerprints" : [

  ],
  "usualMinDwellSeconds" : 7200
}
)";

BriselConfig customConfig() {
    return BriselConfig{90,
                        95,
                        100,
                        3,
                        4,
                        7,
                        true,
                        true,
                        true,
                        false,
                        "zh-Hans",
                        "classic",
                        true,
                        true,
                        false,
                        60,
                        3600,
                        20,
                        12,
                        300,
                        false,
                        15,
                        ReminderIntent::disabled,
                        true,
                        {"ip:10.0.0.1/24", "wifi:\"home\" \\ caf\xc3\xa9"}};
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

template <typename T> T awaitResult(const Task<T>& task) {
    EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
    return task.result();
}

class ConfigStoreTest : public test::TestEnvironment {
protected:
    fs::path file() const { return root() / "store" / "Brisel" / "config.json"; }
};

TEST_F(ConfigStoreTest, LocationFollowsTheXdgConfigFolderWithTheAccountHomeAsLastResort) {
    struct Row {
        std::optional<std::string> xdgConfigHome;
        std::optional<std::string> home;
        fs::path expected;
    };
    passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    const fs::path accountFallback =
        fs::path(account->pw_dir) / "Library/Application Support/Brisel/config.json";
    const std::vector<Row> rows = {
        {"/x/config", "/x/home", "/x/config/Brisel/config.json"},
        {std::nullopt, "/x/home", "/x/home/.config/Brisel/config.json"},
        {"", "/x/home", "/x/home/.config/Brisel/config.json"},
        {"relative/config", "/x/home", "/x/home/.config/Brisel/config.json"},
        {std::nullopt, std::nullopt, accountFallback},
        {std::nullopt, "", accountFallback},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected.string());
        auto set = [](const char* name, const std::optional<std::string>& value) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        };
        set("XDG_CONFIG_HOME", row.xdgConfigHome);
        set("HOME", row.home);
        EXPECT_EQ(ConfigStore::url(), row.expected);
    }
}

TEST_F(ConfigStoreTest, MissingFileReadsAsDefaultsAndCreatesNothing) {
    EXPECT_EQ(ConfigStore::read(file()), BriselConfig());
    EXPECT_FALSE(fs::exists(file().parent_path()));
    // The default location lies in the test's own XDG folder.
    EXPECT_EQ(ConfigStore::url(), configHome() / "Brisel" / "config.json");
    EXPECT_EQ(ConfigStore::load(), BriselConfig());
    EXPECT_FALSE(fs::exists(configHome() / "Brisel"));
}

TEST_F(ConfigStoreTest, SavedFilesHaveTheExactLayoutAndRoundTripByteForByte) {
    ConfigStore::save(BriselConfig(), file());
    EXPECT_EQ(readFile(file()), defaultFile);

    const fs::path copy = root() / "copy" / "config.json";
    for (const BriselConfig& config : {BriselConfig(), customConfig()}) {
        ConfigStore::save(config, file());
        BriselConfig back = ConfigStore::read(file());
        EXPECT_EQ(back, config);
        ConfigStore::save(back, copy);
        EXPECT_EQ(readFile(copy), readFile(file()));
    }
    const std::string custom = readFile(file());
    EXPECT_NE(custom.find("  \"lowBatteryReminder\" : \"disabled\",\n"), std::string::npos);
    EXPECT_NE(custom.find("  \"usualFingerprints\" : [\n    \"ip:10.0.0.1\\/24\",\n    "
                          "\"wifi:\\\"home\\\" \\\\ caf\xc3\xa9\"\n  ],\n"),
              std::string::npos);
    EXPECT_EQ(custom.substr(custom.size() - 2), "}\n");
}

TEST_F(ConfigStoreTest, SaveStoresValuesAsGivenAndLeavesOutAnUnsetReminder) {
    BriselConfig config;
    config.manualLimit = 50;
    config.networkSampleSeconds = 1;
    ConfigStore::save(config, file());
    auto written = nlohmann::json::parse(readFile(file()));
    EXPECT_EQ(written.size(), 24u);
    EXPECT_FALSE(written.contains("lowBatteryReminder"));
    EXPECT_EQ(written["manualLimit"], 50);
    EXPECT_EQ(written["networkSampleSeconds"], 1);
    BriselConfig back = ConfigStore::read(file());
    EXPECT_EQ(back.manualLimit, 80);
    EXPECT_EQ(back.networkSampleSeconds, 5);
}

TEST_F(ConfigStoreTest, UnreadableOrMalformedFilesThrowTheUnderlyingErrorAndStayUntouched) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> prepare;
        bool fileError; // std::system_error rather than a JSON error
    };
    const std::vector<Row> rows = {
        {"folder at the path", [](const fs::path& p) { fs::create_directories(p); }, true},
        {"pipe at the path",
         [](const fs::path& p) {
             fs::create_directories(p.parent_path());
             ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
         },
         true},
        {"not JSON", [](const fs::path& p) { writeFile(p, "holdLimit=80"); }, false},
        {"empty", [](const fs::path& p) { writeFile(p, ""); }, false},
        {"not an object", [](const fs::path& p) { writeFile(p, "[80]"); }, false},
        {"wrong type", [](const fs::path& p) { writeFile(p, R"({"holdLimit": "80"})"); }, false},
        {"bad reminder", [](const fs::path& p) { writeFile(p, R"({"lowBatteryReminder": "soon"})"); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(file());
        row.prepare(file());
        const std::string before = fs::is_regular_file(file()) ? readFile(file()) : "";
        if (row.fileError)
            EXPECT_THROW(ConfigStore::read(file()), std::system_error);
        else
            EXPECT_THROW(ConfigStore::read(file()), nlohmann::json::exception);
        if (fs::is_regular_file(file())) {
            EXPECT_EQ(readFile(file()), before);
        }
    }
    // The lenient read gives the defaults instead.
    writeFile(ConfigStore::url(), "not json");
    EXPECT_EQ(ConfigStore::load(), BriselConfig());
    EXPECT_EQ(readFile(ConfigStore::url()), "not json");
}

TEST_F(ConfigStoreTest, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    // Renaming over a folder fails for every user, root included.
    const fs::path blocked = root() / "store" / "Brisel" / "blocked.json";
    writeFile(blocked / "keep", "kept");
    EXPECT_THROW(ConfigStore::save(customConfig(), blocked), std::system_error);
    EXPECT_EQ(readFile(blocked / "keep"), "kept");
    EXPECT_EQ(folderEntries(blocked.parent_path()), std::vector<std::string>{"blocked.json"});

    // A folder that cannot be created (a file is in the way).
    writeFile(root() / "plain", "x");
    EXPECT_THROW(ConfigStore::save(BriselConfig(), root() / "plain" / "config.json"), std::system_error);
}

TEST_F(ConfigStoreTest, ReadOnlyFolderMakesTheSaveFailWithoutTouchingTheOldFile) {
    ConfigStore::save(customConfig(), file());
    const std::string before = readFile(file());
    // Root ignores folder permissions: the save is tried by an ordinary user, who owns the folder
    // but may not write it.
    const fs::path folder = file().parent_path();
    letEveryonePass(folder);
    if (const auto user = test::ordinaryUser()) {
        ASSERT_EQ(::chown(folder.c_str(), *user, *user), 0);
    }
    fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    const int outcome = test::runAsOrdinaryUser([&] {
        try {
            ConfigStore::save(BriselConfig(), file());
        } catch (const std::system_error&) {
            return 1;
        }
        return 0;
    });
    EXPECT_EQ(outcome, 1);
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"config.json"});
}

TEST_F(ConfigStoreTest, SavingCreatesMissingFolders) {
    const fs::path deep = root() / "a" / "b" / "c" / "config.json";
    ConfigStore::save(BriselConfig(), deep);
    EXPECT_EQ(readFile(deep), defaultFile);
}

Task<BriselConfig> saveThenRead(BriselConfig config, fs::path at) {
    // Both are queued before either runs; the read must still see the save.
    auto save = ConfigStore::saveAsync(config, at);
    auto read = ConfigStore::readAsync(at);
    co_await save;
    co_return co_await read;
}

TEST_F(ConfigStoreTest, AsyncSaveFollowedAtOnceByAsyncReadReturnsTheSavedValues) {
    EXPECT_EQ(awaitResult(saveThenRead(customConfig(), file())), customConfig());
}

TEST_F(ConfigStoreTest, AsyncSavesWriteTheirSnapshotInCallOrder) {
    BriselConfig config;
    std::vector<Task<void>> saves;
    for (int limit = 81; limit <= 100; ++limit) {
        config.manualLimit = limit;
        saves.push_back(ConfigStore::saveAsync(config, file()));
    }
    config.manualLimit = 0; // changed after the last call: must not reach the file
    auto read = ConfigStore::readAsync(file());
    EXPECT_EQ(awaitResult(read).manualLimit, 100);
    for (const auto& save : saves)
        EXPECT_TRUE(save.isDone());
}

TEST_F(ConfigStoreTest, AsyncFormsHandTheUnderlyingErrorToTheAwaiter) {
    writeFile(file(), "{");
    auto read = ConfigStore::readAsync(file());
    ASSERT_TRUE(runUntil([&] { return read.isDone(); }));
    EXPECT_THROW(read.result(), nlohmann::json::parse_error);

    writeFile(root() / "plain", "x");
    auto save = ConfigStore::saveAsync(BriselConfig(), root() / "plain" / "config.json");
    ASSERT_TRUE(runUntil([&] { return save.isDone(); }));
    EXPECT_THROW(save.result(), std::system_error);
}

TEST(PersistenceIOTest, RunsBlocksOffTheMainThreadInCallOrderEvenWhenNobodyAwaits) {
    std::mutex mutex;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::vector<Task<int>> tasks;
    // 101 blocks, so the last one queued (100) is a kept one: its end means every block has run.
    for (int i = 0; i <= 100; ++i) {
        auto task = PersistenceIO::shared().run([&, i] {
            std::lock_guard lock(mutex);
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
            if (i == 50) throw std::runtime_error("block failed");
            return i * 2;
        });
        if (i % 2 == 0) tasks.push_back(task); // the odd ones are dropped at once
        if (i == 10) task.cancel();            // cancelling does not stop the block
    }
    ASSERT_TRUE(runUntil([&] { return tasks.back().isDone(); }));
    std::lock_guard lock(mutex);
    ASSERT_EQ(order.size(), 101u);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(order[i], i);
    for (auto id : threads) {
        EXPECT_EQ(id, threads.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_EQ(tasks[5].result(), 20);
    EXPECT_THROW(tasks[25].result(), std::runtime_error);
}

} // namespace
} // namespace brisel
