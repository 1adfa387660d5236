// Start at login: reading and switching the login item. Every read or switch is chained after the
// one before and carries a revision; only the newest publishes.

#include "AppModel.h"

#include "model/TaskFields.h"

#include <exception>

namespace brisel {

namespace {

// The login item's failure: a string-table key, then details (a path, the system's reason).
std::string translatedFailure(const AppModel& model, const std::string& failure) {
    const std::size_t end = failure.find('\n');
    return model.translate(failure.substr(0, end)) + (end == std::string::npos ? "" : failure.substr(end));
}

} // namespace

void AppModel::refreshLaunchAtLogin() {
    if (isShuttingDown) return;
    const std::uint64_t revision = ++loginRevision;
    loginTask = runLogin(QPointer<AppModel>(this), loginTask, std::nullopt, revision);
}

Task<void> AppModel::refreshLaunchAtLoginAndWait() {
    refreshLaunchAtLogin();
    return awaitUntilEmpty(QPointer<AppModel>(this), &AppModel::loginTask);
}

void AppModel::setLaunchAtLogin(bool enabled) {
    if (isShuttingDown) return;
    const std::uint64_t revision = ++loginRevision;
    loginBusy = true;
    loginTask = runLogin(QPointer<AppModel>(this), loginTask, enabled, revision);
}

Task<void> AppModel::runLogin(QPointer<AppModel> self, std::optional<Task<void>> previous,
                              std::optional<bool> switchTo, std::uint64_t revision) {
    auto isCurrent = [revision](const AppModel& model) { return model.loginRevision == revision; };
    // The newest task ends the busy state, also when a substitute throws; older ones leave it.
    ScopeExit finished([self, isCurrent] {
        if (!self || !isCurrent(*self)) return;
        self->loginBusy = false;
        self->loginTask.reset();
    });
    auto earlier = awaitOnce(std::move(previous));
    co_await earlier;
    if (!self) co_return;

    if (switchTo) {
        std::optional<std::string> failure;
        try {
            auto switching = self->services.setLogin(*switchTo);
            failure = co_await switching;
        } catch (const std::exception& error) {
            failure = std::string(error.what());
        }
        if (!self) co_return;
        if (isCurrent(*self)) {
            if (failure) {
                self->lastError = translatedFailure(*self, *failure); // in no domain
                self->loginErrorRevision = self->lastErrorRevision;
            } else if (self->loginErrorRevision == self->lastErrorRevision) {
                // Only the error this path showed: a newer one of another feature stays.
                self->lastError = std::nullopt;
                self->loginErrorRevision = std::nullopt;
            }
        }
    }

    auto reading = self->services.loginStatus();
    const LoginItemStatus status = co_await reading;
    if (self && isCurrent(*self)) self->acceptLoginStatus(status);
}

void AppModel::acceptLoginStatus(LoginItemStatus status) {
    launchAtLogin = status == LoginItemStatus::enabled;
    switch (status) {
    case LoginItemStatus::notRegistered:
        launchAtLoginStatus = "login.off";
        return;
    case LoginItemStatus::enabled:
        launchAtLoginStatus = "login.enabled";
        return;
    case LoginItemStatus::requiresApproval:
        launchAtLoginStatus = "login.requiresApproval";
        return;
    case LoginItemStatus::notFound:
        launchAtLoginStatus = "login.notFound";
        return;
    }
    launchAtLoginStatus = "login.unknown"; // a value the platform added later
}

} // namespace brisel
