#include "ui/panel/EnergyModeCard.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselHelpBubble.h"
#include "ui/design/BriselLiquidSelectionLens.h"
#include "ui/design/BriselRecessedGlassSurface.h"
#include "ui/design/BriselScaleButton.h"
#include "ui/design/BriselSemanticColor.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/SymbolPainter.h"
#include "ui/panel/PanelOperationError.h"
#include "ui/panel/PanelText.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace brisel {

namespace {

constexpr double symbolSize = 10;
constexpr double gap = 4;
constexpr double padding = 4;
const Spring lensSpring{0.26, 0.82};

QFont labelFont(bool selected) {
    return BriselTypography::systemFont(11, selected ? QFont::DemiBold : QFont::Normal);
}

// Paints the well and the lens behind the pills.
class PillRow : public QWidget {
public:
    PillRow(std::function<void(QPainter&)> paint, QWidget* parent)
        : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paint_(painter);
    }

private:
    std::function<void(QPainter&)> paint_;
};

} // namespace

QColor energyModeIconColor(EnergyMode mode, bool selected, bool dark, const QPalette& palette) {
    if (!selected) return BriselColors::secondary(palette);
    switch (mode) {
    case EnergyMode::lowPower:
        return BriselSemanticColor::amber(dark);
    case EnergyMode::highPower:
        return BriselSemanticColor::emerald(dark);
    case EnergyMode::automatic:
        break;
    }
    return BriselSemanticColor::electricBlue(dark);
}

std::vector<EnergyMode> shownEnergyModes(const EnergyModeState& state) {
    std::vector<EnergyMode> modes = state.availableModes;
    if (modes.empty() || std::find(modes.begin(), modes.end(), state.current) != modes.end()) return modes;
    const auto after = std::find_if(modes.begin(), modes.end(), [&state](EnergyMode mode) {
        return rawValue(mode) > rawValue(state.current);
    });
    modes.insert(after, state.current);
    return modes;
}

// ---- one pill --------------------------------------------------------------------------------------

EnergyModePill::EnergyModePill(ViewContext context, EnergyMode mode, QWidget* parent)
    : QAbstractButton(parent), context_(context), mode_(mode) {
    setObjectName(QStringLiteral("energy-mode-%1").arg(rawValue(mode)));
    setCheckable(true);
    BriselAccessibleWidget::setRole(this, QAccessible::RadioButton);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize EnergyModePill::sizeHint() const {
    const QFontMetricsF metrics(labelFont(true));
    return {int(std::ceil(symbolSize + gap + metrics.horizontalAdvance(text()) + 2 * padding)),
            int(std::ceil(metrics.height() + 2 * padding))};
}

QSize EnergyModePill::minimumSizeHint() const {
    return {int(symbolSize + 2 * padding), sizeHint().height()};
}

void EnergyModePill::keyPressEvent(QKeyEvent* event) {
    if (!BriselScaleButton::clickOnReturn(*this, event)) QAbstractButton::keyPressEvent(event);
}

void EnergyModePill::paintEvent(QPaintEvent*) {
    const Appearance appearance = context_.currentAppearance();
    const bool selected = isChecked();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.5);

    QFont font = labelFont(selected);
    const QRectF content = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
    const double room = std::max(content.width() - symbolSize - gap, 0.0);
    double textWidth = QFontMetricsF(font).horizontalAdvance(text());
    if (textWidth > room) {
        font.setPointSizeF(font.pointSizeF() * std::max(0.82, room / textWidth));
        textWidth = std::min(QFontMetricsF(font).horizontalAdvance(text()), room);
    }
    const QString shown = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, room);
    const double left = content.center().x() - (symbolSize + gap + textWidth) / 2;

    SymbolPainter::paint(painter, QRectF(left, content.center().y() - symbolSize / 2, symbolSize, symbolSize),
                         iconName(mode_), energyModeIconColor(mode_, selected, appearance.dark, palette()),
                         selected ? QFont::DemiBold : QFont::Medium);
    painter.setFont(font);
    painter.setPen(selected
                       ? BriselColors::primary(palette())
                       : BriselColors::secondaryForeground(appearance, BriselColors::secondary(palette())));
    painter.drawText(QRectF(left + symbolSize + gap, content.top(), textWidth + 1, content.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, shown);
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        BriselColors::paintFocusRing(painter, ring, palette());
    }
}

