#include "ui/panel/PowerFlowCard.h"

#include "localization/Localizer.h"
#include "services/power/PowerFlowPresentation.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/BriselAccessibleWidget.h"
#include "ui/design/BriselColors.h"
#include "ui/design/BriselGeometry.h"
#include "ui/design/BriselRecessedGlassSurface.h"
#include "ui/design/BriselTypography.h"
#include "ui/design/Shadow.h"
#include "ui/design/SurfaceView.h"
#include "ui/design/SymbolView.h"
#include "ui/design/ThemeColor.h"
#include "ui/panel/StatusHeader.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace brisel {

namespace {

const QString emDash = QStringLiteral("\u2014");
constexpr double deadBand = 0.05;

PowerFlowPresentation::Translate translator(const Localizer& l10n) {
    return [&l10n](const std::string& key) { return l10n.tr(QString::fromStdString(key)).toStdString(); };
}

QString watts(std::optional<double> value) {
    return value ? oneDecimal(*value) + " W" : emDash;
}

std::optional<PanelTone> batteryDot(std::optional<double> battery, bool externalConnected) {
    if (!battery) return std::nullopt;
    if (*battery > deadBand) return PanelTone::emerald;
    if (*battery < -deadBand) return PanelTone::amber;
    if (externalConnected) return PanelTone::electricBlue;
    return std::nullopt;
}

// The coloured dot of a cell, with its glow under liquid glass.
class Dot : public QWidget {
public:
    Dot(ViewContext context, QWidget* parent) : QWidget(parent), context_(context) { setFixedSize(9, 9); }

    void setColor(const QColor& color) {
        if (color == color_) return;
        color_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath dot;
        dot.addEllipse(QRectF(2, 2, 5, 5));
        if (context_.currentAppearance().theme == BriselTheme::liquidGlass)
            Shadow{withOpacity(color_, 0.6), 2, 0}.paint(painter, dot);
        painter.fillPath(dot, color_);
    }

private:
    ViewContext context_;
    QColor color_;
};

} // namespace

std::array<PowerFlowCellText, 3> powerFlowCells(const PowerFlow& flow, bool externalConnected,
                                                const Localizer& l10n) {
    const std::optional<double> input = finiteReading(flow.systemPowerInWatts);
    const std::optional<double> system = finiteReading(flow.systemLoadWatts);
    const std::optional<double> battery = finiteReading(flow.batteryPowerWatts);
    namespace P = PowerFlowPresentation;
    return {
        {{l10n.tr("power.input"), watts(input), input ? watts(input) : l10n.tr("power.unavailable"),
          "powerplug", externalConnected ? std::optional(PanelTone::emerald) : std::nullopt,
          "power-flow-input"},
         {l10n.tr("power.system"), watts(system), watts(system), "cpu", std::nullopt, "power-flow-system"},
         {l10n.tr("power.battery"), QString::fromStdString(P::batteryFlowWattsText(battery)),
          QString::fromStdString(P::batteryFlowText(battery, externalConnected, translator(l10n))),
          QString::fromStdString(P::batteryFlowIcon(battery, externalConnected)),
          batteryDot(battery, externalConnected), "power-flow-battery"}}};
}

std::optional<QString> powerFlowTrailing(const PowerFlow& flow, bool externalConnected,
                                         const Localizer& l10n) {
    const auto text = PowerFlowPresentation::batteryFlowStateText(finiteReading(flow.batteryPowerWatts),
                                                                  externalConnected, translator(l10n));
    if (!text) return std::nullopt;
    return QString::fromStdString(*text);
}

// One cell: symbol and label above, the dot and the value below; one accessible element.
class PowerFlowCard::Cell : public QWidget {
public:
    Cell(ViewContext context, QWidget* parent)
        : QWidget(parent), symbol_(new SymbolView(QString(), 9.5, QFont::Medium, 11, this)),
          label_(new QLabel(this)), dot_(new Dot(context, this)), value_(new QLabel(this)) {
        setUpPanelLabel(label_, BriselTypography::systemFont(10.5, QFont::Normal), false);
        setUpPanelLabel(value_, BriselTypography::systemFont(11, QFont::Medium), false);
        auto* top = new QHBoxLayout;
        top->setSpacing(4);
        top->addWidget(symbol_);
        top->addWidget(label_, 1);
        auto* bottom = new QHBoxLayout;
        bottom->setSpacing(2);
        bottom->addWidget(dot_);
        bottom->addWidget(value_, 1);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(8, 0, 8, 0);
        column->setSpacing(2);
        column->addLayout(top);
        column->addLayout(bottom);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

    // `palette` is the card's: on a scheme switch the card recolours before its cells have their
    // new palettes.
    void show(const PowerFlowCellText& cell, const Appearance& look, const QPalette& palette) {
        setObjectName(cell.identifier);
        const QColor secondary = BriselColors::secondaryForeground(look, BriselColors::secondary(palette));
        symbol_->setName(cell.symbol);
        symbol_->setColor(secondary);
        showLabel(label_, cell.label, secondary);
        showLabel(value_, cell.value, BriselColors::primary(palette));
        dot_->setVisible(cell.dot.has_value());
        if (cell.dot) dot_->setColor(toneColor(*cell.dot, look, palette));
        setToolTipIfChanged(this, cell.accessibleValue);
        BriselAccessibleWidget::setCombined(this, cell.label, cell.accessibleValue);
    }

    QLabel* value() const { return value_; }

private:
    SymbolView* symbol_;
    QLabel* label_;
    Dot* dot_;
    QLabel* value_;
};

PowerFlowCard::PowerFlowCard(ViewContext context, QWidget* parent)
    : SectionCard(context, QString(), "bolt", parent) {
    setObjectName("power-flow");
    auto* well = new SurfaceView(
        context,
        [](QPainter& p, const QRectF& r, const Appearance& look, const QPalette& palette) {
            BriselRecessedGlassSurface::paint(p, r.adjusted(0.5, 0.5, -0.5, -0.5), look, palette,
                                              BriselGeometry::contentRadius(look.theme, 8.5));
        },
        this);
    auto* row = new QHBoxLayout(well);
    row->setContentsMargins(0, 3, 0, 3);
    row->setSpacing(0);
    for (size_t i = 0; i < cells_.size(); ++i) {
        if (i > 0) {
            auto* separator = new SurfaceView(
                context,
                [](QPainter& p, const QRectF& r, const Appearance& look, const QPalette& palette) {
                    p.fillRect(r, recessedStroke(look, palette));
                },
                well);
            separator->setFixedSize(1, 24);
            row->addWidget(separator, 0, Qt::AlignVCenter);
        }
        cells_[i] = new Cell(context, well);
        row->addWidget(cells_[i], 1);
    }
    contentLayout()->addWidget(well);
    apply();
}

void PowerFlowCard::sync(const PowerFlow& flow, bool externalConnected) {
    flow_ = flow;
    externalConnected_ = externalConnected;
    apply();
}

void PowerFlowCard::appearanceChanged() {
    SectionCard::appearanceChanged();
    apply();
}

void PowerFlowCard::changeEvent(QEvent* event) {
    SectionCard::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) apply();
}

void PowerFlowCard::apply() {
    if (!context().l10n) return;
    const Localizer& l10n = *context().l10n;
    setTitle(l10n.tr("section.powerFlow"));
    setTrailingText(powerFlowTrailing(flow_, externalConnected_, l10n));
    const auto texts = powerFlowCells(flow_, externalConnected_, l10n);
    for (size_t i = 0; i < cells_.size(); ++i)
        cells_[i]->show(texts[i], appearance(), palette());
}

} // namespace brisel
