#include "ModelFixture.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/panel/PanelBinders.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>

namespace brisel {
namespace {

using PanelBinderTest = test::ModelTest;

TEST_F(PanelBinderTest, CardsShowTheModelAndCallItsMembers) {
    startModel();
    const auto l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    const ViewContext context{l10n.get(), &source, nullptr, nullptr};
    QWidget window;
    auto* charge = new ChargeLimitCard(context, &window);
    auto* energy = new EnergyModeCard(context, &window);
    auto* activity = new AppActivityCard(context, &window);
    QStringList opened;
    bindChargeLimitCard(*charge, *model);
    bindEnergyModeCard(*energy, *model);
    bindActivityCard(*activity, *model, [&](const SignificantEnergyApp& app) { opened << app.name.c_str(); });
    window.show();

    model->temporaryFullChargeActive = true;
    model->manualLimit = 85;
    model->energyModeBusy = true;
    model->energyMode = EnergyMode::highPower;
    model->significantEnergyApps = {{412, "Photo Editor", std::nullopt, {}, 3.0}};
    settle();
    auto* resume = test::findOne<QAbstractButton>(&window, "resume-charge-limit");
    ASSERT_TRUE(resume);
    EXPECT_EQ(resume->text(), QString("Resume %1% Limit").arg(resumeTarget(int(model->registeredTarget()))));
    EXPECT_TRUE(test::findOne<QAbstractButton>(&window, "energy-mode-2")->isChecked());
    EXPECT_FALSE(test::findOne<QAbstractButton>(&window, "energy-mode-0")->isEnabled());

    const bool smart = model->smartEnabled();
    test::findOne<QAbstractButton>(&window, "smart-charging-master")->click();
    EXPECT_EQ(model->smartEnabled(), !smart);
    test::findOne<QAbstractButton>(&window, "energy-app-412")->click();
    EXPECT_EQ(opened, QStringList{"Photo Editor"});

    // Controls that outlive the model do nothing.
    model.reset();
    resume->click();
}

} // namespace
} // namespace brisel
