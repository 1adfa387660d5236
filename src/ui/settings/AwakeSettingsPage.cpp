#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/Announcer.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselCard.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselToggleRow.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolView.h"
#include "ui/panel/AwakeFeedbackView.h"
#include "ui/panel/KeepAwakeControlsView.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"
#include "ui/settings/SettingsPages.h"
#include "ui/settings/SettingsRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brisel {

namespace {

QVBoxLayout* cardColumn(BriselCard* card) {
    auto* layout = new QVBoxLayout(card);
    const int inset = qRound(BriselGeometry::cardContentInset);
    layout->setContentsMargins(inset, inset, inset, inset);
    layout->setSpacing(6);
    return layout;
}

PanelButton* componentButton(ViewContext context, const QString& objectName, bool highlighted) {
    PanelButton::Look look{BriselTypography::controlLabel(), true, 8, 3, 6, false, highlighted};
    return new PanelButton(context, objectName, look);
}

// The system component card's header: the name, the state and "Manage Helper", and the attention
// line; one button that folds the card, read as one element.
class ComponentHeader : public BriselScaleButton {
public:
    ComponentHeader(ViewContext context, QWidget* parent) : BriselScaleButton(context, parent, 1.0) {
        setObjectName("system-component-management");
        setCheckable(true);
        BriselAccessibleWidget::setDisclosure(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    }

protected:
    void nextCheckState() override {}
    void paintLabel(QPainter&, const QRectF&) override {} // the children draw it
};

} // namespace

AwakeSettingsPage::AwakeSettingsPage(SettingsPageContext context, QWidget* parent)
    : SettingsPage(context, parent), keepAwake_(new KeepAwakeControlsView(context.view, false)),
      guardSwitch_(new BriselToggleRow(context.view, QString())), readiness_(note("guard-readiness")),
      guardOptions_(new QWidget), awayAfter_(dropdown<int>("awayAfter")),
      offlineAwayAfter_(dropdown<int>("offlineAwayAfter")),
      requireBattery_(new BriselToggleRow(context.view, QString())),
      details_(disclosure("away-detection-details", &SettingsWindowFlags::showingAwayDetails)),
      detailsDescription_(note(QString())), conditions_(note(QString())),
      statusLine_(note("away-status-line")), lastEvent_(note("away-last-event")),
      advanced_(disclosure("away-advanced", &SettingsWindowFlags::showingAwayAdvanced)),
      networkSample_(dropdown<int>("networkSample")), usualDwell_(dropdown<int>("usualDwell")),
      guardIdle_(dropdown<int>("guardIdle")), componentStatus_(note("system-component-status")),
      componentBusy_(new QProgressBar), componentManage_(new QLabel), attention_(note(QString())),
      diagnostic_(note("system-component-diagnostic")), explain_(note(QString())), approval_(note(QString())),
      install_(componentButton(context.view, "install-system-component", true)),
      remove_(componentButton(context.view, "remove-system-component", false)) {
    const SettingsActions* actions = context.actions;
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(10);

    // The keep-awake controls in their full form.
    auto* keepAwakeCard = new BriselCard(context.view);
    keepAwakeCard->setObjectName("settings-keep-awake");
    cardColumn(keepAwakeCard)->addWidget(keepAwake_);
    page->addWidget(keepAwakeCard);

    // The away guard.
    auto* guardCard = new BriselCard(context.view);
    guardCard->setObjectName("settings-away-guard");
    QVBoxLayout* guard = cardColumn(guardCard);
    guardSwitch_->setObjectName("away-guard-switch");
    guardSwitch_->setOnToggle([actions](bool on) { callIfSet(actions->setAwayDetectionEnabled, on); });
    guard->addWidget(guardSwitch_);
    guard->addWidget(readiness_);
    auto* options = new QVBoxLayout(guardOptions_);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(6);
    options->addWidget(awayAfter_);
    options->addWidget(offlineAwayAfter_);
    requireBattery_->setObjectName("require-battery");
    requireBattery_->setOnToggle([actions](bool on) { callIfSet(actions->setRequireBattery, on); });
    options->addWidget(requireBattery_);
    guard->addWidget(guardOptions_);
    guard->addWidget(details_);
    details_->contentLayout()->setSpacing(5);
    for (QLabel* line : {detailsDescription_, conditions_, statusLine_, lastEvent_})
        details_->contentLayout()->addWidget(line);
    guard->addWidget(advanced_);
    advanced_->contentLayout()->setSpacing(6);
    for (BriselDropdownRow<int>* row : {networkSample_, usualDwell_, guardIdle_})
        advanced_->contentLayout()->addWidget(row);
    const auto assign = [actions](std::function<void(int)> SettingsActions::*member) {
        return [actions, member](int value) { callIfSet(actions->*member, value); };
    };
    awayAfter_->setOnSelect(assign(&SettingsActions::setAwayAfterMinutes));
    offlineAwayAfter_->setOnSelect(assign(&SettingsActions::setOfflineAwayAfterMinutes));
    networkSample_->setOnSelect(assign(&SettingsActions::setNetworkSampleSeconds));
    usualDwell_->setOnSelect(assign(&SettingsActions::setUsualMinDwellSeconds));
    guardIdle_->setOnSelect(assign(&SettingsActions::setIdleSeconds));
    page->addWidget(guardCard);

    // The system component: a header that folds the explanation and the buttons.
    auto* componentCard = new BriselCard(context.view);
    componentCard->setObjectName("settings-system-component");
    QVBoxLayout* card = cardColumn(componentCard);
    card->setSpacing(0);
    auto* header = new ComponentHeader(context.view, componentCard);
    header_ = header;
    auto* headerColumn = new QVBoxLayout(header);
    // The chevron and the texts keep clear of the focus ring.
    const int ringRoom = qRound(BriselScaleButton::focusRingRoom);
    headerColumn->setContentsMargins(ringRoom, ringRoom, ringRoom, ringRoom);
    headerColumn->setSpacing(5);
    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(6);
    chevron_ = new SymbolView("chevron.right", 8, QFont::DemiBold, 10);
    auto* gear = new SymbolView("gearshape.2", 11, QFont::DemiBold, 14);
    componentTitle_ = new QLabel;
    setUpPanelLabel(componentTitle_, BriselTypography::sectionHeader(), true);
    componentBusy_->setRange(0, 0);
    componentBusy_->setTextVisible(false);
    componentBusy_->setFixedSize(36, 6);
    componentManage_->setFont(BriselTypography::controlLabel());
    // The name and the state wrap rather than widening the card, and with it the page, past the
    // window ("Installed but not responding" is long in some languages). The state takes the room
    // a spacer would take, so it wraps only when that runs out.
    componentStatus_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headerRow->addWidget(chevron_);
    headerRow->addWidget(gear);
    headerRow->addWidget(componentTitle_);
    headerRow->addSpacing(4);
    headerRow->addWidget(componentBusy_);
    headerRow->addWidget(componentStatus_, 1);
    headerRow->addWidget(componentManage_);
    headerColumn->addLayout(headerRow);
    attentionRow_ = new QWidget;
    attentionRow_->setObjectName("system-component-attention");
    auto* attentionLine = new QHBoxLayout(attentionRow_);
    attentionLine->setContentsMargins(0, 0, 0, 0);
    attentionLine->setSpacing(5);
    attentionSymbol_ = new SymbolView("exclamationmark.triangle", 11, QFont::Normal, 12);
    attentionLine->addWidget(attentionSymbol_, 0, Qt::AlignTop);
    attentionLine->addWidget(attention_, 1);
    headerColumn->addWidget(attentionRow_);
    card->addWidget(header);
    componentContent_ = new QWidget;
    auto* content = new QVBoxLayout(componentContent_);
    content->setContentsMargins(0, 5, 0, 0);
    content->setSpacing(6);
    for (QLabel* line : {diagnostic_, explain_, approval_})
        content->addWidget(line);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(install_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    content->addLayout(buttons);
    card->addWidget(componentContent_);
    page->addWidget(componentCard);
    page->addStretch(1);
    connect(header, &QAbstractButton::clicked, this, [this] {
        context_.flags->showingComponentManagement = !context_.flags->showingComponentManagement;
        applyComponent();
    });
    connect(install_, &QAbstractButton::clicked, this, [actions] { callIfSet(actions->installHelper); });
    connect(remove_, &QAbstractButton::clicked, this, &AwakeSettingsPage::confirmRemoval);
}

void AwakeSettingsPage::actionsChanged() {
    keepAwake_->setActions(context_.actions->keepAwake);
}

void AwakeSettingsPage::apply() {
    if (!context_.view.l10n) return;
    keepAwake_->sync(state_.keepAwake);
    applyGuard();
    applyComponent();
}

void AwakeSettingsPage::applyGuard() {
    const Localizer& t = l10n();
    const AwayGuardSettingsState& away = state_.away;
    const bool on = away.guard.awayDetectionEnabled;
    guardSwitch_->setTitle(t.tr("awayGuard.title"));
    guardSwitch_->setHelpText(t.tr("awayGuard.desc"));
    guardSwitch_->setOn(on);

    const Appearance look = context_.view.currentAppearance();
    const bool attention = awayProtectionNeedsAttention(away);
    const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette()));
    showLabel(readiness_, guardStatusText(away.guard, t),
              attention ? BriselSemanticColor::amber(look.dark) : secondary);
    readiness_->setVisible(guardReadinessShown(away));

