#include "ui/onboarding/OnboardingView.h"

#include "ui/design/AccessibleText.h"
#include "ui/design/Announcer.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/FocusKeeper.h"
#include "ui/design/KeySettle.h"
#include "ui/design/ShownPageStack.h"
#include "ui/design/SymbolPainter.h"
#include "ui/onboarding/OnboardingPages.h"
#include "ui/onboarding/OnboardingRules.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <cmath>

namespace brisel {

using namespace onboarding;

namespace {

constexpr double chipSpacing = 4;
constexpr double chipPadding = 9;
constexpr double chipSymbolSize = 11;
constexpr double chipGap = 5;

} // namespace

OnboardingView::OnboardingView(ViewContext context, OnboardingState state, OnboardingActions actions,
                               QWidget* parent)
    : QWidget(parent), env_{context, std::move(actions), {}, {}}, focus_(new FocusKeeper(this)),
      state_(std::move(state)) {
    env_.focusCurrentChoice = [this] { focusChoiceOnceRecorded(); };
    env_.confirmDowngrade = [this] { openDowngradeAlert(); };
    setMinimumSize(440, 520);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    header_ = new PhaseHeader;
    header_->setObjectName("onboarding.phaseHeader");
    root->addWidget(header_);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(14, 6, 14, 18);
    column->setSpacing(12);
    auto* storage = new StatusCard(context, "externaldrive.badge.exclamationmark");
    storageCard_ = storage;
    storageText_ = storage->label();
    column->addWidget(storageCard_);
    retryStorage_ = makeButton("onboarding.retryStorage", ButtonStyle::standard);
    column->addWidget(retryStorage_, 0, Qt::AlignLeft);
    auto* error = new StatusCard(context, "exclamationmark.triangle");
    errorCard_ = error;
    errorText_ = error->label();
    column->addWidget(errorCard_);
    checking_ = new BusyLine;
    column->addWidget(checking_);
    auto* pageFrame = new QWidget;
    stack_ = new ShownPageStack(pageFrame);
    pages_ = makeOnboardingPages(env_);
    for (OnboardingPage* page : pages_)
        stack_->addWidget(page);
    column->addWidget(pageFrame);
    column->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    root->addWidget(scroll, 1);
    divider_ = new QWidget;
    divider_->setFixedHeight(1);
    root->addWidget(divider_);

    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(8);
    later_ = makeButton("onboarding.later", ButtonStyle::quiet);
    back_ = makeButton("onboarding.back", ButtonStyle::standard);
    repairLimit_ = makeButton("onboarding.repairLimit", ButtonStyle::prominent);
    repairPreparation_ = makeButton("onboarding.repairPreparation", ButtonStyle::prominent);
    next_ = makeButton("onboarding.next", ButtonStyle::prominent);
    finish_ = makeButton("onboarding.finish", ButtonStyle::prominent);
    retryStop_ = makeButton("onboarding.retryStop", ButtonStyle::prominent);
    row->addWidget(later_);
    row->addSpacing(4);
    row->addStretch(1);
    for (QPushButton* button : {back_, repairLimit_, repairPreparation_, next_, finish_, retryStop_})
        row->addWidget(button);
    root->addWidget(bar);

    connect(retryStorage_, &QPushButton::clicked, this, [this] { invoke(env_.actions.retryStorage); });
    connect(later_, &QPushButton::clicked, this, [this] { invoke(env_.actions.close); });
    connect(back_, &QPushButton::clicked, this, [this] { invoke(env_.actions.back); });
    connect(repairLimit_, &QPushButton::clicked, this, [this] {
        if (state_.record.hasApplicationAttempt())
            invoke(env_.actions.keepCurrentChargeSetup);
        else
            invoke(env_.actions.returnToLimitSelection);
    });
    connect(repairPreparation_, &QPushButton::clicked, this,
            [this] { invoke(env_.actions.returnToPreparation, std::optional<int>()); });
    connect(next_, &QPushButton::clicked, this, [this] { pressMain(); });
    connect(finish_, &QPushButton::clicked, this, [this] { invoke(env_.actions.openPanel); });
    connect(retryStop_, &QPushButton::clicked, this, [this] { invoke(env_.actions.restoreSystemDefaults); });
    // Return is the main button's, and only while that button can be pressed. On the last page
    // that is the filled one: the retry of a failed stop, else "Open Brisel".
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            for (QPushButton* main : {next_, retryStop_, finish_}) {
                if (!main->isVisible()) continue;
                if (main->isEnabled()) main->click();
                return;
            }
        });
    }

    context.observe(this, [this] { resync(); });
    resync();
}

