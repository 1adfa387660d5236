#include "platform/sim/SimOnlineDisplays.h"

#include <algorithm>

namespace brisel {

std::optional<std::uint32_t> SimOnlineDisplays::count() {
    if (machine_.gate("displays")) return std::nullopt;
    const std::int64_t displays = machine_.get<std::int64_t>("/displays", 1);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(displays, 0, UINT32_MAX));
}

} // namespace brisel