// ---- the card --------------------------------------------------------------------------------------

EnergyModeCard::EnergyModeCard(ViewContext context, QWidget* parent)
    : SectionCard(context, QString(), "bolt.circle", parent),
      row_(new PillRow([this](QPainter& painter) { paintRow(painter); }, this)), applying_(new QLabel(this)),
      error_(new PanelOperationError(context, this)), bubble_(new BriselHelpBubble(context, row_)),
      lensTravel_(
          1.0, [this](double) { row_->update(); }, this) {
    auto* pills = new QHBoxLayout(row_);
    const int inset = qRound(BriselGeometry::segmentedInset);
    pills->setContentsMargins(inset, inset, inset, inset);
    pills->setSpacing(4);
    setUpPanelLabel(applying_, BriselTypography::microMeta(), true);
    applying_->hide();
    error_->hide();
    contentLayout()->setSpacing(qRound(5.5));
    contentLayout()->addWidget(row_);
    contentLayout()->addWidget(applying_);
    contentLayout()->addWidget(error_);
    apply();
}

EnergyModePill* EnergyModeCard::pill(EnergyMode mode) const {
    const auto found = pills_.find(mode);
    return found == pills_.end() ? nullptr : found->second;
}

void EnergyModeCard::sync(const EnergyModeState& state) {
    state_ = state;
    apply();
}

void EnergyModeCard::appearanceChanged() {
    SectionCard::appearanceChanged();
    apply();
}

void EnergyModeCard::changeEvent(QEvent* event) {
    SectionCard::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

bool EnergyModeCard::eventFilter(QObject* watched, QEvent* event) {
    // The scope bubble is help for the keyboard: a pill pressed with the mouse takes focus without
    // it. Focus given back (by the window, or moved by the panel) shows it as it was before.
    if (event->type() == QEvent::MouseButtonPress) scopeBubbleWanted_ = false;
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason) scopeBubbleWanted_ = false;
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            scopeBubbleWanted_ = true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut ||
        event->type() == QEvent::MouseButtonPress) {
        const bool focused =
            std::any_of(pills_.begin(), pills_.end(), [](const auto& p) { return p.second->hasFocus(); });
        bubble_->setShown(focused && scopeBubbleWanted_);
    }
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) row_->update();
    return SectionCard::eventFilter(watched, event);
}

void EnergyModeCard::hideEvent(QHideEvent* event) {
    SectionCard::hideEvent(event);
    // A window shown again gives the pill its focus back, with or without telling it, and that is
    // no move of the keyboard's (the popup opened by a click). Minimised and restored, the window
    // keeps the bubble as it was.
    if (event->spontaneous()) return;
    scopeBubbleWanted_ = false;
    bubble_->setShown(false);
}

