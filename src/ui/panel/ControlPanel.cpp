#include "ui/panel/ControlPanel.h"

#include "localization/Localizer.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselCard.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/FocusKeeper.h"
#include "ui/design/SectionCard.h"
#include "ui/design/ShownSync.h"
#include "ui/design/SurfaceView.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PowerFlowCard.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <utility>

namespace brisel {

namespace {

// Puts `item` into `column` with `inset` on either side.
void addInset(QVBoxLayout* column, QWidget* item, int inset) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(inset, 0, inset, 0);
    row->addWidget(item);
    column->addLayout(row);
}

} // namespace

PanelSections panelSections(const ControlPanelState& s) {
    const std::optional<PowerFlow>& flow = s.header.battery.powerFlow;
    return {s.globalError.has_value(),
            s.globalError.has_value() && !s.persistentGlobalError,
            s.theme == BriselTheme::classic,
            flow && flow->hasData(),
            s.mclSupported,
            s.energy.availableModes.size() >= 2};
}

ControlPanel::ControlPanel(ViewContext context, bool showsSettingsButton, bool drawsBackdrop, QWidget* parent)
    : QWidget(parent), context_(context), focus_(new FocusKeeper(this)), drawsBackdrop_(drawsBackdrop),
      header_(new StatusHeader(context)), config_(new ConfigFeedbackView(context, true)),
      banner_(new BriselErrorBanner(context)), classicDivider_(panelDivider(context, 0.45, nullptr)),
      powerFlow_(new PowerFlowCard(context)), charge_(new ChargeLimitCard(context)),
      noLimit_(new SectionCard(context, QString(), "bolt.slash.fill")), noLimitText_(new QLabel(noLimit_)),
      energy_(new EnergyModeCard(context)), keepAwakeCard_(new BriselCard(context)),
      keepAwake_(new KeepAwakeControlsView(context, true, keepAwakeCard_)),
      activity_(new AppActivityCard(context)), footer_(new PanelFooter(context, showsSettingsButton)) {
    setObjectName("control-panel");
    setFixedWidth(width);
    banner_->setObjectName("global-error");
    noLimit_->setObjectName("charge-limit-unavailable");
    keepAwakeCard_->setObjectName("keep-awake-card");
    setUpPanelLabel(noLimitText_, BriselTypography::controlLabel(), true);
    noLimit_->contentLayout()->addWidget(noLimitText_);
    auto* entry = new QVBoxLayout(keepAwakeCard_);
    const int cardInset = qRound(BriselGeometry::cardContentInset);
    entry->setContentsMargins(cardInset, 2, cardInset, 2);
    entry->addWidget(keepAwake_);

    // Cards keep room for their shadows around them: their column and the header (whose grid is a
    // card) are inset by that much less, so every card edge stands 12 from the panel's.
    const QMargins room = BriselCard::shadowMargins();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 9, 0, 6);
    column->setSpacing(6);
    addInset(column, header_, 12 - room.left());
    addInset(column, config_, 12);
    addInset(column, banner_, 12);
    addInset(column, classicDivider_, 12);
    auto* cards = new QVBoxLayout;
    cards->setContentsMargins(12 - room.left(), 0, 12 - room.right(), 0);
    cards->setSpacing(std::max(0, 6 - room.top() - room.bottom()));
    for (QWidget* card :
         std::initializer_list<QWidget*>{powerFlow_, charge_, noLimit_, energy_, keepAwakeCard_, activity_})
        cards->addWidget(card);
    column->addLayout(cards);
    auto* hairline = new SurfaceView(
        context,
        [](QPainter& p, const QRectF& r, const Appearance& look, const QPalette& palette) {
            p.fillRect(r, BriselColors::primary(palette, look.dark ? 0.1 : 0.075));
        },
        this);
    hairline->setFixedHeight(1);
    column->addSpacing(2);
    addInset(column, hairline, 14);
    addInset(column, footer_, 10);
    // Another language or look: the texts and colours set from the last state are made again (not
    // while a sync sets the theme: it goes on in the new look). Another colour scheme reaches the
    // appearance before the palettes, so its colours are set once, on the palette change.
    if (context_.l10n) connect(context_.l10n, &Localizer::changed, this, [this] { resync(); });
    if (context_.appearance)
        connect(context_.appearance, &AppearanceSource::changed, this, [this] {
            Appearance look = context_.currentAppearance();
            look.dark = styledLook_.dark;
            if (look != styledLook_) resync();
            update();
        });
}

