#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel {

// The system's private power framework, which enforces the charge limit through its smart-charge
// client class. It is loaded at run time, so every piece of it may be missing: the image, the
// class, or single messages of the client (probed with `respondsToSelector`).

// An error object handed back through a message's error out-parameter.
struct FrameworkError {
    std::optional<std::string> localizedDescription;
};

// An exception raised by the framework. Its reason may be absent.
class FrameworkException : public std::exception {
public:
    explicit FrameworkException(std::optional<std::string> reason) : reason_(std::move(reason)) {}
    const std::optional<std::string>& reason() const { return reason_; }
    const char* what() const noexcept override { return reason_ ? reason_->c_str() : "framework exception"; }

private:
    std::optional<std::string> reason_;
};

// One element of the framework's limits array; `intValue` is absent when the element does not
// answer "intValue".
struct FrameworkNumber {
    std::optional<std::int32_t> intValue;
};

// An instance of "PowerUISmartChargeClient". Messages are named by their selectors:
// "isMCLSupported", "getMCLLimitWithError:", "isMCLCurrentlyEnabled:",
// "availableChargeLimitsWithError:", "setMCLLimit:error:", "disableMCL:", "temporarilyDisableMCL:".
// Any message may raise `FrameworkException`; failures are otherwise reported through `error`.
class SmartChargeClient {
public:
    virtual ~SmartChargeClient() = default;

    virtual bool respondsToSelector(const std::string& selector) = 0;

    virtual bool isMCLSupported() = 0;
    virtual std::int32_t getMCLLimit(std::optional<FrameworkError>& error) = 0;
    virtual bool isMCLCurrentlyEnabled(std::optional<FrameworkError>& error) = 0;
    // nullopt stands for a nil result (or one that is not an array).
    virtual std::optional<std::vector<FrameworkNumber>>
    availableChargeLimits(std::optional<FrameworkError>& error) = 0;
    virtual bool setMCLLimit(std::uint8_t limit, std::optional<FrameworkError>& error) = 0;
    virtual bool disableMCL(std::optional<FrameworkError>& error) = 0;
    virtual bool temporarilyDisableMCL(std::optional<FrameworkError>& error) = 0;
};

// The client class.
class SmartChargeClientClass {
public:
    virtual ~SmartChargeClientClass() = default;

    virtual bool instancesRespondToSelector(const std::string& selector) = 0;

    // A fresh instance initialised with "initWithClientName:"; nullptr when that yields nil.
    virtual std::shared_ptr<SmartChargeClient> makeClient(const std::string& clientName) = 0;
};

// Loads the framework image by path and looks up its classes.
class PowerFrameworkLoader {
public:
    virtual ~PowerFrameworkLoader() = default;

    // Loads the image at `path` (dlopen with `mode`); false when it cannot be loaded.
    virtual bool open(const std::string& path, int mode) = 0;

    // The class of that name, or nullptr when the loaded images have none.
    virtual std::shared_ptr<SmartChargeClientClass> classNamed(const std::string& name) = 0;
};

} // namespace brisel
