#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelFeedbackTest = ModelTest;
using Domains = std::set<FeedbackDomain>;
constexpr auto charging = FeedbackDomain::charging;
constexpr auto energy = FeedbackDomain::energy;
constexpr auto awake = FeedbackDomain::awake;

// The combined error text: the domains' own texts in order, then the general error unless its
// domain already shows one. The excluded domains hide only their own fields.
TEST_F(ModelFeedbackTest, GlobalErrorCombinesDomainTextsAndTheGeneralError) {
    struct Row {
        const char* name;
        std::optional<std::string> charge, energy, awake;
        std::optional<std::string> lastError;
        std::optional<FeedbackDomain> domain;
        Domains excluding;
        std::optional<std::string> global;
        bool persistent;
    };
    const std::vector<Row> rows = {
        {"nothing", {}, {}, {}, {}, {}, {}, std::nullopt, false},
        {"three fields and the charge error once", "c", "e", "a", "c", charging, {}, "c\ne\na", true},
        {"every domain excluded, domain-less error still shown", "c", "e", "a", "x", {}, {charging, energy, awake},
         "x", false},
        {"energy failure, energy excluded", {}, "e", {}, "e", energy, {energy}, std::nullopt, false},
        {"energy failure, nothing excluded", {}, "e", {}, "e", energy, {}, "e", true},
        {"excluded domain with an empty field still appends", {}, {}, {}, "x", charging, {charging}, "x", false},
        {"refresh error beside an awake error", {}, {}, "a", "r", {}, {}, "a\nr", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startModel();
        model->chargeFeedbackError = row.charge;
        model->energyFeedbackError = row.energy;
        model->awakeFeedbackError = row.awake;
        const auto revision = model->lastErrorRevision;
        model->lastError = row.lastError;
        EXPECT_EQ(model->lastErrorRevision, revision + 1);
        model->lastErrorDomain = row.domain;
        EXPECT_EQ(model->globalError(row.excluding), row.global);
        EXPECT_EQ(model->hasPersistentGlobalError(row.excluding), row.persistent);
        model.reset();
    }
}

TEST_F(ModelFeedbackTest, EveryAssignmentOfTheGeneralErrorBumpsItsRevisionAndDropsItsDomain) {
    startModel();
    model->reportError(energy, "denied");
    EXPECT_EQ(model->lastErrorDomain, energy);
    EXPECT_EQ(model->energyFeedbackError(), "denied");
    const auto revision = model->lastErrorRevision;
    model->lastError = "denied"; // the same text
    EXPECT_EQ(model->lastErrorRevision, revision + 1);
    EXPECT_FALSE(model->lastErrorDomain.has_value());
    model->lastError = std::nullopt;
    model->lastError = std::nullopt;
    EXPECT_EQ(model->lastErrorRevision, revision + 3);

    model->lastErrorRevision = UINT64_MAX; // counters wrap
    model->lastError = "again";
    EXPECT_EQ(model->lastErrorRevision, 0u);
}

TEST_F(ModelFeedbackTest, ChargeOverrideIsPresentedOnlyOnTheAdapter) {
    struct Row {
        ChargeOverrideSignal signal;
        bool onAdapter, presented, confirmed;
    };
    const std::vector<Row> rows = {
        {ChargeOverrideSignal::none, true, false, false},
        {ChargeOverrideSignal::inferred, true, true, false},
        {ChargeOverrideSignal::inferred, false, false, false},
        {ChargeOverrideSignal::confirmed, true, true, true},
        {ChargeOverrideSignal::confirmed, false, false, true},
    };
    startModel();
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.signal) * 10 + row.onAdapter);
        BatteryInfo battery;
        battery.externalConnected = row.onAdapter;
        model->battery = battery;
        model->chargeOverrideSignal = row.signal;
        EXPECT_EQ(model->chargeOverridePresented(), row.presented);
        EXPECT_EQ(model->chargeOverrideConfirmed(), row.confirmed);
    }
}

// The keep-awake feedback takes over a configuration error only while the stop whose save failed
// is unfinished.
TEST_F(ModelFeedbackTest, AwakeOwnsTheConfigErrorOfAnUnfinishedStop) {
    struct Row {
        const char* name;
        bool busy;
        std::string status;
        std::optional<std::uint64_t> stopRevision;
        bool owns;
    };
    const std::vector<Row> rows = {
        {"stop running", true, "onboarding.stopping", 4, true},
        {"stop ended without saving", false, "onboarding.stopSaveFailed", 4, true},
        {"stop ended partly", false, "onboarding.stopPartial", 4, true},
        {"stop finished", false, "onboarding.stopped", 4, false},
        {"another save failed", true, "onboarding.stopping", 3, false},
    };
    startModel();
    model->configError = tr("config.saveFailed");
    model->configErrorRevision = 4;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        model->taskStopBusy = row.busy;
        model->taskStopStatus = row.status;
        model->taskStopConfigRevision = row.stopRevision;
        EXPECT_EQ(model->awakeOwnsConfigError(), row.owns);
        EXPECT_EQ(model->awakeStopNeedsRecovery(), row.status != "onboarding.stopped");
    }
}

} // namespace
} // namespace brisel::test
