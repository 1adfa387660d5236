// The error model and the values derived from published state.

#include "AppModel.h"

namespace brisel {

namespace {

constexpr FeedbackDomain allDomains[] = {FeedbackDomain::charging, FeedbackDomain::energy, FeedbackDomain::awake};

} // namespace

void AppModel::lastErrorAssigned() {
    ++lastErrorRevision;
    lastErrorDomain = std::nullopt;
}

AppModel::Published<std::optional<std::string>>& AppModel::feedbackError(FeedbackDomain domain) {
    switch (domain) {
    case FeedbackDomain::charging:
        return chargeFeedbackError;
    case FeedbackDomain::energy:
        return energyFeedbackError;
    case FeedbackDomain::awake:
        break;
    }
    return awakeFeedbackError;
}

const AppModel::Published<std::optional<std::string>>& AppModel::feedbackError(FeedbackDomain domain) const {
    return const_cast<AppModel*>(this)->feedbackError(domain);
}

void AppModel::reportError(FeedbackDomain domain, const std::string& text) {
    lastError = text;
    lastErrorDomain = domain;
    feedbackError(domain) = text;
    feedbackErrorAttempts[domain] = domain == FeedbackDomain::charging ? chargeGeneration
                                    : domain == FeedbackDomain::energy ? energyGeneration
                                                                       : assertionsRevision;
}

std::uint64_t AppModel::feedbackErrorAttempt(FeedbackDomain domain) const {
    const auto found = feedbackErrorAttempts.find(domain);
    return found == feedbackErrorAttempts.end() ? 0 : found->second;
}

void AppModel::clearFeedbackError(FeedbackDomain domain) {
    auto& own = feedbackError(domain);
    if (own() && lastError() == own()) lastError = std::nullopt;
    own = std::nullopt;
}

std::optional<std::string> AppModel::globalError(const std::set<FeedbackDomain>& excluding) const {
    std::string joined;
    auto append = [&joined](const std::string& text) {
        if (!joined.empty()) joined += '\n';
        joined += text;
    };
    for (FeedbackDomain domain : allDomains)
        if (const auto& text = feedbackError(domain)(); text && !excluding.contains(domain)) append(*text);
    // A domain's own field already shows (or, when excluded, hides) the same failure.
    const bool shownByDomain = lastErrorDomain && feedbackError(*lastErrorDomain)().has_value();
    if (lastError() && !shownByDomain) append(*lastError());
    if (joined.empty()) return std::nullopt;
    return joined;
}

// A sum of its parts' attempts: it moves when one of them does.
std::uint64_t AppModel::globalErrorAttempt(const std::set<FeedbackDomain>& excluding) const {
    std::uint64_t attempt = 0;
    for (FeedbackDomain domain : allDomains)
        if (feedbackError(domain)() && !excluding.contains(domain)) attempt += feedbackErrorAttempt(domain);
    const bool shownByDomain = lastErrorDomain && feedbackError(*lastErrorDomain)().has_value();
    const bool fromRefreshLoop = hardwareRefreshErrorRevision == lastErrorRevision;
    if (lastError() && !shownByDomain && !fromRefreshLoop) attempt += lastErrorRevision;
    return attempt;
}

bool AppModel::hasPersistentGlobalError(const std::set<FeedbackDomain>& excluding) const {
    for (FeedbackDomain domain : allDomains)
        if (feedbackError(domain)() && !excluding.contains(domain)) return true;
    return false;
}

bool AppModel::configCanRetrySave() const {
    return !configLoadBlocked && configError().has_value();
}

bool AppModel::awakeOwnsConfigError() const {
    return !configLoadBlocked && configError() && configErrorRevision && taskStopConfigRevision &&
           *configErrorRevision == *taskStopConfigRevision && hasPendingAwakeStop();
}

bool AppModel::hasPendingAwakeStop() const {
    return taskStopBusy() || (onboarding_ && onboarding_->record().stopPending) ||
           (taskStopStatus() == "onboarding.stopPartial" && !stopLeftOnlyUnreachableLid()) ||
           taskStopStatus() == "onboarding.stopSaveFailed";
}

// Closed-lid sleep still reads as disabled, but neither the helper nor its files are there to give
// it back: retrying cannot finish the stop, so it does not hold keep-awake back. Installing the
// helper (its files) makes the stop owed again.
bool AppModel::stopLeftOnlyUnreachableLid() const {
    return taskStopStatus() == "onboarding.stopPartial" && taskStopOrdinary() == SetupResult::confirmed &&
           taskStopDisplay() == SetupResult::confirmed && taskStopLid() == SetupResult::failed &&
           lidHasNothingToUndo();
}

bool AppModel::chargeOverridePresented() const {
    return isActive(chargeOverrideSignal()) && battery().externalConnected;
}

bool AppModel::chargeOverrideConfirmed() const {
    return chargeOverrideSignal() == ChargeOverrideSignal::confirmed;
}

bool AppModel::dockRestartPending() const {
    return dockIconActive() != showInDock();
}

bool AppModel::lidStateUnconfirmed() const {
    return lidWriteNeedsRetry && helperStatus().has_value();
}

} // namespace brisel
