#include "ui/onboarding/OnboardingMenuView.h"

#include "ui/design/FocusKeeper.h"
#include "ui/onboarding/TaskStopView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace brisel {

OnboardingMenuView::OnboardingMenuView(ViewContext context, OnboardingState state, OnboardingActions actions,
                                       QWidget* parent)
    : QWidget(parent), env_{context, std::move(actions), {}, {}}, focus_(new FocusKeeper(this)),
      state_(std::move(state)), welcome_(makeText(13, QFont::DemiBold)),
      body_(makeText(12, QFont::Normal, true)),
      continue_(makeButton("onboarding.continueSetup", ButtonStyle::prominent)),
      stop_(new TaskStopView(env_)) {
    setFixedWidth(340);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(welcome_);
    column->addWidget(body_);
    column->addWidget(continue_, 0, Qt::AlignLeft);
    column->addWidget(stop_);
    connect(continue_, &QPushButton::clicked, this, [this] { invoke(env_.actions.postShowOnboarding); });
    context.observe(this, [this] { resync(); });
    resync();
}

bool OnboardingMenuView::focusNextPrevChild(bool next) {
    return focus_->keep() || QWidget::focusNextPrevChild(next);
}

void OnboardingMenuView::sync(const OnboardingState& state) {
    state_ = state;
    resync();
}

void OnboardingMenuView::resync() {
    welcome_->setText(env_.tr("onboarding.welcome"));
    body_->setText(env_.tr("onboarding.menuBody"));
    continue_->setText(env_.tr("onboarding.continueSetup"));
    stop_->sync(state_);
    Appearance appearance = env_.context.currentAppearance();
    appearance.theme = state_.activeTheme;
    applyAppearance(this, appearance);
    focus_->settle();
}

} // namespace brisel
