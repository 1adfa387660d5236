#pragma once

#include "services/config/SetupEnumerations.h"
#include "ui/design/ViewContext.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace brisel {

class PanelButton;
class PanelDisclosure;
struct BoolBinding;

// What the away guard's readiness line is made from.
struct GuardState {
    bool bagGuardActive = false;
    bool keepAwake = false;
    bool pauseConfirmed = false;
    bool awayDetectionEnabled = false;
    bool batteryPresent = false;
    bool batteryInstalled = false;
    bool externalConnected = false;
    bool requireBattery = false;
    std::optional<QString> fingerprint;
    bool isAway = false;
    bool isUsual = false;
    bool protectionReady = false;
    double learningRemainingSeconds = 0;
    double waitingRemainingSeconds = 0;

    bool operator==(const GuardState&) const = default;
};

// Seconds as whole minutes, rounded up; a negative or non-finite time counts as 0 and a huge one
// stops at the largest integer.
std::int64_t minutesRoundedUp(double seconds);
// The away guard's readiness in one line (the panel's details and the settings' awake tab).
QString guardStatusText(const GuardState& guard, const Localizer& l10n);

enum class AwakeIssueAction { retry, retryStop, install, protection, retryDisplay, retrySettings, component };

// One keep-awake problem: `id` is the kind's name ("progress", "controls", "lid", "persistence",
// "protection", "display", "component").
struct AwakeIssue {
    QString id;
    QString summaryKey;
    QStringList diagnostics; // keys, or texts the localiser gives back unchanged
    std::optional<AwakeIssueAction> action;
    bool isReceipt = false;

    bool operator==(const AwakeIssue&) const = default;
};

// The model's keep-awake state the feedback reads.
struct AwakeFeedbackState {
    std::vector<AwakeIssue> issues;
    bool helperBusy = false;
    bool helperFilesPresent = false;
    bool energyModeBusy = false;
    bool taskStopBusy = false;
    bool assertionsApplying = false;
    bool awakeLidControlPending = false;
    bool canSleepDisplayNow = false;
    bool awakeStopNeedsRecovery = false;
    SetupResult taskStopOrdinary = SetupResult::idle;
    SetupResult taskStopDisplay = SetupResult::idle;
    SetupResult taskStopLid = SetupResult::idle;
    bool hasAwakeFeedbackError = false;
    std::uint64_t awakeErrorAttempt = 0; // the request that ended with it: a retry that fails is news
    bool systemAwakeApplied = false;
    bool displayAwakeApplied = false;
    bool lidAwakeApplied = false;
    bool lidStateUnconfirmed = false;
    bool keepAwakeOnLidClosed = false;
    GuardState guard;
    // Why the last install failed (a key or a message), while the model still shows it: said once
    // when a diagnostic line shows it. The model clears it as the next action starts.
    std::optional<QString> helperActionFailure;

    bool operator==(const AwakeFeedbackState&) const = default;
};

// One model action per control of the keep-awake views.
struct KeepAwakeActions {
    // Returns the model's keep-awake value after the request (a refused request leaves it).
    std::function<bool(bool)> setKeepAwakeEnabled;
    std::function<void(bool)> setKeepDisplayAwake;
    std::function<void(bool)> setKeepAwakeOnLidClosed;
    std::function<void()> sleepDisplayNow;
    std::function<void()> openDisplayTimeoutSettings;
    std::function<void()> openAwakeSettings;
    std::function<void()> installHelper;
    std::function<void()> restoreSystemDefaults;
    std::function<void()> retryAwakeFeedback;
};

// The form of the feedback: the panel's (compact, guard status shown) or the settings' (neither).
struct AwakeFeedbackForm {
    bool showsDetails = true;
    bool compact = false;
    bool exceptionsOnly = false;
    bool showsGuardStatus = true;
};

enum class AwakeRepairButton {
    install,
    retryStop,
    retry,
    protection,
    component,
    retryDisplay,
    retrySettings
};

struct AwakeFeedbackLines {
    bool hidden = false;                    // nothing at all
    std::vector<AwakeIssue> issues;         // the filtered list, in the model's order
    std::vector<AwakeRepairButton> buttons; // in the order they are shown
    QString installTitleKey;
    std::map<AwakeRepairButton, bool> enabled;
    // Details: three stop rows (label and state texts) while a stop is owed, else the summary.
    std::vector<std::pair<QString, QString>> stopRows;
    std::optional<QString> summary;
    std::optional<QString> guard;
    QStringList diagnostics;
};

AwakeFeedbackLines presentAwakeFeedback(const AwakeFeedbackState& state, const AwakeFeedbackForm& form,
                                        const Localizer& l10n);

// What keep-awake failed to do or has not confirmed yet ("awake-summary"): one line per problem,
// the repair buttons those problems ask for, and a details block with the state of each part, the
// guard's readiness and the diagnostic lines.
class AwakeFeedbackView : public QWidget {
    Q_OBJECT

public:
    AwakeFeedbackView(ViewContext context, AwakeFeedbackForm form, QWidget* parent = nullptr);

    void sync(const AwakeFeedbackState& state);
    void setActions(KeepAwakeActions actions) { actions_ = std::move(actions); }
    // The details' open state lives with the caller when a binding is given.
    void setDetailsExpansion(BoolBinding binding);
    void refreshDetails();
    PanelButton* button(AwakeRepairButton which) const { return buttons_.at(which); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void apply();
    QLabel* issueLabel(const QString& id);
    void run(AwakeRepairButton which);

    ViewContext context_;
    AwakeFeedbackForm form_;
    AwakeFeedbackState state_;
    KeepAwakeActions actions_;
    QVBoxLayout* column_;
    std::map<QString, QLabel*> issueLabels_;
    QLabel* installApproval_;
    std::map<AwakeRepairButton, PanelButton*> buttons_;
    PanelDisclosure* details_;
    std::vector<std::pair<QLabel*, QLabel*>> stopRows_;
    QLabel* summary_;
    QLabel* guard_;
    std::vector<QLabel*> diagnostics_;
};

} // namespace brisel
