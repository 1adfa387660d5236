#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/MenuBarBatteryIcon.h"
#include "app/Navigation.h"
#include "app/PanelActions.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "async/RunUntil.h"

#include <QCoreApplication>
#include <QUrl>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <future>

namespace brisel::test {
namespace {

namespace icon = MenuBarBatteryIcon;

TEST(SettingsTab, RoundTripsItsRawValuesKeysAndIcons) {
    struct Row {
        BriselSettingsTab tab;
        const char* raw;
        const char* icon;
    } const rows[] = {
        {BriselSettingsTab::charging, "charging", "bolt.badge.clock"},
        {BriselSettingsTab::awake, "awake", "cup.and.saucer"},
        {BriselSettingsTab::general, "general", "slider.horizontal.3"},
    };
    ASSERT_EQ(allSettingsTabs.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(allSettingsTabs[i], row.tab);
        EXPECT_EQ(settingsTabFromRaw(rawValue(row.tab)), row.tab);
        EXPECT_EQ(rawValue(row.tab), QString::fromLatin1(row.raw));
        EXPECT_EQ(localizationKey(row.tab), QStringLiteral("tab.") + row.raw);
        EXPECT_EQ(compactLocalizationKey(row.tab), QStringLiteral("tab.compact.") + row.raw);
        EXPECT_EQ(iconName(row.tab), QString::fromLatin1(row.icon));
    }
    for (const char* other : {"Charging", "AWAKE", "1", "", " general"})
        EXPECT_EQ(settingsTabFromRaw(QString::fromLatin1(other)), std::nullopt) << other;

    BriselSettingsNavigation settings;
    BriselPanelNavigation panel;
    EXPECT_EQ(settings.tab(), BriselSettingsTab::charging);
    EXPECT_FALSE(panel.keepAwakeExpanded());
    EXPECT_FALSE(panel.keepAwakeFeedbackExpanded());
}

TEST(SettingsTab, DefaultActionsPostTheSettingsRequest) {
    auto center = std::make_shared<NotificationCenter>();
    std::vector<std::optional<BriselSettingsTab>> requested;
    center->addObserver(kShowSettingsRequest,
                        [&](const Notification& n) { requested.push_back(requestedTab(n)); });
    const PanelActions actions = PanelActions::defaults(center, {}, {}, {});
    actions.openSettings();
    actions.openAwakeSettings();
    EXPECT_EQ(requested,
              (std::vector<std::optional<BriselSettingsTab>>{std::nullopt, BriselSettingsTab::awake}));
}

TEST(MenuBarBatteryIcon, StateClampsThePercentAndDrawsTheBoltOnlyWithABatteryOnTheAdapter) {
    struct Row {
        bool present, installed;
        std::optional<int> percent;
        bool adapter, charging, override;
        icon::State state;
    } const rows[] = {
        {true, true, 150, false, false, false, {true, 100, false}},
        {true, true, -5, false, false, false, {true, 0, false}},
        {true, false, 50, true, true, false, {false, std::nullopt, false}},
        {true, true, 80, true, false, true, {true, 80, true}},
        {true, true, 80, true, true, false, {true, 80, true}},
        {true, true, 80, false, true, true, {true, 80, false}},
        {false, false, std::nullopt, true, true, false, {false, std::nullopt, false}},
        {true, true, std::nullopt, true, true, false, {true, std::nullopt, true}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(
            icon::state(row.present, row.installed, row.percent, row.adapter, row.charging, row.override),
            row.state);
    // An absent percent hashes apart from 0.
    EXPECT_NE(icon::StateHash()({true, std::nullopt, false}), icon::StateHash()({true, 0, false}));
}

TEST(MenuBarBatteryIcon, ImagesAreCachedPerStateAndOnlyTheBoltChangesThePixels) {
    const icon::State plain{true, 50, false}, otherPercent{true, 51, false}, bolt{true, 50, true};
    const icon::Images& images = icon::image(plain);
    EXPECT_EQ(&icon::image(icon::State{true, 50, false}), &images);
    EXPECT_NE(&icon::image(otherPercent), &images);
    ASSERT_EQ(images.scales.size(), 3u);
    for (int scale = 1; scale <= 3; ++scale) {
        const QImage& image = images.scales[static_cast<std::size_t>(scale - 1)];
        EXPECT_EQ(image.width(), 18 * scale);
        EXPECT_EQ(image.height(), 18 * scale);
        EXPECT_EQ(image.deviceIndependentSize(), QSizeF(18, 18));
        EXPECT_EQ(image, icon::image(otherPercent).scales[static_cast<std::size_t>(scale - 1)]);

        const QImage& withBolt = icon::image(bolt).scales[static_cast<std::size_t>(scale - 1)];
        const QRect hole(6 * scale, 8 * scale, 6 * scale, 7 * scale);
        int differing = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == withBolt.pixel(x, y)) continue;
                ++differing;
                EXPECT_TRUE(hole.contains(x, y)) << scale << "x: " << x << "," << y;
            }
        }
        EXPECT_GT(differing, 0);
    }
}

class ShellFiles : public TestEnvironment {};

TEST_F(ShellFiles, OpenConfigShowsTheNearestExistingFolderAndCreatesNothing) {
    const auto file = configHome() / "Brisel" / "config.json";
    std::vector<QUrl> opened;
    const auto opener = [&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    openContainingFolder(file, opener);
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));
    std::filesystem::create_directories(file.parent_path());
    openContainingFolder(file, opener);
    EXPECT_EQ(opened,
              (std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(configHome().string())),
                                 QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string()))}));
}

TEST_F(ShellFiles, ASecondInstanceHandsOverToTheFirstAndAStaleSocketIsReplaced) {
    const auto folder = runtimeDir() / "brisel";
    // A socket file left behind by an instance that is gone.
    std::filesystem::create_directories(folder);
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (folder / "instance.sock").c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    InstanceClaim first = InstanceClaim::claim(folder, false);
    ASSERT_EQ(first.outcome, InstanceClaim::Outcome::first) << first.error;
    int reopened = 0;
    first.server->onReopen = [&reopened] { ++reopened; };

    // The second start blocks on the socket; the first answers from its event loop.
    auto second =
        std::async(std::launch::async, [&folder] { return InstanceClaim::claim(folder, false).outcome; });
    EXPECT_TRUE(
        runUntil([&] { return second.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(second.get(), InstanceClaim::Outcome::reopened);
    EXPECT_EQ(reopened, 1);
}

TEST(QuitSignals, EachQuitSignalBecomesOneCallOnTheMainThreadAlsoWhenItCameBeforeTheHandler) {
    int calls = 0;
    QuitSignals quitSignals;
    ::raise(SIGTERM);
    QCoreApplication::processEvents(); // the byte is in the pipe already: this turn reads it
    quitSignals.setOnSignal([&calls] { ++calls; });
    EXPECT_EQ(calls, 1);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const int before = calls;
        ::raise(signal);
        EXPECT_TRUE(runUntil([&] { return calls > before; })) << signal;
        EXPECT_EQ(calls, before + 1);
    }
}

} // namespace
} // namespace brisel::test