OnboardingView::~OnboardingView() {
    shownRefresh_.cancel();
}

Appearance OnboardingView::appearance() const {
    Appearance appearance = env_.context.currentAppearance();
    appearance.theme = state_.activeTheme;
    return appearance;
}

QWidget* OnboardingView::currentPage() const {
    return stack_->currentWidget();
}

QMessageBox* OnboardingView::downgradeAlert() const {
    for (QMessageBox* box : findChildren<QMessageBox*>("onboarding.downgradeAlert"))
        if (box->isVisible()) return box;
    return nullptr;
}

void OnboardingView::sync(const OnboardingState& state) {
    const OnboardingState before = std::exchange(state_, state);
    announceChange(before.storageError, state_.storageError);
    announceChange(before.error, state_.error);
    resync();
}

void OnboardingView::resync() {
    const int step = displayedStep(state_.record.step);
    syncFrame();
    syncBar();
    pages_[step]->sync(state_);
    if (const QLabel* title = pages_[step]->headingTitle())
        setAccessibleNameIfChanged(pages_[step], title->text());
    const bool stepChange = shownStep_ >= 0 && step != shownStep_;
    if (step != shownStep_) {
        shownStep_ = step;
        stack_->setCurrentIndex(step);
    }
    const Appearance now = appearance();
    const qint64 paletteKey = QApplication::palette(this).cacheKey();
    if (now != appliedAppearance_ || paletteKey != appliedPalette_) {
        appliedAppearance_ = now;
        appliedPalette_ = paletteKey;
        applyAppearance(this, now);
    }
    update();
    if (stepChange) {
        stepChanged();
    } else if (choiceFocusAfter_ && state_.record.generation != *choiceFocusAfter_) {
        choiceFocusAfter_.reset();
        // Only while the keyboard is still on the cards: a user who went on elsewhere keeps focus.
        if (qobject_cast<ChoiceCard*>(window()->focusWidget())) focusCurrentChoice();
    }
    focus_->settle();
}

void OnboardingView::syncFrame() {
    const std::optional<int> phase = phaseOf(displayedStep(state_.record.step));
    header_->setVisible(phase.has_value());
    if (phase)
        header_->sync(*phase,
                      {env_.tr("onboarding.phase.choose"), env_.tr("onboarding.phase.prepare"),
                       env_.tr("onboarding.phase.apply")},
                      env_.tr("onboarding.phaseLabel", *phase + 1, 3), appearance());
    storageCard_->setVisible(state_.storageError.has_value());
    retryStorage_->setVisible(state_.storageError.has_value());
    storageText_->setText(env_.tr(state_.storageError.value_or(QString())));
    retryStorage_->setText(env_.tr("onboarding.retrySave"));
    errorCard_->setVisible(state_.error.has_value());
    errorText_->setText(env_.tr(state_.error.value_or(QString())));
    checking_->setVisible(state_.checking);
    static_cast<BusyLine*>(checking_)->setText(env_.tr("onboarding.checking"));
}

