#include "ui/panel/ChargeFeedbackView.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselTypography.h"
#include "ui/panel/PanelOperationError.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace brisel {

ChargeFeedbackLines presentChargeFeedback(const ChargeFeedbackState& state, const Localizer& l10n,
                                          bool compact) {
    ChargeFeedbackLines lines;
    if (state.operationStatus) {
        QString key = *state.operationStatus;
        if (compact &&
            (key == "charge.applying" || key == "charge.waitingRecovery" || key == "charge.retrying"))
            key = "panel." + key;
        const QString current =
            state.currentLimit ? percentText(l10n, *state.currentLimit) : l10n.tr("power.unavailable");
        lines.status = l10n.tr(key, percentText(l10n, state.operationTarget), current);
    }
    lines.error = state.feedbackError;
    if (state.temporaryFullChargeActive) {
        const QString target = percentText(l10n, state.registeredTarget);
        lines.temporaryHelp = l10n.tr("charge.temporary", target);
        if (!compact)
            lines.temporary = lines.temporaryHelp;
        else if (!lines.status)
            lines.temporary = l10n.tr("panel.charge.temporary", target);
    }
    return lines;
}

ChargeFeedbackView::ChargeFeedbackView(ViewContext context, bool compact, QWidget* parent)
    : QWidget(parent), context_(context), compact_(compact), status_(new QLabel(this)),
      error_(new PanelOperationError(context, this)), temporary_(new QLabel(this)) {
    status_->setObjectName("charge-operation-status");
    temporary_->setObjectName("temporary-charge-intent");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    for (QWidget* line : std::initializer_list<QWidget*>{status_, error_, temporary_}) {
        line->hide();
        column->addWidget(line);
    }
    for (QLabel* label : {status_, temporary_})
        setUpPanelLabel(label, BriselTypography::microMeta(), true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    context_.observe(this, [this] { apply(); });
    apply();
}

void ChargeFeedbackView::sync(const ChargeFeedbackState& state) {
    if (state == state_) return;
    state_ = state;
    apply();
}

void ChargeFeedbackView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void ChargeFeedbackView::apply() {
    if (!context_.l10n) return;
    const ChargeFeedbackLines lines = presentChargeFeedback(state_, *context_.l10n, compact_);
    const QColor secondary =
        BriselColors::secondaryForeground(context_.currentAppearance(), BriselColors::secondary(palette()));
    showLabel(status_, lines.status.value_or(QString()), secondary);
    showLabel(temporary_, lines.temporary.value_or(QString()), secondary);
    setHelpIfChanged(temporary_, lines.temporaryHelp);
    error_->setMessage(lines.error.value_or(QString()), state_.feedbackErrorAttempt);
    status_->setVisible(lines.status.has_value());
    error_->setVisible(lines.error.has_value());
    temporary_->setVisible(lines.temporary.has_value());
}

} // namespace brisel
