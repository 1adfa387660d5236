#include "ModelFixture.h"

#include <functional>
#include <string>

namespace brisel::test {
namespace {

using AppServicesTest = ModelTest;

// A bundle given only its first thirty members must stay silent: it reports the neutral answer
// of each optional member and opens, posts and holds nothing.
TEST_F(AppServicesTest, OptionalMembersDefaultToInertAnswers) {
    AppServices services; // the first thirty members empty, the rest left to their defaults
    auto text = [](const std::optional<bool>& value) { return value ? (*value ? "true" : "false") : "none"; };
    const std::vector<std::pair<std::string, std::function<std::string()>>> rows = {
        {"energySample.ready", [&] { return services.energySampleStatus(); }},
        {"notification.unknown", [&] { return finish(services.notificationStatus()); }},
        {"notification.unknown", [&] { return finish(services.testNotification()); }},
        {"notification.unavailable", [&] { return finish(services.requestNotification()); }},
        {"none", [&] {
             services.setReminderIntent(ReminderIntent::enabled);
             return std::string("none");
         }},
        {"none", [&] { return std::string(text(finish(services.systemAssertionActive()))); }},
        {"none", [&] { return std::string(text(finish(services.displayAssertionActive()))); }},
        {"display.failed", [&] { return std::string(statusKey(finish(services.sleepDisplays()))); }},
        {"false", [&] { return std::string(text(services.openDisplaySettings())); }},
        {"none", [&] { return finish(services.currentNetworkFingerprint()).value_or("none"); }},
        {"false", [&] { return std::string(text(services.openLoginSettings())); }},
        {"false", [&] { return std::string(text(services.openNotificationSettings())); }},
    };
    for (std::size_t row = 0; row < rows.size(); ++row)
        EXPECT_EQ(rows[row].second(), rows[row].first) << "member " << (31 + row);
}

} // namespace
} // namespace brisel::test
