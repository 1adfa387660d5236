#pragma once

// The three pages of the settings window. Each is made once with the window and re-synced in place
// from the window's state; a disclosure or a note keeps its flag in the window's SettingsWindowFlags,
// so it keeps its state for as long as the window lives.

#include "ui/design/BriselDropdownRow.h"
#include "ui/settings/SettingsState.h"

#include <QWidget>

class QAbstractButton;
class QLabel;
class QMessageBox;
class QProgressBar;
class QVBoxLayout;

namespace brisel {

class BriselDetentSlider;
class BriselToggleRow;
class PanelButton;
class PanelCheckBox;
class PanelDisclosure;
class SectionCard;
class SmartPlanView;
class SurfaceView;
class SymbolView;
class ConfigActionButton;
struct BoolBinding;

// The window's own state, shared by its pages.
struct SettingsWindowFlags {
    bool showingSmartHelp = false;
    bool showingSmartAdvanced = false;
    bool showingAwayDetails = false;
    bool showingAwayAdvanced = false;
    bool showingComponentManagement = false;
    bool showingGeneralAdvanced = false;
    bool entryConstraintAttempted = false;
    bool notificationAuthorizationRequested = false;
    double reloadSpinDegrees = 0;
};

// What every page is given by its window. The pointers outlive the pages.
struct SettingsPageContext {
    ViewContext view;
    ActiveDropdown* dropdowns;
    SettingsWindowFlags* flags;
    const SettingsActions* actions;
};

// A page: its widgets made once, `sync` shows a state, `apply` shows the last one again (after a
// flag or the language changed).
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit SettingsPage(SettingsPageContext context, QWidget* parent = nullptr);

    void sync(const SettingsState& state);
    virtual void apply() = 0;
    // The window's actions were replaced.
    virtual void actionsChanged() {}

protected:
    const Localizer& l10n() const;
    // A flag of the window as a disclosure's binding.
    BoolBinding flag(bool SettingsWindowFlags::*member);
    // A wrapping note in microMeta, drawn in the secondary colour by showNote.
    QLabel* note(const QString& objectName, QWidget* parent = nullptr);
    void showNote(QLabel* label, const QString& text, bool visible = true);
    // A disclosure whose title is in controlLabel and whose state is the window's flag.
    PanelDisclosure* disclosure(const QString& objectName, bool SettingsWindowFlags::*member);
    template <typename T>
    BriselDropdownRow<T>* dropdown(const QString& id, std::optional<int> minPillWidth = {}) {
        auto* row = new BriselDropdownRow<T>(context_.view, id, context_.dropdowns);
        row->setMinimumPillWidth(minPillWidth);
        return row;
    }

    SettingsPageContext context_;
    SettingsState state_;
};

// Charging: the charge-limit card (or its notice without a native limit) and the low-battery card.
class ChargingSettingsPage : public SettingsPage {
    Q_OBJECT

public:
    explicit ChargingSettingsPage(SettingsPageContext context, QWidget* parent = nullptr);
    void apply() override;

private:
    void applyChargeCard();
    void applyLowBattery();
    void toggleReminder(bool on);

    SectionCard* chargeCard_;
    QWidget* chargeControls_;
    QLabel* noNativeLimit_;
    ChargeFeedbackView* feedback_;
    BriselDetentSlider* limitSlider_;
    BriselToggleRow* smart_;
    SmartPlanView* plan_;
    SurfaceView* planBox_;
    BriselDropdownRow<int>* holdLimit_;
    BriselDropdownRow<int>* topupLead_;
    PanelDisclosure* smartAdvanced_;
    BriselDropdownRow<int>* minSamples_;
    PanelDisclosure* smartHelp_;
    std::array<QLabel*, 3> smartHelpTexts_;
    SectionCard* lowBatteryCard_;
    BriselDetentSlider* warnSlider_;
    PanelCheckBox* reminder_;
    PanelButton* test_;
    QLabel* notificationFeedback_;
    PanelButton* notificationSettings_;
};

// Awake: the keep-awake controls, the away guard and the system component.
class AwakeSettingsPage : public SettingsPage {
    Q_OBJECT

public:
    explicit AwakeSettingsPage(SettingsPageContext context, QWidget* parent = nullptr);
    void apply() override;
    void actionsChanged() override;
    QMessageBox* removeConfirmation() const { return confirmation_; }

private:
    void applyGuard();
    void applyComponent();
    void confirmRemoval();

    KeepAwakeControlsView* keepAwake_;
    BriselToggleRow* guardSwitch_;
    QLabel* readiness_;
    QWidget* guardOptions_;
    BriselDropdownRow<int>* awayAfter_;
    BriselDropdownRow<int>* offlineAwayAfter_;
    BriselToggleRow* requireBattery_;
    PanelDisclosure* details_;
    QLabel* detailsDescription_;
    QLabel* conditions_;
    QLabel* statusLine_;
    QLabel* lastEvent_;
    PanelDisclosure* advanced_;
    BriselDropdownRow<int>* networkSample_;
    BriselDropdownRow<int>* usualDwell_;
    BriselDropdownRow<int>* guardIdle_;
    QAbstractButton* header_;
    SymbolView* chevron_;
    QLabel* componentTitle_;
    QLabel* componentStatus_;
    QProgressBar* componentBusy_;
    QLabel* componentManage_;
    QWidget* attentionRow_;
    SymbolView* attentionSymbol_;
    QLabel* attention_;
    QWidget* componentContent_;
    QLabel* diagnostic_;
    QLabel* explain_;
    QLabel* approval_;
    PanelButton* install_;
    PanelButton* remove_;
    QMessageBox* confirmation_ = nullptr;
    QAbstractButton* confirmRemove_ = nullptr;
    QAbstractButton* cancelRemove_ = nullptr;
};

// General: the rows of the one settings card.
class GeneralSettingsPage : public SettingsPage {
    Q_OBJECT

public:
    explicit GeneralSettingsPage(SettingsPageContext context, QWidget* parent = nullptr);
    void apply() override;

private:
    void setEntryPoint(bool menuBar, bool shown);

    SectionCard* card_;
    PanelButton* onboarding_;
    BriselToggleRow* iconOnly_;
    BriselToggleRow* menuBarIcon_;
    BriselToggleRow* dockIcon_;
    QLabel* restartNote_;
    QLabel* keepOneNote_;
    BriselToggleRow* launchAtLogin_;
    QLabel* loginStatus_;
    BriselDropdownRow<QString>* language_;
    BriselDropdownRow<QString>* theme_;
    PanelDisclosure* advanced_;
    BriselDropdownRow<int>* refresh_;
    ConfigActionButton* open_;
    ConfigActionButton* reload_;
};

} // namespace brisel
