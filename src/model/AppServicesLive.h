#pragma once

// What the live services bundle is built over. AppServices::live() takes this machine's platform
// and the fixed places; a test builds the same wiring over its own simulated machine, folders and
// helper socket with AppServices::live(LiveEnvironment).

#include "model/AppServices.h"
#include "platform/ApplicationId.h"
#include "platform/Platform.h"
#include "services/helper-client/HelperManager.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace brisel {

struct LiveEnvironment {
    // Every facility, and the clock of the time-outs, timers and `now`.
    Platform platform;
    // config.json; ConfigStore::url() (resolved when the bundle is built) when empty.
    std::filesystem::path configFile;
    // Where the helper manager finds the helper; the fixed places over the platform when empty.
    std::optional<HelperManager::Environment> helper;
    // Shows or hides the dock icon; when empty, the hook the application shell installed (read at
    // each call, so a hook installed after the bundle was built still applies).
    std::function<void(bool show)> showDockIcon;
    // Whose notification settings the notifications pane shows.
    std::string applicationId = kApplicationId;
    // Follow the application's activation and screen changes (widget tests may leave them out: a
    // shown window can make the application active).
    bool applicationEvents = true;

    // The platform of this machine (makePlatform()) and the fixed places.
    static LiveEnvironment standard();
};

// The shell's dock-icon policy, used by live bundles built without a hook of their own. Main
// thread.
void installDockIconHook(std::function<void(bool show)> hook);

} // namespace brisel
