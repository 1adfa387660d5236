// The waits of the quit: the work that puts the machine back and the pending file writes. They
// change nothing; the caller bounds them with its own fallback.

#include "AppModel.h"

#include "model/TaskFields.h"

namespace brisel {

Task<void> AppModel::waitForHelperCleanup() {
    return awaitUntilEmpty(QPointer<AppModel>(this), &AppModel::helperTask);
}

Task<void> AppModel::waitForAssertions() {
    return awaitUntilEmpty(QPointer<AppModel>(this), &AppModel::assertionsTask);
}

Task<void> AppModel::waitForShutdownCleanup() {
    return runShutdownWaits(QPointer<AppModel>(this));
}

// The helper and assertion steps follow their fields until empty, so work started meanwhile is
// waited for too; the other steps wait once for what is there when they are reached.
Task<void> AppModel::runShutdownWaits(QPointer<AppModel> self) {
    if (self && self->startupTask) {
        auto startup = awaitOnce(self->startupTask);
        co_await startup;
    }
    if (self && self->helperTask) {
        auto helper = awaitUntilEmpty(self, &AppModel::helperTask);
        co_await helper;
    }
    if (self && self->assertionsTask) {
        auto assertions = awaitUntilEmpty(self, &AppModel::assertionsTask);
        co_await assertions;
    }
    if (self && self->displaySleepTask) {
        auto display = awaitOnce(self->displaySleepTask);
        co_await display;
    }
    if (self && self->configSaveTask) {
        auto save = awaitOnce(self->configSaveTask);
        co_await save;
    }
    if (self && self->onboarding_) {
        auto records = awaitOnce(std::optional<Task<void>>(self->onboarding_->waitForPersistence()));
        co_await records;
    }
}

} // namespace brisel
