#include "platform/sim/SimScreenLock.h"

namespace brisel {

std::optional<nlohmann::json> SimScreenLock::copySessionDictionary() {
    if (machine_.gate("screenLock")) return std::nullopt;
    nlohmann::json session = nlohmann::json::object();
    if (machine_.get<bool>("/screenLocked", false)) session["CGSSessionScreenIsLocked"] = true;
    return session;
}

} // namespace brisel