    guardOptions_->setVisible(on);
    awayAfter_->sync(t.tr("awayGuard.awayAfterLabel"), awayMinuteOptions(away.awayAfterMinutes, t),
                     optionValue(away.awayAfterMinutes));
    offlineAwayAfter_->sync(t.tr("awayGuard.offlineAfterLabel"),
                            awayMinuteOptions(away.offlineAwayAfterMinutes, t),
                            optionValue(away.offlineAwayAfterMinutes));
    requireBattery_->setTitle(t.tr("awayGuard.requireBattery"));
    requireBattery_->setOn(away.guard.requireBattery);

    details_->setTitle(t.tr("awayGuard.details"));
    details_->refresh();
    showNote(detailsDescription_, t.tr("awayGuard.desc"));
    showNote(conditions_,
             t.tr("guard.conditions", away.awayAfterMinutes, away.offlineAwayAfterMinutes, away.idleSeconds));
    showNote(statusLine_, awayStatusLine(away, t), on);
    const std::optional<QString> event = lastGuardEventLine(away, t, QLocale::system());
    showNote(lastEvent_, event.value_or(QString()), on && event);

    advanced_->setVisible(on);
    advanced_->setTitle(t.tr("settings.advanced"));
    advanced_->refresh();
    networkSample_->sync(t.tr("awayGuard.networkSampleLabel"),
                         networkSampleOptions(away.networkSampleSeconds, t),
                         optionValue(away.networkSampleSeconds));
    usualDwell_->sync(t.tr("awayGuard.usualDwellLabel"), usualDwellOptions(away.usualMinDwellSeconds, t),
                      optionValue(away.usualMinDwellSeconds));
    guardIdle_->sync(t.tr("awayGuard.idleLabel"), guardIdleOptions(away.idleSeconds, t),
                     optionValue(away.idleSeconds));
}

