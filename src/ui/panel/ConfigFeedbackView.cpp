#include "ui/panel/ConfigFeedbackView.h"

#include "localization/Localizer.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelOperationError.h"

#include <QVBoxLayout>

namespace brisel {

std::optional<QString> shownConfigError(const ConfigFeedbackState& state, bool suppressAwakeOwnedError) {
    if (suppressAwakeOwnedError && state.awakeOwnsConfigError) return std::nullopt;
    return state.configError;
}

ConfigFeedbackView::ConfigFeedbackView(ViewContext context, bool suppressAwakeOwnedError, QWidget* parent)
    : QWidget(parent), context_(context), suppress_(suppressAwakeOwnedError),
      error_(new PanelOperationError(context, this)),
      retry_(new PanelButton(context, "retry-config-save", PanelButton::pushLook(), this)) {
    // The failure row of the sections, under this view's own name: same look, same announcements.
    error_->setObjectName("config-error");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(error_);
    column->addWidget(retry_, 0, Qt::AlignLeft);
    connect(retry_, &QAbstractButton::clicked, this, [this] {
        if (retrySave_) retrySave_();
    });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    context_.observe(this, [this] { apply(); });
    apply();
}

void ConfigFeedbackView::sync(const ConfigFeedbackState& state) {
    state_ = state;
    apply();
}

void ConfigFeedbackView::apply() {
    const std::optional<QString> error = shownConfigError(state_, suppress_);
    // The row announces a new text when it is shown; set it before showing.
    error_->setMessage(error.value_or(QString()), state_.configErrorAttempt);
    if (context_.l10n) retry_->setLabel(context_.l10n->tr("config.retrySave"));
    retry_->setVisible(error && state_.configCanRetrySave);
    setVisible(error.has_value());
}

} // namespace brisel