void EnergyModeCard::apply() {
    if (!context().l10n) return;
    const Localizer& l10n = *context().l10n;
    const QString scope = l10n.tr("energyMode.scope");
    setTitle(l10n.tr("panel.energy.title"));
    setHelpIfChanged(this, scope);
    bubble_->setText(scope);

    // The row is laid out again only when the offered modes change: hiding a pill that has focus
    // would send focus on, and the model publishes after every refresh.
    const std::vector<EnergyMode> modes = shownEnergyModes(state_);
    if (shownModes_ != modes) relayoutPills(modes);
    const auto offered = [this](EnergyMode mode) {
        return std::find(state_.availableModes.begin(), state_.availableModes.end(), mode) !=
               state_.availableModes.end();
    };
    for (EnergyMode mode : modes) {
        EnergyModePill* pill = pills_.at(mode);
        pill->setText(l10n.tr(localizationKey(mode)));
        pill->setChecked(mode == state_.current);
        pill->setEnabled(!state_.busy && offered(mode));
        setHelpIfChanged(pill, scope);
    }

    // The lens slides from where it is drawn to the new mode's pill.
    if (lensMode_ && lensMode_ != state_.current) {
        lensFrom_ = lensRect();
        lensTravel_.reset(0);
        lensTravel_.moveTo(1, lensSpring, context().currentAppearance().reduceMotion);
    }
    lensMode_ = state_.current;

    showLabel(applying_, l10n.tr("panel.energy.applying"),
              BriselColors::secondaryForeground(appearance(), BriselColors::secondary(palette())));
    applying_->setVisible(state_.busy);
    error_->setMessage(state_.feedbackError.value_or(QString()), state_.feedbackErrorAttempt);
    error_->setVisible(state_.feedbackError.has_value());
    row_->update();
}

void EnergyModeCard::relayoutPills(const std::vector<EnergyMode>& modes) {
    const auto stays = [&modes](EnergyMode mode) {
        return std::find(modes.begin(), modes.end(), mode) != modes.end();
    };
    // Focus on a pill that goes moves to its nearest neighbour that stays, before Qt sends it on.
    const auto focused = std::find_if(shownModes_.begin(), shownModes_.end(),
                                      [this](EnergyMode mode) { return pills_.at(mode)->hasFocus(); });
    if (focused != shownModes_.end() && !stays(*focused)) {
        const auto after = std::find_if(focused, shownModes_.end(), stays);
        const auto before = std::find_if(std::make_reverse_iterator(focused), shownModes_.rend(), stays);
        if (after != shownModes_.end())
            pills_.at(*after)->setFocus(Qt::OtherFocusReason);
        else if (before != shownModes_.rend())
            pills_.at(*before)->setFocus(Qt::OtherFocusReason);
    }

    auto* row = static_cast<QHBoxLayout*>(row_->layout());
    for (auto& [mode, pill] : pills_) {
        row->removeWidget(pill);
        if (!stays(mode)) pill->hide();
    }
    for (EnergyMode mode : modes) {
        EnergyModePill*& pill = pills_[mode];
        if (!pill) {
            pill = new EnergyModePill(context(), mode, row_);
            pill->installEventFilter(this);
            connect(pill, &QAbstractButton::clicked, this, [this, mode] {
                if (actions_.setEnergyMode) actions_.setEnergyMode(mode);
            });
        }
        row->addWidget(pill, 1);
        pill->show();
    }
    shownModes_ = modes;
}

QRectF EnergyModeCard::selectedPillRect() const {
    const EnergyModePill* selected = pill(state_.current);
    if (!selected || selected->isHidden()) return {};
    return QRectF(selected->geometry());
}

QRectF EnergyModeCard::lensRect() const {
    const QRectF target = selectedPillRect();
    const double t = lensTravel_.value();
    if (t >= 1 || lensFrom_.isNull() || target.isNull()) return target;
    const auto mix = [t](double a, double b) { return a + (b - a) * t; };
    return {mix(lensFrom_.x(), target.x()), mix(lensFrom_.y(), target.y()),
            mix(lensFrom_.width(), target.width()), mix(lensFrom_.height(), target.height())};
}

void EnergyModeCard::paintRow(QPainter& painter) {
    const Appearance look = appearance();
    BriselRecessedGlassSurface::paint(painter, QRectF(row_->rect()).adjusted(0.5, 0.5, -0.5, -0.5), look,
                                      palette(), BriselGeometry::contentRadius(look.theme, 9));
    const QRectF lens = lensRect();
    if (!lens.isNull())
        BriselLiquidSelectionLens::paint(
            painter, lens, look, palette(),
            look.theme == BriselTheme::liquidGlass ? BriselGeometry::glassSegmentRadius : 7);
}

} // namespace brisel