void AwakeSettingsPage::applyComponent() {
    const Localizer& t = l10n();
    const SystemComponentState& helper = state_.component;
    const SystemComponentLines lines = presentSystemComponent(helper);
    const bool open = context_.flags->showingComponentManagement;
    const Appearance look = context_.view.currentAppearance();

    header_->setChecked(open);
    chevron_->setName(open ? "chevron.down" : "chevron.right");
    componentTitle_->setText(t.tr("onboarding.helperName"));
    componentBusy_->setVisible(helper.helperBusy);
    showNote(componentStatus_, t.tr(lines.statusKey));
    componentManage_->setText(t.tr("helper.manage"));
    const QColor amber = BriselSemanticColor::amber(look.dark);
    attentionSymbol_->setColor(amber);
    showLabel(attention_, t.tr("awakeFeedback.componentUnavailable"), amber);
    attentionRow_->setVisible(lines.problemShown);
    QStringList spoken{componentTitle_->text(), componentStatus_->text(), componentManage_->text()};
    if (lines.problemShown) spoken << attention_->text();
    setAccessibleNameIfChanged(header_, spoken.join(", "));

    componentContent_->setVisible(open);
    showNote(diagnostic_, helper.helperStatus ? t.tr(*helper.helperStatus) : QString(), lines.problemShown);
    if (Announcer* announcer = context_.view.announcer)
        announcer->showFailure(*diagnostic_,
                               helper.helperActionFailure ? t.tr(*helper.helperActionFailure) : QString());
    showNote(explain_, t.tr("helper.explain"));
    showNote(approval_, t.tr("helper.installApproval"), !helper.helperInstalled);
    install_->setLabel(t.tr(lines.installCaptionKey));
    install_->setVisible(lines.installShown);
    remove_->setLabel(t.tr("helper.remove"));
    remove_->setVisible(lines.removeShown);
    install_->setEnabled(lines.buttonsEnabled);
    remove_->setEnabled(lines.buttonsEnabled);
    if (confirmation_) {
        confirmation_->setWindowTitle(t.tr("helper.removeConfirmTitle"));
        confirmation_->setText(t.tr("helper.removeConfirmMessage"));
        confirmRemove_->setText(t.tr("helper.remove"));
        cancelRemove_->setText(t.tr("action.cancel"));
    }
}

void AwakeSettingsPage::confirmRemoval() {
    if (!confirmation_) {
        // Asked without a nested event loop: the answer comes back through the buttons.
        confirmation_ = new QMessageBox(this);
        confirmation_->setObjectName("remove-confirmation");
        confirmation_->setIcon(QMessageBox::Warning);
        confirmation_->setWindowModality(Qt::WindowModal);
        confirmRemove_ = confirmation_->addButton(QString(), QMessageBox::DestructiveRole);
        cancelRemove_ = confirmation_->addButton(QString(), QMessageBox::RejectRole);
        confirmation_->setDefaultButton(qobject_cast<QPushButton*>(cancelRemove_));
        connect(confirmation_, &QMessageBox::buttonClicked, this, [this](QAbstractButton* button) {
            if (button == confirmRemove_) callIfSet(context_.actions->removeHelper);
        });
    }
    applyComponent();
    confirmation_->open();
}

} // namespace brisel
