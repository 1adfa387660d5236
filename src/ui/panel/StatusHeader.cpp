#include "ui/panel/StatusHeader.h"

#include "localization/Localizer.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselCard.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselOpticalSurface.h"
#include "ui/design/BriselRecessedGlassSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Shadow.h"
#include "ui/design/StatusPillBadge.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolView.h"
#include "ui/design/ThemeColor.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace brisel {

namespace {

constexpr double trackHeight = 8.5;
constexpr double markerInset = 4;
const QString emDash = QStringLiteral("\u2014");

bool onAdapter(const StatusHeaderState& s) {
    return s.battery.externalConnected;
}

bool drawsFromAdapter(const StatusHeaderState& s) {
    return onAdapter(s) || !s.battery.present || !s.battery.installed;
}

bool holding(const StatusHeaderState& s) {
    return s.chargeStatus.kind == ChargeStatus::Kind::holding;
}

// A battery level as the string tables expect it; unlike a limit, 0 is "0%", never "Off".
QString level(int percent) {
    return QString::number(percent) + "%";
}

QPainterPath capsule(const QRectF& r) {
    const double radius = std::min(r.width(), r.height()) / 2;
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A hairline of the header's grid: `recessedStroke` across its whole rectangle.
SurfaceView* hairline(ViewContext context, QWidget* parent) {
    return new SurfaceView(
        context,
        [](QPainter& p, const QRectF& r, const Appearance& look, const QPalette& palette) {
            p.fillRect(r, recessedStroke(look, palette));
        },
        parent);
}

} // namespace

// ---- rules -----------------------------------------------------------------------------------------

bool fullChargeRunning(const StatusHeaderState& s) {
    return s.temporaryFullChargeActive && onAdapter(s) && s.battery.isCharging;
}

QString headerSymbol(const StatusHeaderState& s) {
    if (!s.hardwareRead) return "battery.0";
    if (!s.battery.present || !s.battery.installed) return "desktopcomputer";
    if (!s.battery.percent) return "battery.0";
    if (onAdapter(s)) {
        if (s.chargeOverridePresented || (s.temporaryFullChargeActive && s.battery.isCharging))
            return "battery.100.bolt";
        if (holding(s)) return "bolt.badge.clock.fill";
        if (s.chargeStatus.kind == ChargeStatus::Kind::charging) return "battery.100.bolt";
        return "powerplug.fill";
    }
    const int percent = *s.battery.percent;
    if (percent > 74) return "battery.100";
    if (percent > 49) return "battery.75";
    if (percent > 24) return "battery.50";
    return "battery.25";
}

PanelTone stateAccentTone(const StatusHeaderState& s) {
    using Kind = ChargeStatus::Kind;
    if (s.chargeOverridePresented) return PanelTone::amber;
    if (fullChargeRunning(s)) return PanelTone::emerald;
    if (onAdapter(s)) {
        if (holding(s)) return PanelTone::electricBlue;
        const Kind kind = s.chargeStatus.kind;
        return kind == Kind::charging || kind == Kind::charged ? PanelTone::emerald : PanelTone::secondary;
    }
    if (!s.battery.percent) return PanelTone::secondary;
    if (*s.battery.percent <= s.lowBatteryWarnPercent) return PanelTone::crimson;
    if (*s.battery.percent <= 20) return PanelTone::amber;
    return PanelTone::primary;
}

PanelTone statusBadgeTone(const StatusHeaderState& s) {
    using Kind = ChargeStatus::Kind;
    if (s.chargeOverridePresented) return PanelTone::amber;
    if (fullChargeRunning(s)) return PanelTone::emerald;
    switch (s.chargeStatus.kind) {
    case Kind::holding:
        return PanelTone::electricBlue;
    case Kind::charging:
    case Kind::charged:
        return PanelTone::emerald;
    case Kind::discharging:
        return s.battery.percent && *s.battery.percent <= s.lowBatteryWarnPercent ? PanelTone::crimson
                                                                                  : PanelTone::amber;
    case Kind::noBattery:
    case Kind::notCharging:
    case Kind::onBattery:
        break;
    }
    return PanelTone::secondary;
}

QString badgeText(const StatusHeaderState& s, const Localizer& l10n) {
    using Kind = ChargeStatus::Kind;
    if (fullChargeRunning(s)) return l10n.tr("state.chargingToFull");
    if (s.chargeOverridePresented)
        return l10n.tr(s.chargeOverrideConfirmed ? "state.chargingToFull" : "state.chargingPastLimit");
    switch (s.chargeStatus.kind) {
    case Kind::holding:
        return l10n.tr("state.holding", percentText(l10n, s.chargeStatus.limit));
    case Kind::noBattery:
        return l10n.tr("state.noBattery");
    case Kind::charging:
        return l10n.tr("state.charging");
    case Kind::charged:
        return l10n.tr("state.charged");
    case Kind::notCharging:
        return l10n.tr("state.notCharging");
    case Kind::discharging:
        return l10n.tr("state.discharging");
    case Kind::onBattery:
        break;
    }
    return l10n.tr("state.onBattery");
}

QString badgeHelp(const StatusHeaderState& s, const Localizer& l10n) {
    QString help = l10n.tr("label.onAC") + ": " + l10n.tr(onAdapter(s) ? "label.yes" : "label.no");
    const std::optional<int> percent = s.battery.percent;
    if (holding(s) && percent && *percent < s.chargeStatus.limit)
        help +=
            "\n" + l10n.tr("state.holdingBelow", percentText(l10n, s.chargeStatus.limit), level(*percent));
    else if (s.currentLimit && s.limitEnabled && percent && *percent > *s.currentLimit)
        help += "\n" + l10n.tr("state.aboveLimit", level(*percent), percentText(l10n, *s.currentLimit));
    return help;
}

QString sourceSymbol(const StatusHeaderState& s) {
    return drawsFromAdapter(s) ? "powerplug.fill" : "battery.100";
}

QString sourceText(const StatusHeaderState& s, const Localizer& l10n) {
    if (!drawsFromAdapter(s)) return l10n.tr("source.battery");
    const std::optional<PowerFlow>& flow = s.battery.powerFlow;
    if (flow && flow->adapterWatts && *flow->adapterWatts >= 1)
        return l10n.tr("source.powerAdapterWatts", *flow->adapterWatts);
    return l10n.tr("source.powerAdapter");
}

QString targetText(const StatusHeaderState& s, const Localizer& l10n) {
    if (s.registeredTarget == 0) return l10n.tr("limit.off");
    return l10n.tr(s.smartEnabled ? "charge.smartTarget" : "charge.fixedTarget",
                   percentText(l10n, s.registeredTarget));
}

std::optional<QString> overrideDetail(const StatusHeaderState& s, const Localizer& l10n) {
    if (!s.chargeOverridePresented) return std::nullopt;
    return l10n.tr(s.chargeOverrideConfirmed ? "state.chargingToFullDetail" : "state.chargingPastLimitDetail",
                   percentText(l10n, s.currentLimit.value_or(100)));
}

QColor recessedStroke(const Appearance& look, const QPalette& palette) {
    if (look.theme == BriselTheme::liquidGlass)
        return look.dark ? withOpacity(Qt::white, 0.1) : withOpacity(Qt::black, 0.065);
    return BriselColors::primary(palette, look.dark ? 0.095 : 0.065);
}

std::optional<int> gaugeMarkerLimit(const StatusHeaderState& s) {
    if (s.temporaryFullChargeActive || !s.limitEnabled || !s.currentLimit) return std::nullopt;
    if (*s.currentLimit < 1 || *s.currentLimit > 99) return std::nullopt;
    return s.currentLimit;
}

QColor gaugeFillColor(PanelTone accent, const Appearance& appearance, const QPalette& palette) {
    if (accent == PanelTone::primary) return BriselColors::primary(palette, 0.75);
    return toneColor(accent, appearance, palette);
}

double gaugeFillWidth(double width, int percent) {
    return std::max(width * std::clamp(percent, 0, 100) / 100.0, trackHeight);
}

double gaugeMarkerCentre(double width, int limit) {
    return std::max(std::min(width * limit / 100.0, width - markerInset), markerInset);
}

TelemetryRows telemetryRows(const BatteryInfo& battery) {
    const auto percent = [](std::optional<double> v) -> std::optional<QString> {
        if (!(v = finiteReading(v))) return std::nullopt;
        return oneDecimal(*v) + "%";
    };
    TelemetryRows rows{{{{"heart", "label.health", percent(battery.healthPercent()).value_or(emDash)},
                         {"arrow.triangle.2.circlepath", "label.cycles",
                          battery.cycleCount ? QString::number(*battery.cycleCount) : emDash}}},
                       std::nullopt};
    const std::optional<QString> hardware = percent(battery.hardwarePercent);
    std::optional<QString> temperature;
    if (const auto celsius = finiteReading(battery.temperatureCelsius))
        temperature = oneDecimal(*celsius) + QString::fromUtf8(" °C");
    if (hardware || temperature)
        rows.second = {{{"gauge", "label.hardwarePercent", hardware},
                        {"thermometer.medium", "label.temperature", temperature}}};
    return rows;
}

// ---- gauge -----------------------------------------------------------------------------------------

BatteryGauge::BatteryGauge(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), fill_(
                                              0, [this](double) { update(); }, this),
      markerAt_(
          0, [this](double) { update(); }, this),
      markerShown_(
          0, [this](double) { update(); }, this) {
    setFixedHeight(12);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    context_.observe(this, [this] { update(); });
}

void BatteryGauge::sync(int percent, std::optional<int> markerLimit, PanelTone accent) {
    // Changes slide while the gauge is on screen; a hidden gauge takes them at once.
    const bool instant = context_.currentAppearance().reduceMotion || !isVisible();
    fill_.moveTo(std::clamp(percent, 0, 100), {0.35, 0.82}, instant);
    if (markerLimit) {
        if (marker_)
            markerAt_.moveTo(*markerLimit, {0.3, 0.78}, instant);
        else
            markerAt_.reset(*markerLimit);
    }
    markerShown_.moveTo(markerLimit ? 1 : 0, {0.28, 0.8}, instant);
    marker_ = markerLimit;
    accent_ = accent;
    update();
}

void BatteryGauge::paintEvent(QPaintEvent*) {
    const Appearance look = context_.currentAppearance();
    const bool glassLight = look.theme == BriselTheme::liquidGlass && !look.dark;
    const double w = width();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, (height() - trackHeight) / 2, w, trackHeight);
    BriselRecessedGlassSurface::paint(painter, track, look, palette(),
                                      BriselRecessedGlassSurface::defaultCornerRadius, true);

