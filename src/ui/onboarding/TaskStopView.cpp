#include "ui/onboarding/TaskStopView.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"
#include "ui/onboarding/OnboardingRules.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace brisel {

namespace {

QIcon symbolIcon(const QString& name, const QColor& color) {
    QPixmap pixmap(QSize(28, 28));
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    SymbolPainter::paint(painter, QRectF(0, 0, 14, 14), name, color);
    return QIcon(pixmap);
}

} // namespace

TaskStopView::TaskStopView(const PageEnv& env, bool recoveryOnly, QWidget* parent)
    : QWidget(parent), env_(env), recoveryOnly_(recoveryOnly),
      button_(makeButton({}, ButtonStyle::plain, 11)), details_(new QWidget), ordinary_(makeText(11)),
      display_(makeText(11)), lid_(makeText(11)), status_(makeText(11, QFont::Normal, true)) {
    button_->setFont(BriselTypography::microMeta());
    button_->setContentsMargins(0, 3, 0, 3);
    connect(button_, &QPushButton::clicked, this, [this] { invoke(env_.actions.restoreSystemDefaults); });

    auto* grid = new QGridLayout(details_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (QLabel* value : {ordinary_, display_, lid_}) {
        auto* caption = makeText(11);
        captions_ << caption;
        value->setAlignment(Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(caption, row, 0, Qt::AlignTop);
        grid->addWidget(value, row++, 2, Qt::AlignTop);
    }
    grid->addWidget(status_, row, 0, 1, 3);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(button_, 0, Qt::AlignLeft);
    column->addWidget(details_);
}

void TaskStopView::sync(const OnboardingState& s) {
    using namespace onboarding;
    ownRule_ = taskStopVisible(s, recoveryOnly_);
    applyVisibility();
    button_->setText(env_.tr(taskStopLabelKey(s)));
    button_->setObjectName(taskStopIdentifier(s, recoveryOnly_));
    button_->setEnabled(!s.taskStopBusy);
    setHelpIfChanged(button_, env_.tr("display.restoreHelp"));
    button_->setIcon(symbolIcon("arrow.counterclockwise", button_->palette().color(QPalette::ButtonText)));

    details_->setVisible(taskStopShowsDetails(s));
    const QString captionKeys[] = {"onboarding.ordinaryResult", "display.keepAwake", "onboarding.lidResult"};
    for (int i = 0; i < captions_.size(); ++i)
        captions_[i]->setText(env_.tr(captionKeys[i]));
    ordinary_->setText(env_.tr(taskStopOrdinaryKey(s)));
    display_->setText(env_.tr(stoppedKey(s.taskStopDisplay)));
    lid_->setText(env_.tr(taskStopLidKey(s)));
    status_->setText(env_.tr(taskStopStatusKey(s)));
}

void TaskStopView::setWanted(bool wanted) {
    wanted_ = wanted;
    applyVisibility();
}

void TaskStopView::applyVisibility() {
    setHidden(!(wanted_ && ownRule_));
}

} // namespace brisel
