#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// One keep-awake problem as the panel and the settings show it: a summary line, detail lines and
// the action that would help. A receipt confirms that something was asked for; it is no problem.
struct AwakeFeedbackIssue {
    // The kind of issue; a list holds at most one of each. The stored text is the case name.
    enum class ID { progress, controls, lid, persistence, protection, display, component };
    enum class Action { retry, retryStop, install, protection, retryDisplay, retrySettings, component };

    ID id = ID::progress;
    std::string summaryKey;
    std::vector<std::string> diagnostics;
    std::optional<Action> action;
    bool isReceipt = false;

    bool operator==(const AwakeFeedbackIssue&) const = default;
};

inline constexpr std::array<std::string_view, 7> awakeFeedbackIssueIDNames = {
    "progress", "controls", "lid", "persistence", "protection", "display", "component"};

constexpr std::string_view toString(AwakeFeedbackIssue::ID id) {
    return awakeFeedbackIssueIDNames[static_cast<std::size_t>(id)];
}

// Exact match of the stored text; nullopt for anything else.
constexpr std::optional<AwakeFeedbackIssue::ID> awakeFeedbackIssueIDFromString(std::string_view text) {
    for (std::size_t i = 0; i < awakeFeedbackIssueIDNames.size(); ++i)
        if (awakeFeedbackIssueIDNames[i] == text) return static_cast<AwakeFeedbackIssue::ID>(i);
    return std::nullopt;
}

} // namespace brisel