    const QColor color = gaugeFillColor(accent_, look, palette());
    const QRectF fill(0, track.top(), std::max(w * fill_.value() / 100.0, trackHeight), trackHeight);
    const QPainterPath fillShape = capsule(fill);
    if (glassLight) Shadow{withOpacity(color, 0.32), 3.5, 1}.paint(painter, fillShape);
    QLinearGradient body(fill.topLeft(), fill.topRight());
    body.setColorAt(0, glassLight ? withOpacity(color, 0.78) : color);
    body.setColorAt(1, glassLight ? withOpacity(color, 0.95) : color);
    painter.fillPath(fillShape, body);
    if (glassLight) {
        QLinearGradient sheen(fill.topLeft(), fill.bottomLeft());
        sheen.setColorAt(0, withOpacity(Qt::white, 0.46));
        sheen.setColorAt(0.5, withOpacity(Qt::white, 0.08));
        sheen.setColorAt(1, Qt::transparent);
        painter.fillPath(fillShape, sheen);
        painter.strokePath(fillShape, QPen(withOpacity(Qt::white, 0.36), 0.5));
    }

    const double shown = markerShown_.value();
    if (shown <= 0) return;
    const double x = gaugeMarkerCentre(w, int(std::lround(markerAt_.value())));
    painter.setOpacity(shown);
    painter.translate(x, height() / 2.0);
    painter.scale(shown, shown);
    const QPainterPath marker = capsule(QRectF(-1.5, -6, 3, 12));
    painter.fillPath(marker, BriselColors::primary(palette()));
    painter.strokePath(marker, QPen(palette().color(QPalette::Window), 0.75));
}

