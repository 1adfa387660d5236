#include "ModelFixture.h"
#include "UiTestSupport.h"

#include "services/helper-client/HelperManager.h"
#include "ui/design/BriselDropdownRow.h"
#include "ui/design/DropdownPill.h"
#include "ui/settings/SettingsBinder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>

namespace brisel {
namespace {

using SettingsBinderTest = test::ModelTest;

TEST_F(SettingsBinderTest, TheBoundWindowShowsTheModelAndSetsIt) {
    startOn(chargeSnapshot()); // start-up's refresh is over before the fields below are set
    const auto l10n = test::repositoryLocalizer("en");
    BriselSettingsNavigation navigation;
    QStringList host;
    SettingsWindowHost window(ViewContext{l10n.get()}, *model,
                              {[&] { host << "openConfig"; }, [&] { host << "showOnboarding"; }}, navigation);
    window.resize(480, 640);
    window.show();

    // A change made through the model shows; the host's tab shows at once.
    model->smartEnabled = true;
    model->holdLimit = 85;
    model->awayAfterMinutes = 45;
    model->lastError = std::string("The helper stopped");
    settle();
    const SettingsWindowView& view = *window.view();
    ASSERT_EQ(test::findVisible(&view, "dropdown-holdLimit").size(), 1);
    EXPECT_EQ(test::findOne<DropdownPill>(&view, "dropdown-holdLimit")->label(), "85%");
    EXPECT_EQ(test::findOne<QAbstractButton>(&view, "settings-tab-charging")->isChecked(), true);
    navigation.setTab(BriselSettingsTab::awake);
    EXPECT_EQ(test::findOne<DropdownPill>(&view, "dropdown-awayAfter")->label(),
              l10n->tr("unit.minutes", 45));
    EXPECT_EQ(test::findVisible(&view, "global-error").size(), 1);

    // A choice reaches the model's setter, and the window's buttons their members.
    auto* pill = test::findOne<QAbstractButton>(&view, "dropdown-awayAfter");
    pill->click();
    auto* row = qobject_cast<BriselDropdownRowBase*>(pill->parentWidget());
    ASSERT_TRUE(row && row->menu());
    QAction* sixty = row->menu()->actions().back();
    row->menu()->hide();
    sixty->trigger();
    EXPECT_EQ(model->awayAfterMinutes(), 60);
    test::findOne<QAbstractButton>(&view, "dismiss-error")->click();
    EXPECT_EQ(model->lastError(), std::nullopt);
    navigation.setTab(BriselSettingsTab::general);
    test::findOne<QAbstractButton>(&view, "show-in-dock")->click();
    EXPECT_TRUE(model->showInDock());
    test::findOne<QAbstractButton>(&view, "general-advanced")->click();
    test::findOne<QAbstractButton>(&view, "open-config")->click();
    EXPECT_EQ(host, QStringList{"openConfig"});
    settle();
    EXPECT_EQ(test::findOne<QAbstractButton>(&view, "show-in-dock")->isChecked(), true);
}

// The reason of a failed removal is said once, from the helper card, however often the lease looks
// at the helper afterwards; another removal that fails says it again.
TEST_F(SettingsBinderTest, AFailedRemovalIsSaidOncePerAttempt) {
    BriselConfig config;
    config.keepAwake = config.keepAwakeOnLidClosed = true;
    fake->loadConfig.otherwise = config;
    fake->setHelper([](test::HelperAnswers& a) {
        a.installed = true, a.sleepDisabled = true;
        a.uninstall = HelperError{"no scripts", 1};
    });
    startOn(chargeSnapshot());
    const auto l10n = test::repositoryLocalizer("en");
    test::RecordingAnnouncer announcer;
    BriselSettingsNavigation navigation;
    navigation.setTab(BriselSettingsTab::awake);
    SettingsWindowHost window(ViewContext{l10n.get(), nullptr, &announcer, nullptr}, *model, {}, navigation);
    window.show();
    test::findOne<QAbstractButton>(window.view(), "system-component-management")->click();
    const auto leaseLooks = [&] {
        clock->advance(HelperManager::leaseRenewalInterval);
        ASSERT_TRUE(runUntil([&] { return !model->helperTask && !model->helperBusy(); }));
        settle();
    };
    leaseLooks(); // finds the helper running
    ASSERT_TRUE(model->helperInstalled());
    for (int attempt = 1; attempt <= 2; ++attempt) {
        model->removeHelper();
        leaseLooks();
        leaseLooks();
        EXPECT_EQ(announcer.texts, QStringList(attempt, "no scripts"));
    }
}

} // namespace
} // namespace brisel
