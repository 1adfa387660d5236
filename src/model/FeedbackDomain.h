#pragma once

namespace brisel {

// The area an error belongs to, so that the panel or settings section that shows the area can
// present it in place. Ordered, so it can key a std::set.
enum class FeedbackDomain { charging, energy, awake };

} // namespace brisel