// ---- telemetry cell --------------------------------------------------------------------------------

// One figure: symbol, wrapping title, and the value at its natural width.
class StatusHeader::Cell : public QWidget {
public:
    Cell(const QString& objectName, QWidget* parent)
        : QWidget(parent), symbol_(new SymbolView(QString(), 10, QFont::Medium, 12, this)),
          title_(new QLabel(this)), value_(new QLabel(this)) {
        setObjectName(objectName);
        setUpPanelLabel(title_, BriselTypography::microMeta(), true);
        setUpPanelLabel(value_, BriselTypography::controlValue(), false);
        value_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(7, 4, 7, 3);
        row->setSpacing(4);
        row->addWidget(symbol_);
        row->addWidget(title_, 1);
        row->addSpacing(4);
        row->addWidget(value_);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setRetainSizeWhenHidden(true);
        setSizePolicy(policy);
    }

    // `accessible`: the cell is one element named by its title with the value as its value.
    // `palette` is the header's: on a scheme switch the header recolours before its cells have
    // their new palettes.
    void show(const TelemetryFigure& figure, const Localizer& l10n, const Appearance& look,
              const QPalette& palette, bool accessible) {
        const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette));
        symbol_->setName(figure.symbol);
        symbol_->setColor(secondary);
        showLabel(title_, l10n.tr(figure.titleKey), secondary);
        showLabel(value_, figure.value.value_or(QString()), BriselColors::primary(palette));
        if (accessible) BriselAccessibleWidget::setCombined(this, title_->text(), value_->text());
        setVisible(figure.value.has_value());
    }

    QLabel* value() const { return value_; }

