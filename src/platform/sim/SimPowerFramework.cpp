#include "platform/sim/SimPowerFramework.h"

#include <cstdint>

namespace brisel {

using nlohmann::json;

namespace {

constexpr const char* frameworkBinary =
    "/System/Library/PrivateFrameworks/PowerUI.framework/Versions/A/PowerUI";

class SimSmartChargeClient final : public SmartChargeClient {
public:
    explicit SimSmartChargeClient(SimMachine machine) : machine_(std::move(machine)) {}

    bool respondsToSelector(const std::string& selector) override {
        if (selector == "isMCLSupported" || selector == "getMCLLimitWithError:" ||
            selector == "isMCLCurrentlyEnabled:" || selector == "availableChargeLimitsWithError:")
            return true;
        json state = machine_.state();
        if (selector == "setMCLLimit:error:")
            return SimMachine::field(state, "/chargeLimit/operations/setLimit", true);
        if (selector == "disableMCL:")
            return SimMachine::field(state, "/chargeLimit/operations/disableLimit", true);
        if (selector == "temporarilyDisableMCL:")
            return SimMachine::field(state, "/chargeLimit/operations/temporaryFull", true);
        return false;
    }

    bool isMCLSupported() override {
        if (enter()) return false;
        return true;
    }

    std::int32_t getMCLLimit(std::optional<FrameworkError>& error) override {
        if (auto failure = enter()) {
            error = FrameworkError{failure};
            return 0;
        }
        return SimMachine::field(machine_.state(), "/chargeLimit/limit", std::int32_t{0});
    }

    bool isMCLCurrentlyEnabled(std::optional<FrameworkError>& error) override {
        if (auto failure = enter()) {
            error = FrameworkError{failure};
            return false;
        }
        return SimMachine::field(machine_.state(), "/chargeLimit/enabled", false);
    }

    std::optional<std::vector<FrameworkNumber>>
    availableChargeLimits(std::optional<FrameworkError>& error) override {
        if (auto failure = enter()) {
            error = FrameworkError{failure};
            return std::nullopt;
        }
        json limits = SimMachine::field(machine_.state(), "/chargeLimit/limits", json());
        if (!limits.is_array()) return std::nullopt;
        std::vector<FrameworkNumber> numbers;
        for (const auto& element : limits) {
            FrameworkNumber number;
            if (element.is_number_integer() && element.get<std::int64_t>() >= INT32_MIN &&
                element.get<std::int64_t>() <= INT32_MAX)
                number.intValue = element.get<std::int32_t>();
            numbers.push_back(number);
        }
        return numbers;
    }

    bool setMCLLimit(std::uint8_t limit, std::optional<FrameworkError>& error) override {
        return write(error, [limit](json& chargeLimit) {
            chargeLimit["limit"] = limit;
            chargeLimit["enabled"] = limit >= 1;
            chargeLimit["temporaryFullActive"] = false;
        });
    }

    bool disableMCL(std::optional<FrameworkError>& error) override {
        return write(error, [](json& chargeLimit) {
            chargeLimit["enabled"] = false;
            chargeLimit["temporaryFullActive"] = false;
        });
    }

    bool temporarilyDisableMCL(std::optional<FrameworkError>& error) override {
        return write(error, [](json& chargeLimit) { chargeLimit["temporaryFullActive"] = true; });
    }

private:
    // The fault switches of one message: raises for the exception switches, returns the failure
    // text for the plain one.
    std::optional<std::string> enter() {
        if (auto failure = machine_.gate("powerui.exception")) throw FrameworkException(failure);
        if (machine_.gate("powerui.exceptionWithoutReason")) throw FrameworkException(std::nullopt);
        return machine_.gate("powerui");
    }

    template <typename Change> bool write(std::optional<FrameworkError>& error, Change change) {
        if (auto failure = enter()) {
            error = FrameworkError{failure};
            return false;
        }
        auto failure = machine_.update([&](json& state) -> std::optional<std::string> {
            json& chargeLimit = state["chargeLimit"];
            if (!chargeLimit.is_object()) chargeLimit = json::object();
            change(chargeLimit);
            return std::nullopt;
        });
        if (failure) {
            error = FrameworkError{failure};
            return false;
        }
        return true;
    }

    SimMachine machine_;
};

class SimSmartChargeClientClass final : public SmartChargeClientClass {
public:
    explicit SimSmartChargeClientClass(SimMachine machine) : machine_(std::move(machine)) {}

    bool instancesRespondToSelector(const std::string& selector) override {
        return selector == "initWithClientName:";
    }

    std::shared_ptr<SmartChargeClient> makeClient(const std::string&) override {
        return std::make_shared<SimSmartChargeClient>(machine_);
    }

private:
    SimMachine machine_;
};

} // namespace

bool SimPowerFramework::open(const std::string& path, int) {
    opened_ = path == frameworkBinary && SimMachine::field(machine_.state(), "/chargeLimit/available", true);
    return opened_;
}

std::shared_ptr<SmartChargeClientClass> SimPowerFramework::classNamed(const std::string& name) {
    if (!opened_ || name != "PowerUISmartChargeClient") return nullptr;
    if (!SimMachine::field(machine_.state(), "/chargeLimit/clientAvailable", true)) return nullptr;
    return std::make_shared<SimSmartChargeClientClass>(machine_);
}

} // namespace brisel
