#pragma once

#include <functional>
#include <optional>
#include <string>

namespace brisel {

// Texts and icons for the battery's power flow in the panel. Flows within ±0.05 W count as zero.
namespace PowerFlowPresentation {

using Translate = std::function<std::string(const std::string& key)>;

// The identity translation: texts come out as their localisation keys.
std::string untranslated(const std::string& key);

// "+12.3 W", "-4.0 W", "0.0 W", or "—" when unknown.
std::string batteryFlowWattsText(std::optional<double> watts);

// The state word (charging, discharging, bypassed on the adapter), or nullopt when there is none.
std::optional<std::string> batteryFlowStateText(std::optional<double> watts, bool externalConnected,
                                                const Translate& tr = untranslated);

// The watts text followed by the state word in parentheses when there is one.
std::string batteryFlowText(std::optional<double> watts, bool externalConnected,
                            const Translate& tr = untranslated);

// A system symbol name for the flow.
std::string batteryFlowIcon(std::optional<double> watts, bool externalConnected);

} // namespace PowerFlowPresentation

} // namespace brisel
