#include "platform/live/PlatformFactory.h"

#include "async/Clock.h"
#include "platform/OnlineDisplays.h"
#include "platform/sim/SimMachine.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

class PlatformFactoryTest : public test::TestEnvironment {};

TEST_F(PlatformFactoryTest, FillsEveryFacilityOverTheSimulatedMachineOfTheEnvironment) {
    const Platform platform = makePlatform();
    const bool present[] = {
        platform.clock != nullptr,
        platform.battery != nullptr,
        platform.rootDomain != nullptr,
        platform.powerFramework != nullptr,
        platform.assertions != nullptr,
        platform.notify != nullptr,
        platform.powerFeatures != nullptr,
        platform.displays != nullptr,
        !platform.powerTool.empty(),
        platform.privilegedRunner != nullptr,
        platform.network != nullptr,
        platform.idleTime != nullptr,
        platform.screenLock != nullptr,
        platform.sleepWake != nullptr,
        platform.userNotifications != nullptr,
        platform.processUsage != nullptr,
        platform.runningApplications != nullptr,
        platform.workspace != nullptr,
        platform.loginItem != nullptr,
        platform.defaults != nullptr,
    };
    for (std::size_t i = 0; i < std::size(present); ++i)
        EXPECT_TRUE(present[i]) << "facility " << i;
    EXPECT_EQ(platform.clock, Clock::system());

    ASSERT_EQ(SimMachine(SimStore(simDir())).set("/displays", 3), std::nullopt);
    EXPECT_EQ(platform.displays->count(), 3u);
}

} // namespace
} // namespace brisel
