// Installing and removing the root helper. The helper operations block (the administrator prompt
// waits for the user), so each action hands them to a detached job and publishes on the main
// thread.

#include "AppModel.h"

#include "async/SerialQueue.h"
#include "model/TaskFields.h"

namespace brisel {

namespace {

struct InstallOutcome {
    HelperResult<void> result;
    bool ready = false;   // the helper answered after the install
    bool present = false; // its files are on disk
};

} // namespace

void AppModel::installHelper() {
    if (helperBusy() || energyModeBusy() || isShuttingDown) return;
    beginHelperAction();
    runInstall(QPointer<AppModel>(this), services.helper);
}

Task<void> AppModel::runInstall(QPointer<AppModel> self, HelperOperations helper) {
    ScopeExit finished([self] {
        if (self) self->endHelperAction();
    });
    auto job = [helper] {
        HelperResult<void> result = helper.install();
        const bool ready = result.ok() && helper.waitForHelper();
        const bool present = helper.filesPresent();
        return InstallOutcome{std::move(result), ready, present};
    };
    const InstallOutcome outcome = co_await runDetached(job);
    if (!self) co_return;
    self->endHelperAction();
    self->helperFilesPresent = outcome.present || outcome.ready;
    if (!outcome.result.ok()) {
        self->showHelperFailure(outcome.result.error());
        co_return;
    }
    self->helperInstalled = outcome.ready;
    if (!outcome.ready) {
        self->showHelperFailure(HelperError{"helper.startFailed"});
        co_return;
    }
    self->helperStatus = std::nullopt;
    self->evaluateBagGuard();
    if (self) self->applyLidClosedSleep(false, false);
}

void AppModel::removeHelper() {
    if (helperBusy() || energyModeBusy() || isShuttingDown) return;
    beginHelperAction();
    helperRemovalInProgress = true;
    applyLidClosedSleep(false, false); // now wants sleep back
    runRemoval(QPointer<AppModel>(this), helperTask, services.helper);
}

Task<void> AppModel::runRemoval(QPointer<AppModel> self, std::optional<Task<void>> lidTask,
                                HelperOperations helper) {
    ScopeExit finished([self] {
        if (self) self->endHelperAction();
    });
    // The helper gives sleep back before it goes.
    auto lidDone = awaitOnce(std::move(lidTask));
    co_await lidDone;
    if (!self) co_return;
    auto job = [helper] {
        if (helper.isInstalled()) (void)helper.setDisablesleep(false);
        return helper.uninstall();
    };
    const HelperResult<void> result = co_await runDetached(job);
    if (!self) co_return;
    self->endHelperAction();
    if (result.ok()) {
        self->helperInstalled = false;
        self->helperFilesPresent = false;
        self->lidAwakeApplied = false;
        self->helperStatus = std::nullopt;
        co_return;
    }
    self->showHelperFailure(result.error());
    // The helper is still there: the lid setting takes hold again.
    self->evaluateBagGuard();
    if (self) self->applyLidClosedSleep(false, false);
}

// The last action's failure is over once another starts: its reason leaves the screen now, not
// when the new action or the lid work next has something to say.
void AppModel::beginHelperAction() {
    helperBusy = true;
    if (helperActionFailure && helperStatus() == helperActionFailure->message) helperStatus = std::nullopt;
    helperActionFailure.reset();
}

void AppModel::endHelperAction() {
    if (helperRemovalInProgress) helperRemovalInProgress = false;
    if (helperBusy()) helperBusy = false;
}

// A dismissed administrator prompt is the user's answer, not an error. Any other failure is kept
// for the lid work, which would otherwise replace it with its own findings.
void AppModel::showHelperFailure(const HelperError& error) {
    if (error.isUserCancellation()) {
        helperStatus = std::nullopt;
        return;
    }
    helperStatus = error.message;
    helperActionFailure = HelperActionFailure{error.message, helperInstalled()};
}

} // namespace brisel
