#include "OnboardingTestSupport.h"
#include "UiTestSupport.h"

#include "async/RunUntil.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/onboarding/OnboardingMenuView.h"
#include "ui/onboarding/OnboardingView.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QCoreApplication>
#include <QVBoxLayout>

namespace brisel {
namespace {

// One telling state per page.
OnboardingState pageState(const QString& page) {
    OnboardingState s = test::laptopState();
    if (page == "habit") {
        s.record.habit = OnboardingHabit::mobile;
        s.predictedHour = 7;
    } else if (page == "task") {
        s.record.step = 1;
        s.record.task = OnboardingTask::lid;
    } else if (page == "helper") {
        s.record.step = 2;
        s.record.task = OnboardingTask::lid;
        s.canAdvance = false;
    } else if (page == "continuity") {
        s.record.step = 3;
        s.record.task = OnboardingTask::open;
        s.loginState = "login.requiresApproval";
        s.notificationState = "notification.denied";
        s.canAdvance = false;
    } else if (page == "confirmation") {
        s.record.step = 4;
        s.record.task = OnboardingTask::open;
        s.record.habit = OnboardingHabit::mobile;
        s.helperReady = s.helperResolved = true;
        s.loginResolved = true;
        s.loginSummaryKey = "onboarding.loginReady";
    } else if (page == "completion") {
        s.record.step = 5;
        s.record.task = OnboardingTask::open;
        s.record.charge = s.record.ordinary = SetupResult::confirmed;
        s.record.helper = SetupDecision::skipped;
        s.loginSummaryKey = "onboarding.loginReady";
        s.notificationSummaryKey = "onboarding.notificationReady";
    }
    return s;
}

class OnboardingRender : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override {
        recorded.refreshGate->release();
        AnimatedValue::setInstantMotion(false);
    }

    // Laid out first, so the scroll area knows whether it needs its bar.
    void render(QWidget& widget, const QString& name) {
        widget.show();
        QCoreApplication::sendPostedEvents();
        EXPECT_GT(QFileInfo(test::renderToPng(widget, name)).size(), 0) << name.toStdString();
    }

    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    ViewContext context{l10n.get(), &source, &announcer, nullptr};
    test::RecordedActions recorded;
};

TEST_F(OnboardingRender, EveryPageInBothThemesLightAndDark) {
    for (const QString page : {"habit", "task", "helper", "continuity", "confirmation", "completion"}) {
        for (BriselTheme theme : allBriselThemes) {
            for (bool dark : {false, true}) {
                test::ScopedScheme scheme(dark);
                OnboardingState state = pageState(page);
                state.activeTheme = theme;
                source.setTheme(theme);
                OnboardingView view(context, state, recorded.actions());
                view.resize(460, 760);
                render(view, QString("onboarding-%1-%2-%3")
                                 .arg(page, QString::fromUtf8(toString(theme).data()), dark ? "dark" : "light"));
            }
        }
    }
}

TEST_F(OnboardingRender, ErrorsAndARunningStop) {
    test::ScopedScheme scheme(false);
    OnboardingState state = pageState("confirmation");
    state.storageError = "onboarding.storageFailed";
    state.error = "onboarding.installFailed";
    state.checking = true;
    OnboardingView view(context, state, recorded.actions());
    view.resize(460, 760);
    render(view, "onboarding-confirmation-errors-liquidGlass-light");

    state = pageState("completion");
    state.taskStopBusy = true;
    state.taskStopStatus = "onboarding.stopping";
    state.taskStopOrdinary = state.taskStopDisplay = SetupResult::requested;
    state.ordinaryResultKey = "onboarding.stopping";
    state.lidResultKey = "onboarding.stopUnconfirmed";
    state.hasStopResult = state.record.stopPending = true;
    BriselPanelBackdrop popup(context);
    auto* column = new QVBoxLayout(&popup);
    column->setContentsMargins(0, 0, 0, 0);
    auto* menu = new OnboardingMenuView(context, state, recorded.actions());
    column->addWidget(menu);
    popup.adjustSize();
    render(popup, "onboarding-menu-stopping-liquidGlass-light");
}

} // namespace
} // namespace brisel
