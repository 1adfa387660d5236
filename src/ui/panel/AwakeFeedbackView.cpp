#include "ui/panel/AwakeFeedbackView.h"

#include "localization/Localizer.h"
#include "ui/design/Announcer.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brisel {

namespace {

struct ButtonSpec {
    AwakeRepairButton which;
    AwakeIssueAction action;
    const char* objectName;
    const char* titleKey; // the install button's title depends on the helper
};

// In the order they are shown; retry only when no retry-stop is offered.
constexpr ButtonSpec buttonSpecs[] = {
    {AwakeRepairButton::install, AwakeIssueAction::install, "install-keep-awake-component", nullptr},
    {AwakeRepairButton::retryStop, AwakeIssueAction::retryStop, "retry-stop-keep-awake",
     "onboarding.retryStop"},
    {AwakeRepairButton::retry, AwakeIssueAction::retry, "retry-keep-awake", "awakeFeedback.retry"},
    {AwakeRepairButton::protection, AwakeIssueAction::protection, "review-away-protection",
     "awakeFeedback.configureProtection"},
    {AwakeRepairButton::component, AwakeIssueAction::component, "review-system-component", "helper.manage"},
    {AwakeRepairButton::retryDisplay, AwakeIssueAction::retryDisplay, "retry-display-sleep",
     "awakeFeedback.retry"},
    {AwakeRepairButton::retrySettings, AwakeIssueAction::retrySettings, "retry-display-settings",
     "awakeFeedback.retry"},
};

QString stopState(const Localizer& l10n, SetupResult result) {
    if (result == SetupResult::requested) return l10n.tr("onboarding.stopping");
    if (result == SetupResult::confirmed) return l10n.tr("onboarding.stopConfirmed");
    return l10n.tr("onboarding.stopUnconfirmed");
}

QString partState(const Localizer& l10n, bool pending, bool applied) {
    return l10n.tr(pending ? "awake.pending" : applied ? "awake.on" : "awake.off");
}

QLabel* feedbackLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    setUpPanelLabel(label, BriselTypography::microMeta(), true);
    return label;
}

} // namespace

