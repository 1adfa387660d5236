#include "DisplaySleep.h"

#include "async/SerialQueue.h"
#include "platform/OnlineDisplays.h"
#include "shared/helper-protocol/BoundedIO.h"

namespace brisel {

const char* statusKey(DisplaySleepResult result) {
    switch (result) {
    case DisplaySleepResult::requested:
        return "display.requested";
    case DisplaySleepResult::unavailable:
        return "display.unavailable";
    case DisplaySleepResult::failed:
        return "display.failed";
    }
    return "display.failed";
}

namespace DisplaySleep {

Task<DisplaySleepResult> request(Environment environment) {
    // A named closure: GCC 12 destroys a closure temporary with non-trivial captures twice when it is
    // written inside the co_await expression.
    auto work = [environment = std::move(environment)] { return requestNow(environment); };
    const DisplaySleepResult result = co_await runDetached(std::move(work));
    co_return result;
}

DisplaySleepResult requestNow(const Environment& environment) {
    const std::optional<std::uint32_t> online = environment.displays->count();
    if (!online || *online == 0) return DisplaySleepResult::unavailable;
    const BoundedIO::ProcessResult result =
        BoundedIO::run(environment.powerTool, {"displaysleepnow"}, environment.timeout);
    return commandResult(result.status, result.output);
}

DisplaySleepResult commandResult(std::int32_t status, std::string_view output) {
    if (status != 0) return DisplaySleepResult::failed;
    return output.find_first_not_of(" \t\n\r\v\f") == std::string_view::npos ? DisplaySleepResult::requested
                                                                             : DisplaySleepResult::failed;
}

} // namespace DisplaySleep

} // namespace brisel
