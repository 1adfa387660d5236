#include "PowerUI.h"

#include "PowerUIBridge.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace brisel::PowerUI {

namespace {

constexpr int32_t limitSlots = 32;

// Takes ownership of a text the bridge allocated.
std::optional<std::string> takeText(char* text) {
    if (!text) return std::nullopt;
    std::string copy(text);
    brisel_powerui_free(text);
    return copy;
}

std::optional<std::string> resultOf(int status, char* text) {
    auto message = takeText(text);
    if (status == 0) return std::nullopt;
    return message ? message : std::optional<std::string>("unknown PowerUI error");
}

} // namespace

bool isSupported() {
    return brisel_powerui_supported() == 1;
}

bool supportsTemporaryFullCharge() {
    return brisel_powerui_temporary_full_supported() == 1;
}

std::vector<int> availableLimits() {
    std::array<int32_t, limitSlots> buffer{};
    int32_t count = 0;
    char* error = nullptr;
    int status = brisel_powerui_available_limits(buffer.data(), limitSlots, &count, &error);
    takeText(error);
    if (status != 0 || count < 1) return {};
    std::vector<int> limits(buffer.begin(), buffer.begin() + std::min(count, limitSlots));
    std::sort(limits.begin(), limits.end());
    return limits;
}

std::optional<CurrentLimit> current() {
    int32_t limit = 0;
    int32_t enabled = 0;
    char* error = nullptr;
    int status = brisel_powerui_get(&limit, &enabled, &error);
    takeText(error);
    if (status != 0) return std::nullopt;
    return CurrentLimit{limit, enabled != 0};
}

std::optional<std::string> set(int limit) {
    if (limit > 100 || limit < 0) return "invalid charge limit";
    char* error = nullptr;
    int status = brisel_powerui_set(limit, &error);
    return resultOf(status, error);
}

std::optional<std::string> disable() {
    char* error = nullptr;
    int status = brisel_powerui_disable(&error);
    return resultOf(status, error);
}

std::optional<std::string> chargeToFullNow() {
    char* error = nullptr;
    int status = brisel_powerui_charge_to_full_now(&error);
    return resultOf(status, error);
}

} // namespace brisel::PowerUI
