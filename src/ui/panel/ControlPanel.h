#pragma once

#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/ConfigFeedbackView.h"
#include "ui/panel/EnergyModeCard.h"
#include "ui/panel/KeepAwakeControlsView.h"
#include "ui/panel/StatusHeader.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace brisel {

class BriselCard;
class BriselErrorBanner;
class FocusKeeper;
class PanelFooter;
class PowerFlowCard;
class SectionCard;
class ShownSync;

// Everything the panel shows, as the model has it.
struct ControlPanelState {
    BriselTheme theme = defaultTheme;
    StatusHeaderState header;
    ConfigFeedbackState config;
    std::optional<QString> globalError; // the model's errors that no section shows
    bool persistentGlobalError = false; // one of them lasts until the model clears it
    bool mclSupported = false;
    ChargeLimitState charge;
    EnergyModeState energy;
    KeepAwakeState keepAwake;
    ActivityState activity;
    std::uint64_t globalErrorAttempt = 0; // the requests its errors came from

    bool operator==(const ControlPanelState&) const = default;
};

// One model action per control, and what the host lets the panel ask of the application.
struct ControlPanelActions {
    ChargeLimitActions charge;
    EnergyModeActions energy;
    KeepAwakeActions keepAwake; // its openAwakeSettings is the host's
    ActivityActions activity;   // its openActivityMonitor is the host's
    std::function<void()> saveConfig;
    std::function<void()> dismissError; // clears the model's last error
    std::function<void()> openSettings;
    std::function<void()> quit;
};

// Which of the optional sections show.
struct PanelSections {
    bool banner = false;
    bool bannerDismissible = false;
    bool classicDivider = false;
    bool powerFlow = false;
    bool chargeCard = false; // else the card that says there is no native limit
    bool energyCard = false;
};
PanelSections panelSections(const ControlPanelState& state);

// The menu-bar panel: one 340-wide column of the status header, the settings-file error, the
// banner of the other errors, the cards (power flow, charge limit, energy mode, keep awake,
// significant energy) and the footer. Sections are made once and shown or hidden.
class ControlPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 340;

    ControlPanel(ViewContext context, bool showsSettingsButton, bool drawsBackdrop,
                 QWidget* parent = nullptr);

    // Shows `state`, and the navigation's folds as they are now. The same state as the last one,
    // with the same folds, changes nothing, so nothing is laid out or painted again.
    void sync(const ControlPanelState& state);
    void setActions(ControlPanelActions actions);
    // The keep-awake card's fold and its details' fold, owned by the host's navigation.
    void setNavigation(BoolBinding keepAwakeExpanded, BoolBinding feedbackExpanded);
    // Reads the navigation's flags again.
    void refreshNavigation();

    StatusHeader* header() const { return header_; }
    KeepAwakeControlsView* keepAwake() const { return keepAwake_; }
    PanelFooter* footer() const { return footer_; }

protected:
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Shows the last state again, for a new language, look or palette: now while shown, else
    // before it is shown again.
    void resync();

    ViewContext context_;
    FocusKeeper* focus_;
    bool drawsBackdrop_;
    ControlPanelActions actions_;
    StatusHeader* header_;
    ConfigFeedbackView* config_;
    BriselErrorBanner* banner_;
    QWidget* classicDivider_;
    PowerFlowCard* powerFlow_;
    ChargeLimitCard* charge_;
    SectionCard* noLimit_;
    QLabel* noLimitText_;
    EnergyModeCard* energy_;
    BriselCard* keepAwakeCard_;
    KeepAwakeControlsView* keepAwake_;
    AppActivityCard* activity_;
    PanelFooter* footer_;
    // The keep-awake fold and its details' fold, as the navigation has them now.
    std::pair<bool, bool> folds() const;

    BoolBinding keepAwakeExpanded_;
    BoolBinding feedbackExpanded_;
    std::optional<ControlPanelState> shown_; // what the sections show now
    std::pair<bool, bool> shownFolds_;       // and with which folds
    Appearance styledLook_;                  // and in which look
    bool stale_ = false;                     // the language or look changed since
    ShownSync* restyle_ = nullptr;
    bool syncing_ = false;
};

} // namespace brisel