private:
    SymbolView* symbol_;
    QLabel* title_;
    QLabel* value_;
};

// ---- header ----------------------------------------------------------------------------------------

StatusHeader::StatusHeader(ViewContext context, QWidget* parent)
    : QWidget(parent), context_(context), icon_(new SymbolView("battery.0", 20, QFont::Medium, 24, this)),
      hero_(new QLabel(this)), badge_(new StatusPillBadge(context, QString(), Qt::gray, std::nullopt, this)),
      sourceIcon_(new SymbolView("battery.100", 10, QFont::Medium, 12, this)), source_(new QLabel(this)),
      target_(new QLabel(this)), gauge_(new BatteryGauge(context, this)),
      grid_(new BriselCard(context, this)), secondRow_(new QWidget(grid_)),
      overrideBanner_(new SurfaceView(
          context,
          [](QPainter& p, const QRectF& r, const Appearance& look, const QPalette&) {
              const QColor amber = toneColor(PanelTone::amber, look, {});
              QPainterPath shape;
              shape.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
              p.setRenderHint(QPainter::Antialiasing);
              if (!look.glass()) return p.fillPath(shape, withOpacity(amber, 0.1));
              p.fillPath(shape, BriselOpticalSurface::ultraThinMaterial(look.dark));
              p.fillPath(shape, withOpacity(amber, 0.12));
              p.strokePath(shape, QPen(withOpacity(amber, 0.32), 0.75));
          },
          this)),
      overrideText_(new QLabel(overrideBanner_)),
      overrideIcon_(new SymbolView("battery.100.bolt", 10, QFont::Normal, 11, overrideBanner_)) {
    hero_->setObjectName("hero-percent");
    badge_->setObjectName("status-badge");
    source_->setObjectName("power-source-summary");
    target_->setObjectName("charge-policy-summary");
    gauge_->setObjectName("battery-gauge");
    // The hero percentage and the badge say what the gauge shows.
    BriselAccessibleWidget::setHidden(gauge_);
    grid_->setObjectName("battery-telemetry");
    overrideBanner_->setObjectName("charge-override-banner");
    hero_->setFont(BriselTypography::heroMetric());
    hero_->setTextFormat(Qt::PlainText);
    setUpPanelLabel(source_, BriselTypography::microMeta(), false);
    setUpPanelLabel(target_, BriselTypography::microMeta(), false);
    target_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setUpPanelLabel(overrideText_, BriselTypography::microMeta(), true);

    auto* status = new QHBoxLayout;
    status->setSpacing(7);
    status->addWidget(icon_);
    status->addWidget(hero_, 0);
    status->addStretch(1);
    status->addWidget(badge_, 0, Qt::AlignVCenter);
    auto* policy = new QHBoxLayout;
    policy->setSpacing(5);
    policy->addWidget(sourceIcon_);
    policy->addWidget(source_, 1);
    policy->addStretch(); // keeps the target at the end while the source is hidden
    policy->addWidget(target_);

    const QStringList names = {"telemetry-health", "telemetry-cycles", "telemetry-hardware-percent",
                               "telemetry-temperature"};
    for (int i = 0; i < 4; ++i)
        cells_[i] = new Cell(names[i], i < 2 ? static_cast<QWidget*>(grid_) : secondRow_);
    const auto row = [&](Cell* leading, Cell* trailing) {
        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        line->addWidget(leading, 1);
        SurfaceView* divider = hairline(context, leading->parentWidget());
        divider->setFixedSize(1, 16);
        line->addWidget(divider, 0, Qt::AlignVCenter);
        line->addWidget(trailing, 1);
        return line;
    };
    auto* second = new QVBoxLayout(secondRow_);
    second->setContentsMargins(0, 0, 0, 0);
    second->setSpacing(0);
    SurfaceView* across = hairline(context, secondRow_);
    across->setFixedHeight(1);
    second->addWidget(across);
    second->addLayout(row(cells_[2], cells_[3]));
    auto* gridColumn = new QVBoxLayout(grid_);
    gridColumn->setContentsMargins(0, 0, 0, 0);
    gridColumn->setSpacing(0);
    gridColumn->addLayout(row(cells_[0], cells_[1]));
    gridColumn->addWidget(secondRow_);

    auto* banner = new QHBoxLayout(overrideBanner_);
    banner->setContentsMargins(8, 5, 8, 5);
    banner->setSpacing(6);
    banner->addWidget(overrideIcon_, 0, Qt::AlignTop);
    banner->addWidget(overrideText_, 1);

    // The grid's card keeps room for its shadow around it, so the other rows are inset by that room
    // and all stand at the card's edge.
    const QMargins room = BriselCard::shadowMargins();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    for (QLayout* line : std::initializer_list<QLayout*>{status, policy}) {
        line->setContentsMargins(room.left(), 0, room.right(), 0);
        column->addLayout(line);
    }
    for (QWidget* line : std::initializer_list<QWidget*>{gauge_, grid_, overrideBanner_}) {
        auto* inset = new QHBoxLayout;
        if (line != grid_) inset->setContentsMargins(room.left(), 0, room.right(), 0);
        inset->addWidget(line);
        column->addLayout(inset);
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    context_.observe(this, [this] { apply(); });
    apply();
}

void StatusHeader::sync(const StatusHeaderState& state) {
    state_ = state;
    apply();
}

void StatusHeader::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void StatusHeader::apply() {
    if (!context_.l10n) return;
    const Localizer& l10n = *context_.l10n;
    const Appearance look = context_.currentAppearance();
    const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette()));
    const std::optional<int> percent = state_.battery.percent;
    const PanelTone accent = stateAccentTone(state_);

    icon_->setName(headerSymbol(state_));
    icon_->setColor(toneColor(accent, look, palette()));
    showLabel(hero_, percent ? QString::number(*percent) + "%" : emDash, BriselColors::primary(palette()));
    badge_->setText(badgeText(state_, l10n));
    badge_->setColor(toneColor(statusBadgeTone(state_), look, palette()));
    badge_->setTheme(look.theme);
    setToolTipIfChanged(badge_, badgeHelp(state_, l10n));
    badge_->setVisible(state_.hardwareRead);

    sourceIcon_->setName(sourceSymbol(state_));
    sourceIcon_->setColor(secondary);
    showLabel(source_, sourceText(state_, l10n), secondary);
    sourceIcon_->setVisible(state_.hardwareRead);
    source_->setVisible(state_.hardwareRead);
    showLabel(target_, targetText(state_, l10n), BriselColors::primary(palette()));

    gauge_->setVisible(percent.has_value());
    if (percent) gauge_->sync(*percent, gaugeMarkerLimit(state_), accent);

    const TelemetryRows rows = telemetryRows(state_.battery);
    cells_[0]->show(rows.first[0], l10n, look, palette(), false);
    cells_[1]->show(rows.first[1], l10n, look, palette(), false);
    if (rows.second) {
        cells_[2]->show((*rows.second)[0], l10n, look, palette(), true);
        cells_[3]->show((*rows.second)[1], l10n, look, palette(), true);
    }
    secondRow_->setVisible(rows.second.has_value());
    setToolTipIfChanged(grid_, l10n.tr("telemetry.explain"));

    const std::optional<QString> detail = overrideDetail(state_, l10n);
    const QColor amber = toneColor(PanelTone::amber, look, palette());
    overrideIcon_->setColor(amber);
    showLabel(overrideText_, detail.value_or(QString()), amber);
    BriselAccessibleWidget::setCombined(overrideBanner_, detail.value_or(QString()),
                                        detail.value_or(QString()));
    overrideBanner_->setVisible(detail.has_value());
}

} // namespace brisel