std::int64_t minutesRoundedUp(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    const double minutes = std::ceil(seconds / 60);
    // 2^63 is the first double past the largest 64-bit integer.
    if (minutes >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    return std::int64_t(minutes);
}

QString guardStatusText(const GuardState& g, const Localizer& l10n) {
    if (g.bagGuardActive && g.keepAwake)
        return l10n.tr(g.pauseConfirmed ? "awakeFeedback.paused" : "awakeFeedback.pauseUnconfirmed");
    if (!g.awayDetectionEnabled) return l10n.tr("guard.disabled");
    if (!g.batteryPresent || !g.batteryInstalled) return l10n.tr("guard.noBattery");
    if (!g.protectionReady) return l10n.tr("guard.learning", minutesRoundedUp(g.learningRemainingSeconds));
    if (g.requireBattery && g.externalConnected) return l10n.tr("guard.waitBattery");
    if (g.isAway) return l10n.tr("guard.waitIdle");
    if (g.isUsual) return l10n.tr("guard.ready");
    return l10n.tr(g.fingerprint ? "guard.waitNetwork" : "guard.waitOffline",
                   minutesRoundedUp(g.waitingRemainingSeconds));
}

AwakeFeedbackLines presentAwakeFeedback(const AwakeFeedbackState& s, const AwakeFeedbackForm& form,
                                        const Localizer& l10n) {
    AwakeFeedbackLines lines;
    for (const AwakeIssue& issue : s.issues) {
        if (issue.id == "protection" && !form.showsGuardStatus) continue;
        if (issue.id == "component" && !form.compact) continue;
        lines.issues.push_back(issue);
    }
    lines.hidden = lines.issues.empty() && form.exceptionsOnly;
    const auto has = [&](AwakeIssueAction action) {
        return std::any_of(lines.issues.begin(), lines.issues.end(),
                           [action](const AwakeIssue& issue) { return issue.action == action; });
    };
    for (const ButtonSpec& spec : buttonSpecs)
        if (has(spec.action) && !(spec.which == AwakeRepairButton::retry && has(AwakeIssueAction::retryStop)))
            lines.buttons.push_back(spec.which);
    lines.installTitleKey = s.helperBusy           ? "helper.installing"
                            : s.helperFilesPresent ? "helper.repair"
                                                   : "helper.install";
    lines.enabled = {
        {AwakeRepairButton::install, !s.helperBusy && !s.energyModeBusy},
        {AwakeRepairButton::retryStop, !s.taskStopBusy},
        {AwakeRepairButton::retry, !s.assertionsApplying && !s.awakeLidControlPending && !s.helperBusy},
        {AwakeRepairButton::protection, true},
        {AwakeRepairButton::component, true},
        {AwakeRepairButton::retryDisplay, s.canSleepDisplayNow},
        {AwakeRepairButton::retrySettings, true},
    };

    if (s.awakeStopNeedsRecovery) {
        lines.stopRows = {{l10n.tr("onboarding.ordinaryResult"), stopState(l10n, s.taskStopOrdinary)},
                          {l10n.tr("display.keepAwake"), stopState(l10n, s.taskStopDisplay)},
                          {l10n.tr("onboarding.lidResult"), stopState(l10n, s.taskStopLid)}};
    } else {
        const bool assertionsPending = s.assertionsApplying || s.hasAwakeFeedbackError;
        lines.summary =
            l10n.tr("awake.summary", partState(l10n, assertionsPending, s.systemAwakeApplied),
                    partState(l10n, assertionsPending, s.displayAwakeApplied),
                    partState(l10n, s.lidStateUnconfirmed || s.awakeLidControlPending, s.lidAwakeApplied));
    }
    if (form.showsGuardStatus && s.guard.keepAwake && s.keepAwakeOnLidClosed)
        lines.guard = guardStatusText(s.guard, l10n);
    for (const AwakeIssue& issue : lines.issues)
        for (const QString& entry : issue.diagnostics)
            lines.diagnostics << l10n.tr(entry);
    return lines;
}

// ---- the view --------------------------------------------------------------------------------------

AwakeFeedbackView::AwakeFeedbackView(ViewContext context, AwakeFeedbackForm form, QWidget* parent)
    : QWidget(parent), context_(context), form_(form), column_(new QVBoxLayout(this)),
      installApproval_(feedbackLabel(this)),
      details_(new PanelDisclosure(context, "awake-feedback-details", this)),
      summary_(feedbackLabel(details_)), guard_(feedbackLabel(details_)) {
    setObjectName("awake-summary");
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(form.compact ? 4 : 6);
    column_->addWidget(installApproval_);
    for (const ButtonSpec& spec : buttonSpecs) {
        auto* button = new PanelButton(context, spec.objectName, PanelButton::pushLook(), this);
        const AwakeRepairButton which = spec.which;
        connect(button, &QAbstractButton::clicked, this, [this, which] { run(which); });
        column_->addWidget(button, 0, Qt::AlignLeft);
        buttons_[spec.which] = button;
    }
    column_->addWidget(details_);
    details_->setVisible(form.showsDetails);
    for (int i = 0; i < 3; ++i) {
        auto* row = new QHBoxLayout;
        QLabel* label = feedbackLabel(details_);
        QLabel* state = feedbackLabel(details_);
        state->setWordWrap(false);
        state->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        row->addWidget(label, 1);
        row->addWidget(state);
        details_->contentLayout()->addLayout(row);
        stopRows_.emplace_back(label, state);
    }
    guard_->setObjectName("guard-readiness");
    details_->contentLayout()->addWidget(summary_);
    details_->contentLayout()->addWidget(guard_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    context_.observe(this, [this] { apply(); });
    apply();
}

void AwakeFeedbackView::sync(const AwakeFeedbackState& state) {
    state_ = state;
    apply();
}

void AwakeFeedbackView::setDetailsExpansion(BoolBinding binding) {
    details_->setExpansion(std::move(binding));
}

void AwakeFeedbackView::refreshDetails() {
    details_->refresh();
}

void AwakeFeedbackView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

QLabel* AwakeFeedbackView::issueLabel(const QString& id) {
    QLabel*& label = issueLabels_[id];
    if (!label) {
        label = feedbackLabel(this);
        label->setObjectName("awake-feedback-" + id);
    }
    return label;
}

void AwakeFeedbackView::run(AwakeRepairButton which) {
    const std::function<void()>* action = nullptr;
    switch (which) {
    case AwakeRepairButton::install:
        action = &actions_.installHelper;
        break;
    case AwakeRepairButton::retryStop:
        action = &actions_.restoreSystemDefaults;
        break;
    case AwakeRepairButton::retry:
        action = &actions_.retryAwakeFeedback;
        break;
    case AwakeRepairButton::protection:
    case AwakeRepairButton::component:
        action = &actions_.openAwakeSettings;
        break;
    case AwakeRepairButton::retryDisplay:
        action = &actions_.sleepDisplayNow;
        break;
    case AwakeRepairButton::retrySettings:
        action = &actions_.openDisplayTimeoutSettings;
        break;
    }
    if (action && *action) (*action)();
}

void AwakeFeedbackView::apply() {
    if (!context_.l10n) return;
    const Localizer& l10n = *context_.l10n;
    const AwakeFeedbackLines lines = presentAwakeFeedback(state_, form_, l10n);
    setVisible(!lines.hidden);
    const QColor secondary =
        BriselColors::secondaryForeground(context_.currentAppearance(), BriselColors::secondary(palette()));

    // Issue lines first, in the model's order; a line keeps its widget while its issue stays.
    for (auto& [id, label] : issueLabels_)
        if (std::none_of(lines.issues.begin(), lines.issues.end(),
                         [&](const AwakeIssue& i) { return i.id == id; }))
            label->hide();
    int row = 0;
    for (const AwakeIssue& issue : lines.issues) {
        QLabel* label = issueLabel(issue.id);
        showLabel(label, l10n.tr(issue.summaryKey), secondary);
        if (column_->indexOf(label) != row) {
            column_->removeWidget(label);
            column_->insertWidget(row, label);
        }
        ++row;
        label->show();
    }
    // Keep-awake that could not be started or confirmed is a failure; the other lines are states.
    if (context_.announcer)
        if (const auto found = issueLabels_.find("controls"); found != issueLabels_.end())
            context_.announcer->showFailure(*found->second,
                                            state_.hasAwakeFeedbackError && found->second->isVisibleTo(this)
                                                ? found->second->text()
                                                : QString(),
                                            state_.awakeErrorAttempt);

    const bool install = std::find(lines.buttons.begin(), lines.buttons.end(), AwakeRepairButton::install) !=
                         lines.buttons.end();
    showLabel(installApproval_, l10n.tr("helper.installApproval"), secondary);
    installApproval_->setVisible(install);
    for (const ButtonSpec& spec : buttonSpecs) {
        PanelButton* button = buttons_[spec.which];
        button->setLabel(l10n.tr(spec.titleKey ? QString(spec.titleKey) : lines.installTitleKey));
        button->setEnabled(lines.enabled.at(spec.which));
        button->setVisible(std::find(lines.buttons.begin(), lines.buttons.end(), spec.which) !=
                           lines.buttons.end());
    }

    details_->setTitle(l10n.tr("awakeFeedback.details"));
    details_->refresh();
    details_->setTitleColor(secondary);
    for (size_t i = 0; i < stopRows_.size(); ++i) {
        const bool shown = i < lines.stopRows.size();
        showLabel(stopRows_[i].first, shown ? lines.stopRows[i].first : QString(), secondary);
        showLabel(stopRows_[i].second, shown ? lines.stopRows[i].second : QString(), secondary);
        stopRows_[i].first->setVisible(shown);
        stopRows_[i].second->setVisible(shown);
    }
    showLabel(summary_, lines.summary.value_or(QString()), secondary);
    summary_->setVisible(lines.summary.has_value());
    showLabel(guard_, lines.guard.value_or(QString()), secondary);
    guard_->setVisible(lines.guard.has_value());
    while (diagnostics_.size() < size_t(lines.diagnostics.size())) {
        QLabel* label = feedbackLabel(details_);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        details_->contentLayout()->addWidget(label);
        diagnostics_.push_back(label);
    }
    // A failed install or removal is news even while its line waits behind the folded details.
    if (context_.announcer) {
        const QString failure = state_.helperActionFailure ? l10n.tr(*state_.helperActionFailure) : QString();
        context_.announcer->showFailure(*this, lines.diagnostics.contains(failure) ? failure : QString());
    }
    for (size_t i = 0; i < diagnostics_.size(); ++i) {
        const bool shown = i < size_t(lines.diagnostics.size());
        showLabel(diagnostics_[i], shown ? lines.diagnostics[int(i)] : QString(), secondary);
        diagnostics_[i]->setVisible(shown);
    }
}

} // namespace brisel
