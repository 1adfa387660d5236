#pragma once

#include "HelperError.h"
#include "shared/helper-protocol/HelperReadiness.h"

#include <functional>
#include <optional>

namespace brisel {

class HelperManager;

// The helper operations the application model uses, as plain functions so that tests can drive
// the model with substitutes. Each may be called from any thread and blocks (a helper request up
// to 2 s, a tool read, an administrator prompt without a time limit): call them off the main
// thread. The last three may be left out and then answer as if nothing were installed, without
// touching the disk or the socket.
struct HelperOperations {
    std::function<bool()> isInstalled;
    std::function<HelperResult<void>(bool preventSleep)> setDisablesleep;
    std::function<HelperResult<void>(int mode)> setPowerMode;
    std::function<HelperResult<void>()> install;
    std::function<bool()> waitForHelper;
    std::function<HelperResult<void>()> uninstall;
    std::function<bool()> filesPresent = [] { return false; };
    std::function<HelperReadiness()> inspectCapabilities = [] { return HelperReadiness::absent(); };
    std::function<std::optional<bool>()> readSleepDisabled = []() -> std::optional<bool> {
        return std::nullopt;
    };

    // The operations of `manager` (the application's is made over the platform), each returning
    // its result unchanged. The manager must outlive the operations.
    static HelperOperations of(const HelperManager& manager);
};

} // namespace brisel
