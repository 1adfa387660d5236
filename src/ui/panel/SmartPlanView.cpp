#include "ui/panel/SmartPlanView.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/panel/PanelText.h"

#include <QEvent>

namespace brisel {

namespace {
QString hourText(std::int64_t hour) {
    return QString::asprintf("%02lld:00", static_cast<long long>(hour));
}
} // namespace

int topupStartHour(std::optional<int> unplugHour, std::int64_t lead) {
    // Each term is reduced first, so no input can overflow, and the remainder is made positive.
    const std::int64_t sum = unplugHour.value_or(0) % 24 - lead % 24;
    return int((sum % 24 + 24) % 24);
}

SmartPlanText presentSmartPlan(const SmartPlanState& state, const Localizer& l10n, bool compact) {
    const int start = topupStartHour(state.predictedUnplugHour, state.topupLeadHours);
    const bool known = state.predictedUnplugHour.has_value();
    const QString plan = known && state.topupLeadHours != 0 ? l10n.tr(state.smartPlanKey, state.holdLimit,
                                                                      hourText(*state.predictedUnplugHour),
                                                                      hourText(start), state.topupLimit)
                                                            : l10n.tr(state.smartPlanKey, state.holdLimit);
    QString line = plan;
    if (compact) {
        if (state.topupLeadHours == 0)
            line = l10n.tr("panel.smart.topupOff");
        else if (!known)
            line = l10n.tr("panel.smart.learning");
        else if (state.smartPlanKey == "smart.toppingUp")
            line = l10n.tr("panel.smart.topupWindow");
        else
            line = l10n.tr("panel.smart.plan", hourText(start));
    }
    return {line, plan + "\n" + l10n.tr("smart.planDetail")};
}

SmartPlanView::SmartPlanView(ViewContext context, bool compact, QWidget* parent)
    : QLabel(parent), context_(context), compact_(compact) {
    setObjectName("smart-charge-plan");
    setUpPanelLabel(this, BriselTypography::microMeta(), true);
    context_.observe(this, [this] { apply(); });
}

void SmartPlanView::sync(const SmartPlanState& state) {
    if (state == state_ && !text().isEmpty()) return;
    state_ = state;
    apply();
}

void SmartPlanView::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // Setting the line's own colour is a palette change too.
    if (event->type() == QEvent::PaletteChange && !applying_) apply();
}

void SmartPlanView::apply() {
    if (!context_.l10n) return;
    const SmartPlanText text = presentSmartPlan(state_, *context_.l10n, compact_);
    applying_ = true;
    showLabel(
        this, text.line,
        BriselColors::secondaryForeground(context_.currentAppearance(), BriselColors::secondary(palette())));
    applying_ = false;
    setHelpIfChanged(this, text.help);
}

} // namespace brisel
