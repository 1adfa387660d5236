#include "localization/Localizer.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SectionCard.h"
#include "ui/design/SurfaceView.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"
#include "ui/settings/SettingsPages.h"
#include "ui/settings/SettingsRules.h"
#include "ui/settings/SettingsTabBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace brisel {

namespace {

constexpr int planPillWidth = 66;

// A detent slider in a recessed well; the well carries the name.
BriselDetentSlider* sliderInWell(ViewContext context, const QString& objectName, QVBoxLayout* into) {
    SurfaceView* well = recessedWell(context, 11);
    well->setObjectName(objectName);
    auto* layout = new QVBoxLayout(well);
    layout->setContentsMargins(4, 4, 4, 5);
    auto* slider = new BriselDetentSlider(context, well);
    layout->addWidget(slider);
    into->addWidget(well);
    return slider;
}

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

ChargingSettingsPage::ChargingSettingsPage(SettingsPageContext context, QWidget* parent)
    : SettingsPage(context, parent),
      chargeCard_(new SectionCard(context.view, QString(), "bolt.badge.clock")), chargeControls_(new QWidget),
      noNativeLimit_(new QLabel), feedback_(new ChargeFeedbackView(context.view, false)),
      smart_(new BriselToggleRow(context.view, QString())), plan_(new SmartPlanView(context.view, false)),
      planBox_(recessedWell(context.view, 9)), holdLimit_(dropdown<int>("holdLimit", planPillWidth)),
      topupLead_(dropdown<int>("topupLead", planPillWidth)),
      smartAdvanced_(disclosure("smart-charge-advanced", &SettingsWindowFlags::showingSmartAdvanced)),
      minSamples_(dropdown<int>("minSamples", planPillWidth)),
      smartHelp_(disclosure("smart-charge-help", &SettingsWindowFlags::showingSmartHelp)),
      lowBatteryCard_(new SectionCard(context.view, QString(), "battery.25")),
      reminder_(new PanelCheckBox("low-battery-reminder")),
      test_(new PanelButton(context.view, "test-notification", PanelButton::pushLook())),
      notificationFeedback_(note("notification-feedback")),
      notificationSettings_(
          new PanelButton(context.view, "open-notification-settings", PanelButton::linkLook())) {
    const SettingsActions* actions = context.actions;
    QVBoxLayout* page = column(this, 10);

    // The charge-limit card.
    chargeCard_->setObjectName("settings-charge-limit");
    chargeCard_->trailingLabel()->setObjectName("charge-limit-summary");
    setUpPanelLabel(noNativeLimit_, BriselTypography::controlLabel(), true);
    noNativeLimit_->setObjectName("no-native-limit");
    chargeCard_->contentLayout()->addWidget(noNativeLimit_);
    chargeCard_->contentLayout()->addWidget(chargeControls_);
    QVBoxLayout* controls = column(chargeControls_, 8);
    controls->addWidget(feedback_);
    limitSlider_ = sliderInWell(context.view, "settings-limit-slider", controls);
    limitSlider_->setOnSelect([actions](int limit) { callIfSet(actions->charge.applyLimit, limit); });
    controls->addWidget(panelDivider(context.view, 0.3, nullptr));
    smart_->setObjectName("settings-smart-charging");
    smart_->setOnToggle([actions](bool on) { callIfSet(actions->charge.setSmartEnabled, on); });
    controls->addWidget(smart_);
    controls->addWidget(plan_);
    QVBoxLayout* box = column(planBox_, 6);
    box->setContentsMargins(8, 8, 8, 8);
    box->addWidget(holdLimit_);
    box->addWidget(topupLead_);
    box->addWidget(smartAdvanced_);
    smartAdvanced_->contentLayout()->addWidget(minSamples_);
    holdLimit_->setOnSelect([actions](int v) { callIfSet(actions->setHoldLimit, v); });
    topupLead_->setOnSelect([actions](int v) { callIfSet(actions->setTopupLeadHours, v); });
    minSamples_->setOnSelect([actions](int v) { callIfSet(actions->setMinSamplesPerHour, v); });
    controls->addWidget(planBox_);
    controls->addWidget(smartHelp_);
    for (QLabel*& text : smartHelpTexts_) {
        text = note(QString(), smartHelp_);
        smartHelp_->contentLayout()->addWidget(text);
    }
    smartHelp_->contentLayout()->setSpacing(5);
    page->addWidget(chargeCard_);

    // The low-battery card.
    lowBatteryCard_->setObjectName("settings-low-battery");
    QVBoxLayout* low = lowBatteryCard_->contentLayout();
    low->setSpacing(8);
    warnSlider_ = sliderInWell(context.view, "low-battery-level", low);
    warnSlider_->setOnSelect(
        [actions](int percent) { callIfSet(actions->setLowBatteryWarnPercent, percent); });
    auto* reminderRow = new QHBoxLayout;
    reminderRow->addWidget(reminder_, 1, Qt::AlignVCenter);
    reminderRow->addWidget(test_, 0, Qt::AlignVCenter);
    low->addLayout(reminderRow);
    low->addWidget(notificationFeedback_);
    low->addWidget(notificationSettings_, 0, Qt::AlignLeft);
    reminder_->setOnToggle([this](bool on) { toggleReminder(on); });
    connect(test_, &QAbstractButton::clicked, this,
            [actions] { callIfSet(actions->testLowBatteryNotification); });
    connect(notificationSettings_, &QAbstractButton::clicked, this,
            [actions] { callIfSet(actions->openLowBatterySettings); });
    page->addWidget(lowBatteryCard_);
    page->addStretch(1);
}

void ChargingSettingsPage::toggleReminder(bool on) {
    context_.flags->notificationAuthorizationRequested = on;
    if (on)
        callIfSet(context_.actions->requestLowBatteryPermission);
    else
        callIfSet(context_.actions->setSetupReminder, ReminderIntent::disabled);
    apply();
}

void ChargingSettingsPage::apply() {
    if (!context_.view.l10n) return;
    applyChargeCard();
    applyLowBattery();
}

void ChargingSettingsPage::applyChargeCard() {
    const Localizer& t = l10n();
    const ChargeLimitState& charge = state_.charge;
    const SmartPlanState& plan = charge.plan;
    const Appearance look = context_.view.currentAppearance();
    chargeCard_->setTitle(t.tr("section.chargeLimit"));
    chargeCard_->setSystemImage(charge.mclSupported ? "bolt.badge.clock" : "bolt.slash.fill");
    chargeCard_->setTrailingText(charge.mclSupported ? std::optional(percentText(t, charge.selection))
                                                     : std::nullopt);
    showLabel(noNativeLimit_, t.tr("msg.noNativeLimit"),
              BriselColors::secondaryForeground(look, BriselColors::secondary(palette())));
    noNativeLimit_->setVisible(!charge.mclSupported);
    chargeControls_->setVisible(charge.mclSupported);

    feedback_->sync(charge.feedback);
    DetentSliderState slider;
    slider.options = limitBarOptions(charge.bar.availableLimits, t);
    slider.selection = charge.bar.displaySelection;
    slider.accent = BriselSemanticColor::electricBlue(look.dark);
    slider.treatsFirstOptionAsOff = true;
    slider.valueFormatter = [&t](int value) { return percentText(t, value); };
    if (charge.smartEnabled) slider.helpText = t.tr("panel.charge.manualHint");
    slider.accessibilityLabel = t.tr("section.chargeLimit");
    limitSlider_->sync(std::move(slider));

    smart_->setTitle(t.tr("smart.title"));
    smart_->setHelpText(t.tr("smart.desc"));
    smart_->setOn(charge.smartEnabled);
    plan_->sync(plan);
    plan_->setVisible(charge.smartEnabled);
    planBox_->setVisible(charge.smartEnabled);
    holdLimit_->sync(t.tr("smart.holdLimit"),
                     holdLimitOptions(charge.bar.availableLimits, plan.topupLimit, plan.holdLimit),
                     optionValue(plan.holdLimit));
    topupLead_->sync(t.tr("smart.topupLeadLabel"), topupLeadOptions(plan.topupLeadHours, t),
                     optionValue(plan.topupLeadHours));
    smartAdvanced_->setTitle(t.tr("settings.advanced"));
    smartAdvanced_->refresh();
    minSamples_->sync(t.tr("smart.minSamplesLabel"), minSampleOptions(state_.minSamplesPerHour),
                      optionValue(state_.minSamplesPerHour));
    smartHelp_->setTitle(t.tr("smart.learnMore"));
    smartHelp_->refresh();
    const char* helpKeys[] = {"smart.desc", "panel.charge.manualHint", "smart.planDetail"};
    for (size_t i = 0; i < smartHelpTexts_.size(); ++i)
        showNote(smartHelpTexts_[i], t.tr(helpKeys[i]));
}

void ChargingSettingsPage::applyLowBattery() {
    const Localizer& t = l10n();
    const LowBatteryState& low = state_.lowBattery;
    lowBatteryCard_->setTitle(t.tr("section.lowBattery"));
    lowBatteryCard_->setTrailingText(t.tr("lowBattery.warn", low.warnPercent));
    DetentSliderState slider;
    slider.options = warningLevelOptions();
    slider.selection = optionValue(low.warnPercent);
    slider.accent = BriselSemanticColor::electricBlue(context_.view.currentAppearance().dark);
    slider.valueFormatter = [](int value) { return QString::number(value) + "%"; };
    slider.accessibilityLabel = t.tr("lowBattery.warn", low.warnPercent);
    warnSlider_->sync(std::move(slider));

    const bool enabled = low.reminder == ReminderIntent::enabled;
    reminder_->setText(t.tr("onboarding.notificationTitle"));
    reminder_->setHelp(t.tr("lowBattery.desc"));
    reminder_->setChecked(enabled);
    reminder_->setEnabled(!low.notificationBusy);
    test_->setLabel(t.tr("notification.test"));
    test_->setEnabled(!low.notificationBusy && enabled);

    const std::optional<QString> key =
        notificationFeedbackKey(low, context_.flags->notificationAuthorizationRequested);
    showNote(notificationFeedback_, key ? t.tr(*key) : QString(), key.has_value());
    notificationSettings_->setLabel(t.tr("onboarding.notificationSettings"));
    notificationSettings_->setColor(
        BriselSemanticColor::electricBlue(context_.view.currentAppearance().dark));
    notificationSettings_->setVisible(notificationSettingsShown(key));
}

} // namespace brisel
