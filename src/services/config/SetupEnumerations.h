#pragma once

// The set-up enumerations. The settings (config.json) store the low-battery reminder decision and
// the set-up record (onboarding.json) stores all of them, so they sit here, below both.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace brisel {

// The enumerations' stored text is the case name.

enum class ReminderIntent { undecided, enabled, disabled }; // the low-battery reminder decision
enum class OnboardingHabit { desk, mobile, unchanged };     // charging habit chosen in the wizard
enum class OnboardingTask { none, open, lid };              // keep-awake task chosen in the wizard
enum class SetupDecision { undecided, enabled, skipped };   // decision on an optional set-up step
enum class SetupResult { idle, requested, confirmed, failed, unknown }; // outcome of a requested change

inline constexpr std::array<OnboardingHabit, 3> allOnboardingHabits{
    OnboardingHabit::desk, OnboardingHabit::mobile, OnboardingHabit::unchanged};
inline constexpr std::array<OnboardingTask, 3> allOnboardingTasks{OnboardingTask::none, OnboardingTask::open,
                                                                  OnboardingTask::lid};

constexpr std::string_view toString(ReminderIntent value) {
    switch (value) {
    case ReminderIntent::undecided:
        return "undecided";
    case ReminderIntent::enabled:
        return "enabled";
    case ReminderIntent::disabled:
        return "disabled";
    }
    return {};
}

constexpr std::string_view toString(OnboardingHabit value) {
    switch (value) {
    case OnboardingHabit::desk:
        return "desk";
    case OnboardingHabit::mobile:
        return "mobile";
    case OnboardingHabit::unchanged:
        return "unchanged";
    }
    return {};
}

constexpr std::string_view toString(OnboardingTask value) {
    switch (value) {
    case OnboardingTask::none:
        return "none";
    case OnboardingTask::open:
        return "open";
    case OnboardingTask::lid:
        return "lid";
    }
    return {};
}

constexpr std::string_view toString(SetupDecision value) {
    switch (value) {
    case SetupDecision::undecided:
        return "undecided";
    case SetupDecision::enabled:
        return "enabled";
    case SetupDecision::skipped:
        return "skipped";
    }
    return {};
}

constexpr std::string_view toString(SetupResult value) {
    switch (value) {
    case SetupResult::idle:
        return "idle";
    case SetupResult::requested:
        return "requested";
    case SetupResult::confirmed:
        return "confirmed";
    case SetupResult::failed:
        return "failed";
    case SetupResult::unknown:
        return "unknown";
    }
    return {};
}

// The case whose stored text is exactly `text` (case-sensitive), or no value.
template <typename E> std::optional<E> fromString(std::string_view text);

namespace detail {
template <typename E, std::size_t N>
constexpr std::optional<E> caseNamed(std::string_view text, const std::array<E, N>& cases) {
    for (E value : cases)
        if (toString(value) == text) return value;
    return std::nullopt;
}
} // namespace detail

template <> inline std::optional<ReminderIntent> fromString<ReminderIntent>(std::string_view text) {
    return detail::caseNamed(
        text, std::array{ReminderIntent::undecided, ReminderIntent::enabled, ReminderIntent::disabled});
}
template <> inline std::optional<OnboardingHabit> fromString<OnboardingHabit>(std::string_view text) {
    return detail::caseNamed(text, allOnboardingHabits);
}
template <> inline std::optional<OnboardingTask> fromString<OnboardingTask>(std::string_view text) {
    return detail::caseNamed(text, allOnboardingTasks);
}
template <> inline std::optional<SetupDecision> fromString<SetupDecision>(std::string_view text) {
    return detail::caseNamed(
        text, std::array{SetupDecision::undecided, SetupDecision::enabled, SetupDecision::skipped});
}
template <> inline std::optional<SetupResult> fromString<SetupResult>(std::string_view text) {
    return detail::caseNamed(text,
                             std::array{SetupResult::idle, SetupResult::requested, SetupResult::confirmed,
                                        SetupResult::failed, SetupResult::unknown});
}

} // namespace brisel