void OnboardingView::syncBar() {
    const OnboardingState& s = state_;
    const bool completion = displayedStep(s.record.step) == completionStep;
    const TrailingButton trailing = trailingButton(s);
    later_->setVisible(!completion);
    later_->setText(env_.tr("onboarding.later"));
    back_->setVisible(!completion && showsBack(s));
    back_->setText(env_.tr("onboarding.back"));
    back_->setEnabled(!s.busy);
    repairLimit_->setVisible(!completion && trailing == TrailingButton::limitRepair);
    repairLimit_->setText(env_.tr(limitRepairLabelKey(s)));
    repairPreparation_->setVisible(!completion && trailing == TrailingButton::preparationRepair);
    repairPreparation_->setText(env_.tr("onboarding.repairPreparation"));
    for (QPushButton* repair : {repairLimit_, repairPreparation_})
        repair->setEnabled(!s.busy && !s.checking);
    next_->setVisible(!completion && trailing == TrailingButton::main);
    next_->setText(env_.tr(mainLabelKey(s)));
    next_->setEnabled(mainEnabled(s));

    const bool retry = completion && completionOffersStopRetry(s);
    finish_->setVisible(completion);
    finish_->setText(env_.tr("onboarding.enterPanel"));
    setButtonStyle(finish_, retry ? ButtonStyle::standard : ButtonStyle::prominent);
    retryStop_->setVisible(retry);
    retryStop_->setText(env_.tr(s.taskStopBusy ? "onboarding.stopping" : "onboarding.retryStop"));
    retryStop_->setEnabled(!s.taskStopBusy);
}

void OnboardingView::pressMain() {
    switch (mainAction(state_)) {
    case MainAction::restoreSystemDefaults:
        return invoke(env_.actions.restoreSystemDefaults);
    case MainAction::apply:
        return invoke(env_.actions.apply);
    case MainAction::next:
        return invoke(env_.actions.next);
    }
}

// Keyboard focus goes to the new page's choice, and a screen reader reads the page (named by its
// heading) before it. A page without one starts with no control focused: the stack hands focus to
// the new page's first control, where one Space would act unasked. Return still reaches the main
// button, and Tab the page's first control; the screen reader is pointed at the page itself, after
// the focus is cleared (clearing reports focus on the control that lost it, and a screen reader
// reads only the last of such reports that come together).
void OnboardingView::stepChanged() {
    choiceFocusAfter_.reset();
    KeySettle::settle(this); // the Return that turned the page does not press the new one's button
    if (focusCurrentChoice()) return;
    if (QWidget* focused = window()->focusWidget(); focused && isAncestorOf(focused)) focused->clearFocus();
    if (!isActiveWindow()) return;
    QAccessibleEvent event(pages_[shownStep_], QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

bool OnboardingView::focusCurrentChoice() {
    const int step = displayedStep(state_.record.step);
    QString id;
    if (step == 0) id = "onboarding.habit." + QString::fromUtf8(toString(state_.record.habit).data());
    if (step == 1) id = "onboarding.task." + QString::fromUtf8(toString(state_.record.task).data());
    auto* card = id.isEmpty() ? nullptr : pages_[step]->findChild<ChoiceCard*>(id);
    if (card && card->isVisibleTo(pages_[step]) && card->isEnabled()) {
        card->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (QWidget* focused = QApplication::focusWidget(); qobject_cast<ChoiceCard*>(focused)) focused->clearFocus();
    return false;
}

// The state here still holds the record before the choice, so moving focus now would follow the
// old choice (or, in a review run with no habit, leave every card).
void OnboardingView::focusChoiceOnceRecorded() {
    choiceFocusAfter_ = state_.record.generation;
}

void OnboardingView::announceChange(const std::optional<QString>& before,
                                    const std::optional<QString>& after) {
    if (after && !after->isEmpty() && after != before && env_.context.announcer)
        env_.context.announcer->announce(env_.tr(*after));
}

void OnboardingView::openDowngradeAlert() {
    if (downgradeAlert()) return;
    auto* box = new QMessageBox(this);
    box->setObjectName("onboarding.downgradeAlert");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(env_.tr("onboarding.downgradeTitle"));
    box->setText(env_.tr("onboarding.downgradeTitle"));
    box->setInformativeText(env_.tr("onboarding.downgradeBody"));
    QPushButton* confirm = box->addButton(env_.tr("onboarding.downgrade"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(env_.tr("onboarding.cancel"), QMessageBox::RejectRole);
    confirm->setObjectName("onboarding.downgrade");
    cancel->setObjectName("onboarding.cancel");
    box->setDefaultButton(confirm);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton* clicked) {
        if (clicked == confirm) invoke(env_.actions.skipHelper, true);
    });
    box->open();
}

bool OnboardingView::focusNextPrevChild(bool next) {
    return focus_->keep() || QWidget::focusNextPrevChild(next);
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return; // restored by the window manager, not opened
    shownRefresh_.cancel();
    if (env_.actions.refresh) shownRefresh_ = refreshThenFocus(this, env_.actions.refresh);
}

void OnboardingView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) shownRefresh_.cancel();
}

Task<void> OnboardingView::refreshThenFocus(QPointer<OnboardingView> view,
                                            std::function<Task<void>()> refresh) {
    if (!view || co_await taskCancelled()) co_return;
    Task<void> pending = refresh();
    co_await pending;
    if (!view || co_await taskCancelled()) co_return;
    view->focusCurrentChoice();
}

void OnboardingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Appearance now = appearance();
    BriselPanelBackdrop::paint(painter, rect(), now, palette());
    painter.fillRect(divider_->geometry(), BriselColors::primary(palette(), 0.25 * 0.4));
}

