#include "FakeOnboarding.h"

namespace brisel::test {

namespace {

Task<bool> saved(bool written) {
    co_return written;
}

Task<void> nothingPending() {
    co_return;
}

} // namespace

Task<bool> FakeOnboarding::recordStopRequested(bool lidRequired) {
    calls.push_back(lidRequired ? "recordStopRequested true" : "recordStopRequested false");
    edit([lidRequired](OnboardingRecord& record) {
        record.stopPending = true;
        record.stopLidRequired = lidRequired;
    });
    return saved(stopRequestedSaves);
}

Task<bool> FakeOnboarding::recordStopConfirmed() {
    calls.push_back("recordStopConfirmed");
    edit([](OnboardingRecord& record) {
        record.stopPending = false;
        record.stopLidRequired = std::nullopt;
        record.task = OnboardingTask::none;
        record.ordinary = record.lid = SetupResult::idle;
    });
    return saved(stopConfirmedSaves);
}

Task<void> FakeOnboarding::waitForPersistence() {
    calls.push_back("waitForPersistence");
    return nothingPending();
}

void FakeOnboarding::edit(const std::function<void(OnboardingRecord&)>& change) {
    change(current);
    emit changed();
}

} // namespace brisel::test
