#include "PowerUIBridge.h"

#include "platform/PowerFramework.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace brisel {

namespace {

constexpr const char* frameworkPath =
    "/System/Library/PrivateFrameworks/PowerUI.framework/Versions/A/PowerUI";
constexpr int rtldNow = 2;
constexpr const char* clientClassName = "PowerUISmartChargeClient";
constexpr const char* clientName = "brisel";

constexpr const char* unavailableText = "PowerUI smart charge client is unavailable";
constexpr const char* temporaryUnavailableText = "Temporary full charging is unavailable on this system";

// What a system without the framework offers: nothing to load.
class AbsentPowerFramework final : public PowerFrameworkLoader {
public:
    bool open(const std::string&, int) override { return false; }
    std::shared_ptr<SmartChargeClientClass> classNamed(const std::string&) override { return nullptr; }
};

// The client is looked for once per loader, on the first call that needs it; a failed attempt
// is final.
struct BridgeState {
    explicit BridgeState(std::shared_ptr<PowerFrameworkLoader> l) : loader(std::move(l)) {}
    std::shared_ptr<PowerFrameworkLoader> loader;
    std::once_flag once;
    std::shared_ptr<SmartChargeClient> client;
};

std::mutex stateMutex;
// Absent until the application installs the platform's framework.
std::shared_ptr<BridgeState> currentState =
    std::make_shared<BridgeState>(std::make_shared<AbsentPowerFramework>());

std::shared_ptr<SmartChargeClient> createClient(PowerFrameworkLoader& loader) {
    try {
        if (!loader.open(frameworkPath, rtldNow)) return nullptr;
        auto cls = loader.classNamed(clientClassName);
        if (!cls || !cls->instancesRespondToSelector("initWithClientName:")) return nullptr;
        auto instance = cls->makeClient(clientName);
        if (!instance) return nullptr;
        for (const char* selector :
             {"isMCLSupported", "getMCLLimitWithError:", "isMCLCurrentlyEnabled:",
              "availableChargeLimitsWithError:", "setMCLLimit:error:", "disableMCL:"}) {
            if (!instance->respondsToSelector(selector)) return nullptr;
        }
        return instance;
    } catch (const FrameworkException&) {
        return nullptr;
    }
}

// The process's client, or nullptr; the reference keeps it alive for the length of the call.
std::shared_ptr<SmartChargeClient> client() {
    std::shared_ptr<BridgeState> state;
    {
        std::lock_guard lock(stateMutex);
        state = currentState;
    }
    std::call_once(state->once, [&] { state->client = createClient(*state->loader); });
    return state->client;
}

void setError(char** error, const std::optional<std::string>& text) {
    if (!error) return;
    *error = ::strdup(text ? text->c_str() : "unknown PowerUI error");
}

void setFrameworkError(char** error, const std::optional<FrameworkError>& object, const char* fallback) {
    if (object)
        setError(error, object->localizedDescription);
    else
        setError(error, std::string(fallback));
}

int fail(char** error, const char* text) {
    setError(error, std::string(text));
    return -1;
}

// A BOOL-returning message: success, or the error object's text, or the fallback.
template <typename Send> int sendBoolMessage(char** error, const char* fallback, Send send) {
    std::optional<FrameworkError> object;
    if (send(object)) return 0;
    setFrameworkError(error, object, fallback);
    return -1;
}

// Runs an entry point's framework work; a framework exception becomes the error text and -1.
template <typename Body> int catchingFrameworkExceptions(char** error, Body body) {
    try {
        return body();
    } catch (const FrameworkException& exception) {
        setError(error, exception.reason());
        return -1;
    }
}

} // namespace

void installPowerFrameworkLoader(std::shared_ptr<PowerFrameworkLoader> loader) {
    if (!loader) loader = std::make_shared<AbsentPowerFramework>();
    auto fresh = std::make_shared<BridgeState>(std::move(loader));
    std::lock_guard lock(stateMutex);
    currentState = std::move(fresh);
}

} // namespace brisel

using namespace brisel;

extern "C" {

int brisel_powerui_supported(void) {
    try {
        auto c = client();
        return c && c->isMCLSupported() ? 1 : 0;
    } catch (const FrameworkException&) {
        return 0;
    }
}

int brisel_powerui_temporary_full_supported(void) {
    try {
        auto c = client();
        return c && c->isMCLSupported() && c->respondsToSelector("temporarilyDisableMCL:") ? 1 : 0;
    } catch (const FrameworkException&) {
        return 0;
    }
}

int brisel_powerui_available_limits(int32_t* limits, int32_t capacity, int32_t* count, char** error) {
    if (!count || (!limits && capacity >= 1)) return fail(error, "Invalid NULL limits or count pointer");
    return catchingFrameworkExceptions(error, [&] {
        auto c = client();
        if (!c) return fail(error, unavailableText);
        std::optional<FrameworkError> object;
        auto array = c->availableChargeLimits(object);
        if (!array) {
            setFrameworkError(error, object, "availableChargeLimitsWithError: returned no limits");
            return -1;
        }
        int32_t stored = 0;
        for (const auto& element : *array) {
            if (stored >= capacity) break; // the rest does not fit and is dropped
            if (!element.intValue) continue;
            limits[stored++] = *element.intValue;
        }
        for (int32_t i = 0; i + 1 < stored; ++i) {
            for (int32_t j = i + 1; j < stored; ++j) {
                if (limits[i] > limits[j]) std::swap(limits[i], limits[j]);
            }
        }
        *count = stored;
        return 0;
    });
}

int brisel_powerui_get(int32_t* limit, int32_t* enabled, char** error) {
    return catchingFrameworkExceptions(error, [&] {
        auto c = client();
        if (!c) return fail(error, unavailableText);
        std::optional<FrameworkError> object;
        int32_t value = c->getMCLLimit(object);
        if (object) {
            setError(error, object->localizedDescription);
            return -1;
        }
        bool on = c->isMCLCurrentlyEnabled(object);
        if (object) {
            setError(error, object->localizedDescription);
            return -1;
        }
        if (limit) *limit = value;
        if (enabled) *enabled = on ? 1 : 0;
        return 0;
    });
}

int brisel_powerui_set(int32_t limit, char** error) {
    // The framework takes an 8-bit limit; a value that does not fit would silently become a
    // different limit.
    if (limit < 0 || limit > 255) return fail(error, "invalid charge limit");
    return catchingFrameworkExceptions(error, [&] {
        auto c = client();
        if (!c) return fail(error, unavailableText);
        return sendBoolMessage(error, "setMCLLimit:error: failed",
                               [&](std::optional<FrameworkError>& object) {
                                   return c->setMCLLimit(static_cast<uint8_t>(limit), object);
                               });
    });
}

int brisel_powerui_disable(char** error) {
    return catchingFrameworkExceptions(error, [&] {
        auto c = client();
        if (!c) return fail(error, unavailableText);
        return sendBoolMessage(error, "disableMCL: failed",
                               [&](std::optional<FrameworkError>& object) { return c->disableMCL(object); });
    });
}

int brisel_powerui_charge_to_full_now(char** error) {
    return catchingFrameworkExceptions(error, [&] {
        auto c = client();
        if (!c || !c->respondsToSelector("temporarilyDisableMCL:"))
            return fail(error, temporaryUnavailableText);
        return sendBoolMessage(
            error, "temporarilyDisableMCL: failed",
            [&](std::optional<FrameworkError>& object) { return c->temporarilyDisableMCL(object); });
    });
}

void brisel_powerui_free(void* pointer) {
    std::free(pointer);
}

} // extern "C"