PhaseHeader::PhaseHeader(QWidget* parent) : QWidget(parent) {
    setContentsMargins(14, 14, 14, 14);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    BriselAccessibleWidget::setRole(this, QAccessible::StaticText);
}

void PhaseHeader::sync(int phase, QStringList titles, const QString& accessibleLabel,
                       const Appearance& appearance) {
    phase_ = phase;
    titles_ = std::move(titles);
    appearance_ = appearance;
    setAccessibleNameIfChanged(this, accessibleLabel);
    updateGeometry();
    update();
}

QSize PhaseHeader::sizeHint() const {
    const QFontMetrics metrics(onboardingFont(11, QFont::DemiBold));
    const QMargins m = contentsMargins();
    return {300, int(std::ceil(chipPadding * 2 + std::max<double>(metrics.height(), chipSymbolSize))) +
                     m.top() + m.bottom()};
}

void PhaseHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = contentsRect();
    const double width = (area.width() - 2 * chipSpacing) / 3;
    for (int i = 0; i < 3; ++i) {
        const bool current = i == phase_;
        const QRectF chip(area.left() + i * (width + chipSpacing), area.top(), width, area.height());
        if (current) {
            QPainterPath shape;
            shape.addRoundedRect(chip, 9, 9);
            painter.fillPath(shape, BriselColors::primary(palette(), 0.06));
        }
        const QColor color =
            current ? BriselColors::primary(palette())
                    : BriselColors::secondaryForeground(appearance_, BriselColors::primary(palette(), 0.8));
        const QFont font = onboardingFont(11, current ? QFont::DemiBold : QFont::Normal);
        const QString title = titles_.value(i);
        const double textWidth = QFontMetricsF(font).horizontalAdvance(title);
        const double left = chip.center().x() - (chipSymbolSize + chipGap + textWidth) / 2;
        SymbolPainter::paint(
            painter, QRectF(left, chip.center().y() - chipSymbolSize / 2, chipSymbolSize, chipSymbolSize),
            onboarding::chipSymbol(i, phase_), color);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(left + chipSymbolSize + chipGap, chip.top(), textWidth + 2, chip.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, title);
    }
}

} // namespace brisel
