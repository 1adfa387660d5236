#include "async/Clock.h"
#include "async/RunUntil.h"
#include "platform/DesktopRunningApplications.h"
#include "platform/ProcStat.h"
#include "platform/ProcfsProcessUsage.h"
#include "services/energy/EnergySamplingWorker.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

namespace brisel {
namespace {

namespace fs = std::filesystem;

std::string statLine(int pid, const std::string& comm, char state, int parent, std::uint64_t utime,
                     std::uint64_t stime, std::uint64_t start) {
    return std::to_string(pid) + " (" + comm + ") " + state + " " + std::to_string(parent) +
           " 1 1 0 -1 4194304 10 0 0 0 " + std::to_string(utime) + " " + std::to_string(stime) +
           " 0 0 20 0 3 0 " + std::to_string(start) +
           " 123456 789 18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 2 0 0 0 0 0\n";
}

TEST(ProcStatTest, ReadsTheFieldsAfterTheLastParenthesis) {
    const struct {
        const char* name;
        std::string line;
        std::optional<ProcStat> expected;
    } cases[] = {
        {"plain", statLine(42, "editor", 'S', 1, 250, 50, 9000), ProcStat{"editor", 'S', 1, 250, 50, 9000}},
        {"spaces and parentheses in the name", statLine(43, "my (odd) app) x", 'R', 42, 1, 2, 3),
         ProcStat{"my (odd) app) x", 'R', 42, 1, 2, 3}},
        {"empty name", statLine(44, "", 'Z', 0, 0, 0, 0), ProcStat{"", 'Z', 0, 0, 0, 0}},
        {"huge counters", statLine(45, "x", 'S', 1, 18446744073709551615u, 0, 1),
         ProcStat{"x", 'S', 1, 18446744073709551615u, 0, 1}},
        {"cut short before the start time", "46 (x) S 1 1 1 0 -1 0 0 0 0 0 5 6 0 0 20 0\n", std::nullopt},
        {"no parentheses", "47 x S 1 1 1 0 -1 0 0 0 0 0 5 6 0 0 20 0 1 0 7\n", std::nullopt},
        {"a letter where a number belongs", "48 (x) S 1 1 1 0 -1 0 0 0 0 0 5x 6 0 0 20 0 1 0 7\n",
         std::nullopt},
        {"a negative time", "49 (x) S 1 1 1 0 -1 0 0 0 0 0 -5 6 0 0 20 0 1 0 7\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseProcStat(c.line), c.expected);
    }
}

TEST(ProcStatTest, ReadsVoluntarySwitchesNotTheInvoluntaryOnes) {
    const struct {
        std::string status;
        std::optional<std::uint64_t> expected;
    } cases[] = {
        {"Name:\tx\nnonvoluntary_ctxt_switches:\t9\nvoluntary_ctxt_switches:\t123\n", 123},
        {"Name:\tx\nvoluntary_ctxt_switches:\t123\nnonvoluntary_ctxt_switches:\t9\n", 123},
        {"voluntary_ctxt_switches:  7", 7},
        {"Name:\tx\nnonvoluntary_ctxt_switches:\t9\n", std::nullopt},
        {"voluntary_ctxt_switches:\tmany\n", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseVoluntarySwitches(c.status), c.expected) << c.status;
}

class ProcessReadersTest : public test::TestEnvironment {
protected:
    fs::path proc() const { return root() / "proc"; }
    fs::path share() const { return root() / "share"; }

    void addProcess(int pid, const std::string& comm, char state, int parent, const std::string& exe,
                    const std::string& argv0, std::uint64_t voluntary = 5) {
        const auto dir = proc() / std::to_string(pid);
        test::writeFile(dir / "stat", statLine(pid, comm, state, parent, 100, 20, 5000));
        test::writeFile(dir / "status", "Name:\t" + comm + "\nvoluntary_ctxt_switches:\t" +
                                            std::to_string(voluntary) + "\nnonvoluntary_ctxt_switches:\t1\n");
        if (!exe.empty()) fs::create_symlink(exe, dir / "exe");
        test::writeFile(dir / "cmdline", argv0 + std::string(1, '\0') + "--flag" + std::string(1, '\0'));
    }
    void addEntry(const std::string& relative, const std::string& body, const fs::path& base = {}) {
        test::writeFile((base.empty() ? share() : base) / "applications" / relative, body);
    }
    DesktopRunningApplications::Options options() const {
        DesktopRunningApplications::Options o;
        o.procRoot = proc();
        o.applicationDirs = {root() / "home-share" / "applications", share() / "applications"};
        o.iconDirs = {share()};
        o.ownPid = 106;
        o.language = "de_DE.UTF-8";
        o.ownBundleIdentifier = "com.brisel.Brisel";
        return o;
    }
};

TEST_F(ProcessReadersTest, ListsTheUsersProcessesThatAVisibleLauncherEntryStarts) {
    addEntry("org.example.Editor.desktop",
             "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Bearbeiter\n"
             "Exec=/usr/bin/editor %F\nIcon=org.example.Editor\n");
    addEntry("org.example.Viewer.desktop",
             "[Desktop Entry]\nType=Application\nName=Viewer\nExec=env GDK_BACKEND=x11 viewer %u\n");
    addEntry("org.example.Agent.desktop",
             "[Desktop Entry]\nType=Application\nName=Agent\nExec=agentd\nNoDisplay=true\n");
    addEntry("kde/konsole.desktop", "[Desktop Entry]\nType=Application\nName=Konsole\nExec=konsole\n");
    addEntry("shell-thing.desktop",
             "[Desktop Entry]\nType=Application\nName=Shell Thing\nExec=sh -c \"editor\"\n");
    addEntry("org.example.Link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nExec=linked\nURL=x\n");
    addEntry("org.example.Gone.desktop",
             "[Desktop Entry]\nType=Application\nName=Gone\nExec=gone\nHidden=true\n");
    // The user's own folder hides a system entry of the same id.
    addEntry("org.example.Masked.desktop", "[Desktop Entry]\nType=Application\nName=Masked\nExec=masked\n");
    addEntry("org.example.Masked.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n",
             root() / "home-share");
    addEntry("org.example.Action.desktop",
             "[Desktop Action new]\nExec=editor\n[Desktop Entry]\nType=Application\n"
             "Name=Action\nExec=actioned\n");

    addProcess(100, "editor", 'S', 1, "/usr/bin/editor", "/usr/bin/editor");
    addProcess(101, "editor", 'S', 100, "/usr/bin/editor", "/usr/bin/editor");    // helper of 100
    addProcess(102, "python3", 'S', 1, "/usr/bin/python3", "/opt/viewer/viewer"); // by its first argument
    addProcess(103, "agentd", 'S', 1, "", "");                                    // by its kernel name
    addProcess(104, "editor", 'Z', 1, "", "");                                    // zombie
    addProcess(105, "sh", 'S', 1, "/bin/sh", "sh");                               // a shell
    addProcess(106, "editor", 'S', 1, "/usr/bin/editor", "editor");               // ourselves
    addProcess(107, "kon (x) sole", 'S', 1, "/usr/bin/konsole (deleted)", "k");   // replaced binary
    addProcess(108, "masked", 'S', 1, "/usr/bin/masked", "masked");
    addProcess(109, "gone", 'S', 1, "/usr/bin/gone", "gone");
    addProcess(110, "linked", 'S', 1, "/usr/bin/linked", "linked");
    addProcess(111, "actioned", 'S', 104, "/usr/bin/actioned", "actioned"); // parent is another app
    test::writeFile(proc() / "self" / "stat", "not a process");
    test::writeFile(proc() / "meminfo", "MemTotal: 1 kB\n");

    DesktopRunningApplications apps(options());
    const auto list = apps.list();
    // The times of the stat file the list read come with it (see addProcess).
    const ProcessTimes times{100, 20, 5000};
    const std::vector<RunningApplication> expected = {
        {100, "org.example.Editor", "Bearbeiter", ActivationPolicy::regular, false, times},
        {102, "org.example.Viewer", "Viewer", ActivationPolicy::regular, false, times},
        {103, "org.example.Agent", "Agent", ActivationPolicy::accessory, false, times},
        {104, "org.example.Editor", "Bearbeiter", ActivationPolicy::regular, true, times},
        {107, "kde-konsole", "Konsole", ActivationPolicy::regular, false, times},
        {111, "org.example.Action", "Action", ActivationPolicy::regular, false, times},
    };
    EXPECT_EQ(list, expected);
    EXPECT_EQ(apps.ownBundleIdentifier(), "com.brisel.Brisel");

    // Processes of other users are not this user's applications.
    auto others = options();
    others.uid = ::getuid() + 1;
    EXPECT_TRUE(DesktopRunningApplications(others).list().empty());
}

TEST_F(ProcessReadersTest, PicksUpNewLauncherEntries) {
    addProcess(100, "editor", 'S', 1, "/usr/bin/editor", "editor");
    DesktopRunningApplications apps(options());
    EXPECT_TRUE(apps.list().empty());
    addEntry("org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    // Folder time stamps have a coarse resolution on some file systems; make the change visible.
    fs::last_write_time(share() / "applications", fs::file_time_type::clock::now() + std::chrono::seconds(5));
    ASSERT_EQ(apps.list().size(), 1u);

    // A process started later is classified when it appears; one that ended is dropped.
    addProcess(120, "editor", 'S', 1, "/usr/bin/editor", "editor");
    EXPECT_EQ(apps.list().size(), 2u);
    fs::remove_all(proc() / "100");
    const auto list = apps.list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].processIdentifier, 120);
    // Its state is read afresh on every list.
    test::writeFile(proc() / "120" / "stat", statLine(120, "editor", 'Z', 1, 0, 0, 5000));
    EXPECT_TRUE(apps.list().at(0).terminated);
}

TEST_F(ProcessReadersTest, ClassifiesAProcessAgainWhenItsExecutableChanges) {
    addEntry("org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    // Seen between fork and exec: still the launching shell.
    addProcess(130, "sh", 'S', 1, "/bin/sh", "sh");
    DesktopRunningApplications apps(options());
    EXPECT_TRUE(apps.list().empty());

    const auto execInto = [&](const std::string& exe, const std::string& comm) {
        fs::remove(proc() / "130" / "exe");
        fs::create_symlink(exe, proc() / "130" / "exe");
        test::writeFile(proc() / "130" / "stat", statLine(130, comm, 'S', 1, 0, 0, 5000));
        test::writeFile(proc() / "130" / "cmdline", exe + std::string(1, '\0'));
    };
    execInto("/usr/bin/editor", "editor");
    auto list = apps.list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].bundleIdentifier, "org.example.Editor");

    // And back: a pid reused by a process that is no application.
    execInto("/usr/bin/top", "top");
    EXPECT_TRUE(apps.list().empty());
}

TEST_F(ProcessReadersTest, PipesWhereFilesBelongAreSkippedWithoutBlocking) {
    addEntry("org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    fs::create_directories(share() / "applications");
    ASSERT_EQ(::mkfifo((share() / "applications" / "org.example.Pipe.desktop").c_str(), 0600), 0);
    addProcess(100, "editor", 'S', 1, "/usr/bin/editor", "editor");
    DesktopRunningApplications apps(options());
    ASSERT_EQ(apps.list().size(), 1u);

    ASSERT_EQ(::mkfifo((proc() / "100" / "status-pipe").c_str(), 0600), 0);
    fs::remove(proc() / "100" / "status");
    fs::create_symlink("status-pipe", proc() / "100" / "status");
    EXPECT_EQ(ProcfsProcessUsage(proc()).read(100, std::nullopt), std::nullopt);
    EXPECT_EQ(readSmallFile(proc() / "100" / "status"), std::nullopt);
    EXPECT_EQ(readSmallFile(proc() / "100" / "cmdline", 3), "edi");
    // The /proc reader stops at a short read or a full buffer; a pipe without writer reads as empty.
    std::array<char, 12000> buffer;
    EXPECT_EQ(readProcFile(AT_FDCWD, (proc() / "100" / "status").string(), buffer), "");
    const std::string longText(10000, 'x');
    test::writeFile(proc() / "100" / "long", longText);
    EXPECT_EQ(readProcFile(AT_FDCWD, (proc() / "100" / "long").string(), buffer), longText);
    EXPECT_EQ(readProcFile(AT_FDCWD, (proc() / "100" / "long").string(), std::span(buffer).first(5000)),
              longText.substr(0, 5000));
}

TEST_F(ProcessReadersTest, FindsIconsInTheFallbackThemeAndPixmaps) {
    test::writeFile(share() / "icons" / "hicolor" / "32x32" / "apps" / "themed.png", "png");
    test::writeFile(share() / "icons" / "hicolor" / "48x48" / "apps" / "themed.png", "png");
    test::writeFile(share() / "pixmaps" / "old.xpm", "xpm");
    test::writeFile(root() / "abs" / "icon.png", "png");
    const struct {
        int pid;
        std::string icon;
        std::optional<fs::path> expected;
    } cases[] = {
        {200, "themed", share() / "icons" / "hicolor" / "48x48" / "apps" / "themed.png"},
        {201, "old", share() / "pixmaps" / "old.xpm"},
        {202, (root() / "abs" / "icon.png").string(), root() / "abs" / "icon.png"},
        {203, "unknown", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string program = "prog" + std::to_string(c.pid);
        addEntry(program + ".desktop", "[Desktop Entry]\nType=Application\nName=" + program + "\nExec=" +
                                           program + (c.icon.empty() ? "" : "\nIcon=" + c.icon) + "\n");
        addProcess(c.pid, program, 'S', 1, "/usr/bin/" + program, program);
    }
    DesktopRunningApplications apps(options());
    ASSERT_EQ(apps.list().size(), std::size(cases));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pid);
        const auto file = apps.iconFile(c.pid);
        EXPECT_EQ(file ? std::optional<fs::path>(*file) : std::nullopt, c.expected);
    }
    EXPECT_EQ(apps.iconFile(999), std::nullopt);
}

TEST_F(ProcessReadersTest, ProcfsUsageReadsTimesAndSwitchesInClockTicks) {
    addProcess(300, "editor", 'S', 1, "", "", 77);
    test::writeFile(proc() / "301" / "stat", statLine(301, "x", 'S', 1, 1, 1, 1)); // no status file
    test::writeFile(proc() / "302" / "stat", "garbage");
    test::writeFile(proc() / "302" / "status", "voluntary_ctxt_switches:\t8\n");
    const ProcessTimes listed{7, 8, 9};
    const struct {
        std::int32_t pid;
        std::optional<ProcessTimes> known;
        std::optional<ProcessResourceUsage> expected;
    } cases[] = {
        {300, std::nullopt, ProcessResourceUsage{100, 20, 5000, 77}},
        // Times read with the list are taken as they are; only the wake-ups are read.
        {300, listed, ProcessResourceUsage{7, 8, 9, 77}},
        {302, listed, ProcessResourceUsage{7, 8, 9, 8}},
        {302, std::nullopt, std::nullopt},
        {301, std::nullopt, std::nullopt},
        {301, listed, std::nullopt},
        {303, std::nullopt, std::nullopt},
    };
    ProcfsProcessUsage usage(proc());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pid);
        EXPECT_EQ(usage.read(c.pid, c.known), c.expected);
    }
    const auto base = usage.timeBase();
    EXPECT_EQ(base.numerator, 1'000'000'000u);
    EXPECT_EQ(base.denominator, static_cast<std::uint64_t>(::sysconf(_SC_CLK_TCK)));
}

TEST(ProcfsProcessUsageTest, ReadsThisProcess) {
    ProcfsProcessUsage usage;
    // Burn a little CPU so the counters cannot all be zero: 30 ms of this process's own CPU time
    // (several clock ticks), however busy the machine is.
    volatile std::uint64_t sink = 0;
    const std::clock_t until = std::clock() + CLOCKS_PER_SEC * 30 / 1000;
    while (std::clock() < until)
        sink = sink + 1;
    const auto record = usage.read(static_cast<std::int32_t>(::getpid()), std::nullopt);
    ASSERT_TRUE(record);
    EXPECT_LE(record->startTime, usage.absoluteTime());
    EXPECT_GT(record->userTime + record->systemTime + record->idleWakeups, 0u);
    EXPECT_EQ(usage.read(-1, std::nullopt), std::nullopt);
}

// How fast a pass is, brisel-bench measures; this only runs one over this machine's processes.
TEST(RealSamplingTest, ThisMachinesProcessesSampleThroughThePlatformsReaders) {
    EnergySamplingWorker worker(std::make_shared<DesktopRunningApplications>(),
                                std::make_shared<ProcfsProcessUsage>(), Clock::system());
    auto task = worker.sample(3);
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    const auto& key = task.result().statusKey;
    EXPECT_TRUE(key == energy_sample_status::ready || key == energy_sample_status::partial ||
                key == energy_sample_status::unavailable)
        << key;
    EXPECT_LE(task.result().apps.size(), 3u);
}

} // namespace
} // namespace brisel
