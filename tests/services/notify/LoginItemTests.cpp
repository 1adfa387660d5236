#include "async/RunUntil.h"
#include "platform/DesktopEntry.h"
#include "platform/XdgAutostartLoginItem.h"
#include "services/notify/LoginItemWorker.h"

#include "ChildProcess.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace brisel {
namespace {

namespace fs = std::filesystem;

template <typename T> T await(Task<T> task) {
    EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
    return task.result();
}

TEST(LoginItemWorkerTest, RunsCallsInOrderOnItsQueue) {
    std::vector<std::string> log;
    bool registered = false;
    std::thread::id callThread;
    LoginItemWorker worker(
        [&] {
            log.push_back("status");
            callThread = std::this_thread::get_id();
            return registered ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
        },
        [&](bool enabled) {
            log.push_back(enabled ? "register" : "unregister");
            registered = enabled;
        });
    auto change = worker.setEnabled(true);
    auto status = worker.status();
    EXPECT_EQ(await(status), LoginItemStatus::enabled);
    EXPECT_EQ(await(change), std::nullopt);
    EXPECT_EQ(log, (std::vector<std::string>{"register", "status"}));
    EXPECT_NE(callThread, std::this_thread::get_id());
}

TEST(LoginItemWorkerTest, HandsBackTheUpdatesErrorUnchanged) {
    const struct {
        const char* name;
        std::function<void(bool)> update;
        std::optional<std::string> expected;
    } cases[] = {
        {"succeeds", [](bool) {}, std::nullopt},
        {"standard error", [](bool) { throw std::runtime_error("Operation not permitted"); },
         "Operation not permitted"},
        {"anything else", [](bool) { throw 42; }, "The login item could not be changed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int statusReads = 0;
        LoginItemWorker worker(
            [&] {
                ++statusReads;
                return LoginItemStatus::requiresApproval;
            },
            c.update);
        EXPECT_EQ(await(worker.setEnabled(false)), c.expected);
        // The queue goes on after a failure.
        EXPECT_EQ(await(worker.status()), LoginItemStatus::requiresApproval);
        EXPECT_EQ(statusReads, 1);
    }
}

TEST(LoginItemWorkerTest, CallsStaySafeWhenTheWorkerGoesRightAfter) {
    auto updates = std::make_shared<std::atomic<int>>(0);
    auto worker = std::make_unique<LoginItemWorker>([] { return LoginItemStatus::enabled; },
                                                    [updates](bool) { ++*updates; });
    auto status = worker->status();
    auto change = worker->setEnabled(true);
    worker.reset(); // before either body has run
    EXPECT_EQ(await(status), LoginItemStatus::enabled);
    EXPECT_EQ(await(change), std::nullopt);
    EXPECT_EQ(*updates, 1);
}

class XdgLoginItemTest : public test::TestEnvironment {
protected:
    XdgLoginItemTest() : TestEnvironment(Reach::everyone) {}
    fs::path userDir() const { return configHome() / "autostart"; }
    fs::path systemDir() const { return root() / "xdg" / "autostart"; }
    fs::path entry() const { return userDir() / "com.brisel.Brisel.desktop"; }
    fs::path makeExecutable(const std::string& name) const {
        const auto path = root() / "apps" / name;
        test::writeFile(path, "#!/bin/sh\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    XdgAutostartLoginItem item(fs::path executable) const {
        return XdgAutostartLoginItem({userDir(), {systemDir()}, std::move(executable)});
    }
};

TEST_F(XdgLoginItemTest, SwitchingOnAndOffWritesAndRemovesTheAutostartEntry) {
    // The platform's item: the autostart folder under XDG_CONFIG_HOME and this executable.
    LoginItemWorker worker(std::make_shared<XdgAutostartLoginItem>());
    EXPECT_EQ(await(worker.status()), LoginItemStatus::notRegistered);

    EXPECT_EQ(await(worker.setEnabled(true)), std::nullopt);
    ASSERT_TRUE(fs::exists(entry()));
    EXPECT_EQ(await(worker.status()), LoginItemStatus::enabled);
    const auto keys = parseDesktopEntry(test::readFile(entry()));
    EXPECT_EQ(keys.at("Type"), "Application");
    EXPECT_EQ(splitDesktopExec(keys.at("Exec")),
              std::vector<std::string>{fs::read_symlink("/proc/self/exe").string()});

    EXPECT_EQ(await(worker.setEnabled(false)), std::nullopt);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(await(worker.status()), LoginItemStatus::notRegistered);
    // Switching off what is off is no error.
    EXPECT_EQ(await(worker.setEnabled(false)), std::nullopt);
}

TEST_F(XdgLoginItemTest, StatusFollowsTheEntryThatDesktopsWouldUse) {
    const auto app = makeExecutable("brisel");
    const std::string exec = "Exec=" + joinDesktopExec({app.string()}) + "\n";
    const std::string head = "[Desktop Entry]\nType=Application\nName=Brisel\n";
    const struct {
        const char* name;
        std::optional<std::string> user;
        std::optional<std::string> system;
        LoginItemStatus expected;
    } cases[] = {
        {"no entry", std::nullopt, std::nullopt, LoginItemStatus::notRegistered},
        {"enabled", head + exec, std::nullopt, LoginItemStatus::enabled},
        {"switched off in the desktop's settings", head + exec + "X-GNOME-Autostart-enabled=false\n",
         std::nullopt, LoginItemStatus::requiresApproval},
        {"explicitly on", head + exec + "X-GNOME-Autostart-enabled=true\n", std::nullopt,
         LoginItemStatus::enabled},
        {"deleted", head + exec + "Hidden=true\n", std::nullopt, LoginItemStatus::notRegistered},
        {"program gone", head + "Exec=" + (root() / "apps" / "gone").string() + "\n", std::nullopt,
         LoginItemStatus::notFound},
        {"program on the PATH", head + "Exec=sh -c true\n", std::nullopt, LoginItemStatus::enabled},
        {"no Exec line", head, std::nullopt, LoginItemStatus::notFound},
        {"broken quoting", head + "Exec=\"" + app.string() + "\n", std::nullopt, LoginItemStatus::notFound},
        {"installed for all users", std::nullopt, head + exec, LoginItemStatus::enabled},
        {"masked by the user", head + "Hidden=true\n", head + exec, LoginItemStatus::notRegistered},
        {"the user's entry wins", head + exec + "X-GNOME-Autostart-enabled=false\n", head + exec,
         LoginItemStatus::requiresApproval},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(userDir());
        fs::remove_all(systemDir());
        if (c.user) test::writeFile(entry(), *c.user);
        if (c.system) test::writeFile(systemDir() / "com.brisel.Brisel.desktop", *c.system);
        EXPECT_EQ(item(app).status(), c.expected);
    }
}

TEST_F(XdgLoginItemTest, AnUnreadableEntryCannotBeUsed) {
    test::writeFile(entry(), "[Desktop Entry]\nExec=sh\n");
    fs::permissions(entry(), fs::perms::none);
    auto login = item(makeExecutable("brisel"));
    // Root reads any file: the entry is read by an ordinary user, who reaches but cannot read it.
    letEveryonePass(userDir());
    EXPECT_EQ(test::runAsOrdinaryUser([&] { return static_cast<int>(login.status()); }),
              static_cast<int>(LoginItemStatus::notFound));
}

TEST_F(XdgLoginItemTest, APipeInPlaceOfTheEntryIsUnusableButDoesNotBlock) {
    fs::create_directories(userDir());
    ASSERT_EQ(::mkfifo(entry().c_str(), 0600), 0);
    auto login = item(makeExecutable("brisel"));
    EXPECT_EQ(login.status(), LoginItemStatus::notFound);
    login.setRegistered(true);
    EXPECT_EQ(login.status(), LoginItemStatus::enabled);
}

TEST_F(XdgLoginItemTest, UnregisteringMasksAnEntryInstalledForAllUsers) {
    const auto app = makeExecutable("brisel");
    test::writeFile(systemDir() / "com.brisel.Brisel.desktop",
                    "[Desktop Entry]\nType=Application\nExec=" + joinDesktopExec({app.string()}) + "\n");
    auto login = item(app);
    EXPECT_EQ(login.status(), LoginItemStatus::enabled);
    login.setRegistered(false);
    EXPECT_EQ(login.status(), LoginItemStatus::notRegistered);
    EXPECT_TRUE(fs::exists(systemDir() / "com.brisel.Brisel.desktop"));
    login.setRegistered(true);
    EXPECT_EQ(login.status(), LoginItemStatus::enabled);
}

TEST_F(XdgLoginItemTest, RegisteringFailsClearlyAndWritesNothing) {
    const struct {
        const char* name;
        fs::path executable;
        bool blockFolder;
        const char* message;
    } cases[] = {
        {"no executable", root() / "apps" / "missing", false, "login.noExecutable"},
        {"autostart folder cannot be made", fs::path(), true, "login.folderFailed\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(userDir());
        fs::remove_all(configHome());
        if (c.blockFolder) test::writeFile(configHome(), "a file where the folder belongs");
        auto login = item(c.executable.empty() ? makeExecutable("brisel") : c.executable);
        try {
            login.setRegistered(true);
            ADD_FAILURE() << "no error";
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
        EXPECT_EQ(login.status(), LoginItemStatus::notRegistered);
        fs::remove_all(configHome());
        fs::create_directories(configHome());
    }
}

} // namespace
} // namespace brisel