bool ControlPanel::focusNextPrevChild(bool next) {
    return focus_->keep() || QWidget::focusNextPrevChild(next);
}

void ControlPanel::resync() {
    if (!shown_ || syncing_) return;
    stale_ = true;
    // Made on first need, after the binder's keeper: catching up, the model's state comes first
    // and leaves this one nothing to do.
    if (!restyle_)
        restyle_ = new ShownSync(*this, [this] {
            if (stale_ && shown_) sync(*shown_);
        });
    restyle_->changed();
}

void ControlPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Another colour scheme reaches the palettes after the appearance: the colours taken from them
    // are set again (the state itself may be the same for hours).
    if (event->type() == QEvent::PaletteChange) resync();
}

void ControlPanel::setActions(ControlPanelActions actions) {
    actions_ = std::move(actions);
    shown_.reset(); // the banner takes its dismiss action at the next sync
    charge_->setActions(actions_.charge);
    energy_->setActions(actions_.energy);
    keepAwake_->setActions(actions_.keepAwake);
    activity_->setActions(actions_.activity);
    config_->setOnRetrySave(actions_.saveConfig);
    footer_->setActions(actions_.openSettings, actions_.quit);
}

void ControlPanel::setNavigation(BoolBinding keepAwakeExpanded, BoolBinding feedbackExpanded) {
    keepAwakeExpanded_ = keepAwakeExpanded;
    feedbackExpanded_ = feedbackExpanded;
    keepAwake_->setExpansion(std::move(keepAwakeExpanded));
    keepAwake_->setFeedbackExpansion(std::move(feedbackExpanded));
    shownFolds_ = folds();
}

void ControlPanel::refreshNavigation() {
    keepAwake_->refreshExpansion();
    shownFolds_ = folds();
    focus_->settle(); // a host folds as it closes: a focused option goes with the fold
}

std::pair<bool, bool> ControlPanel::folds() const {
    return {keepAwakeExpanded_ && keepAwakeExpanded_.get(), feedbackExpanded_ && feedbackExpanded_.get()};
}

void ControlPanel::sync(const ControlPanelState& state) {
    if (shown_ == state && !stale_) {
        if (folds() != shownFolds_) refreshNavigation();
        return;
    }
    const QScopedValueRollback syncing(syncing_, true);
    // The panel sets the theme for everything inside it.
    if (context_.appearance) context_.appearance->setTheme(state.theme);
    const PanelSections sections = panelSections(state);
    header_->sync(state.header);
    config_->sync(state.config);
    banner_->setMessage(state.globalError.value_or(QString()), state.globalErrorAttempt);
    if (context_.l10n)
        banner_->setDismiss(sections.bannerDismissible ? actions_.dismissError : std::function<void()>(),
                            context_.l10n->tr("action.dismiss"));
    banner_->setVisible(sections.banner);
    classicDivider_->setVisible(sections.classicDivider);
    if (sections.powerFlow)
        powerFlow_->sync(*state.header.battery.powerFlow, state.header.battery.externalConnected);
    powerFlow_->setVisible(sections.powerFlow);
    charge_->sync(state.charge);
    charge_->setVisible(sections.chargeCard);
    if (context_.l10n) {
        noLimit_->setTitle(context_.l10n->tr("section.chargeLimit"));
        // Unread, the machine's lack of a limit would be the model's initial guess.
        showLabel(
            noLimitText_,
            context_.l10n->tr(state.header.hardwareRead ? "msg.noNativeLimit" : "msg.chargeSupportNotRead"),
            BriselColors::secondaryForeground(context_.currentAppearance(),
                                              BriselColors::secondary(palette())));
    }
    noLimit_->setVisible(!sections.chargeCard);
    energy_->sync(state.energy);
    energy_->setVisible(sections.energyCard);
    keepAwake_->sync(state.keepAwake);
    activity_->sync(state.activity);
    // Cards add rows as the model lists them.
    orderTabsByLayout(this);
    shown_ = state;
    shownFolds_ = folds();
    styledLook_ = context_.currentAppearance();
    stale_ = false;
    focus_->settle();
}

void ControlPanel::paintEvent(QPaintEvent*) {
    if (!drawsBackdrop_) return;
    QPainter painter(this);
    BriselPanelBackdrop::paint(painter, rect(), context_.currentAppearance(), palette());
}

} // namespace brisel
