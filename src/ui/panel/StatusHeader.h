#pragma once

#include "services/power/BatteryInfo.h"
#include "ui/design/AnimatedValue.h"
#include "ui/design/ViewContext.h"
#include "ui/panel/PanelText.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;

namespace brisel {

class BriselCard;
class StatusPillBadge;
class SymbolView;

// The model's battery and charge state the header reads.
struct StatusHeaderState {
    BatteryInfo battery;
    ChargeStatus chargeStatus;
    bool chargeOverridePresented = false;
    bool chargeOverrideConfirmed = false;
    bool temporaryFullChargeActive = false;
    std::optional<int> currentLimit;
    bool limitEnabled = false;
    std::int64_t lowBatteryWarnPercent = 0;
    std::int64_t registeredTarget = 0;
    bool smartEnabled = false;
    // The machine was read at least once. Until then the battery is the model's empty guess: the
    // header states nothing of it (no badge, no power source).
    bool hardwareRead = true;

    bool operator==(const StatusHeaderState&) const = default;
};

// A one-off charge to full is in force and the battery is taking it (on the adapter, charging).
bool fullChargeRunning(const StatusHeaderState& state);
QString headerSymbol(const StatusHeaderState& state);
PanelTone stateAccentTone(const StatusHeaderState& state);
PanelTone statusBadgeTone(const StatusHeaderState& state);
QString badgeText(const StatusHeaderState& state, const Localizer& l10n);
// On adapter yes/no, then at most one line about the limit.
QString badgeHelp(const StatusHeaderState& state, const Localizer& l10n);
// Where the power comes from, and which target is in force. A machine without a battery runs on its
// adapter, whatever the missing battery entry says of it.
QString sourceSymbol(const StatusHeaderState& state);
QString sourceText(const StatusHeaderState& state, const Localizer& l10n);
QString targetText(const StatusHeaderState& state, const Localizer& l10n);
// The override banner's text while the system's charge to full is shown, else nothing.
std::optional<QString> overrideDetail(const StatusHeaderState& state, const Localizer& l10n);
// The hairline colour of the header's grid and of the power flow.
QColor recessedStroke(const Appearance& appearance, const QPalette& palette);

// The gauge's limit marker: the limit in force while it is on, in 1...99 and no full charge runs.
std::optional<int> gaugeMarkerLimit(const StatusHeaderState& state);
// The accent, but plain primary is toned down to 0.75.
QColor gaugeFillColor(PanelTone accent, const Appearance& appearance, const QPalette& palette);
// Width of the fill on a track `width` wide (never below the short pill of an empty battery).
double gaugeFillWidth(double width, int percent);
// Where the marker's centre stands: at the limit, kept 4 inside either end.
double gaugeMarkerCentre(double width, int limit);

// One figure of the telemetry grid; `value` is none where a row-2 figure is absent.
struct TelemetryFigure {
    const char* symbol;
    const char* titleKey;
    std::optional<QString> value;
};
struct TelemetryRows {
    std::array<TelemetryFigure, 2> first;                 // health and cycles, em dash when absent
    std::optional<std::array<TelemetryFigure, 2>> second; // hardware percent and temperature
};
TelemetryRows telemetryRows(const BatteryInfo& battery);

// The thin bar of the battery level with the limit marked; decoration only.
class BatteryGauge : public QWidget {
    Q_OBJECT

public:
    explicit BatteryGauge(ViewContext context, QWidget* parent = nullptr);

    void sync(int percent, std::optional<int> markerLimit, PanelTone accent);
    std::optional<int> markerLimit() const { return marker_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewContext context_;
    std::optional<int> marker_;
    PanelTone accent_ = PanelTone::primary;
    AnimatedValue fill_;
    AnimatedValue markerAt_;
    AnimatedValue markerShown_;
};

// The top of the panel: battery symbol, percentage and status pill; the power source and target;
// the gauge; the telemetry grid; and the banner while the system charges past the limit.
class StatusHeader : public QWidget {
    Q_OBJECT

public:
    explicit StatusHeader(ViewContext context, QWidget* parent = nullptr);

    void sync(const StatusHeaderState& state);
    StatusPillBadge* badge() const { return badge_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    class Cell;
    void apply();

    ViewContext context_;
    StatusHeaderState state_;
    SymbolView* icon_;
    QLabel* hero_;
    StatusPillBadge* badge_;
    SymbolView* sourceIcon_;
    QLabel* source_;
    QLabel* target_;
    BatteryGauge* gauge_;
    BriselCard* grid_;
    std::array<Cell*, 4> cells_;
    QWidget* secondRow_;
    QWidget* overrideBanner_;
    QLabel* overrideText_;
    SymbolView* overrideIcon_;
};

} // namespace brisel
