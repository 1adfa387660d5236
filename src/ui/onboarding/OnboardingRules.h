#pragma once

// The decisions of the onboarding views, apart from the widgets that show them: which page, which
// buttons, which labels, which rows. Each takes the state and returns keys or flags.

#include "ui/onboarding/OnboardingViewState.h"

#include <optional>
#include <vector>

namespace brisel::onboarding {

inline constexpr int completionStep = 5;
inline constexpr int recommendedLimit = 80;

// The record's step as the window shows it: 0...5. A step below 0 shows the habit page, one above
// 5 the completion page; the record itself is left alone.
int displayedStep(std::int64_t recordStep);
// 0 for steps 0-1, 1 for 2-3, 2 for step 4; none on the completion page (no phase header).
std::optional<int> phaseOf(int displayed);
// The symbol of chip `chip` (0...2) while `phase` is current.
QString chipSymbol(int chip, int phase);

// The wizard bar's trailing button.
enum class TrailingButton { limitRepair, preparationRepair, main };
enum class MainAction { restoreSystemDefaults, apply, next };

bool showsBack(const OnboardingState& s);
TrailingButton trailingButton(const OnboardingState& s);
QString limitRepairLabelKey(const OnboardingState& s);
QString mainLabelKey(const OnboardingState& s);
MainAction mainAction(const OnboardingState& s);
bool mainEnabled(const OnboardingState& s);
// The completion bar offers the stop retry beside "enter panel".
bool completionOffersStopRetry(const OnboardingState& s);

// A choice card's outline: the accent only when selected and not keyboard-focused (the focus ring
// marks it then).
bool choiceOutlined(bool selected, bool focused);
double choiceRadius(BriselTheme theme);

// The habit page.
enum class HabitPageKind { hardwareUnknown, cannotCharge, habits };
HabitPageKind habitPageKind(const OnboardingState& s);
struct LimitCard {
    // With a selected limit: the caption key, the limit and the explanation (key plus an optional
    // hour). Without one these stay empty.
    QString captionKey;
    std::optional<int> limit;
    QString explanationKey;
    std::optional<int> explanationHour;
    bool picker = false;
    QString pickerPromptKey;
};
LimitCard limitCard(const OnboardingState& s);
// The smart-plan line of the mobile habit: key and hour argument.
std::pair<QString, std::optional<int>> smartPlanLine(const OnboardingState& s);

// The task page's choices in arrow order, and the task an arrow chooses; none when the recorded
// task is not among the choices.
std::vector<OnboardingTask> taskOptions(bool hasLid);
std::optional<OnboardingTask> movedTask(const OnboardingState& s, bool forward);

// The helper page.
QString helperStatusKey(const OnboardingState& s);
QString installLabelKey(const OnboardingState& s);

// The continuity page.
enum class LoginButtons { enableOnly, none, enableAndSkip };
enum class SettingsOrChoice { openSettings, choose };
QString loginStatusKey(const OnboardingState& s);
LoginButtons loginButtons(const OnboardingState& s);
SettingsOrChoice loginEnableAction(const OnboardingState& s);
bool showsInstallLocation(const OnboardingState& s);
QString reminderStatusKey(const OnboardingState& s);
bool reminderTestReady(const OnboardingState& s);
SettingsOrChoice reminderAllowAction(const OnboardingState& s);
bool reminderShowsSkip(const OnboardingState& s);

// The confirmation page: which elements show.
struct ConfirmationLayout {
    bool stopCard = false, heading = false, noChanges = false, limitWarning = false, results = false,
         chargePlan = false, awakePlan = false, noChangesNote = false, networkCard = false,
         stopControl = false;
    bool operator==(const ConfirmationLayout&) const = default;
};
ConfirmationLayout confirmationLayout(const OnboardingState& s);
QString preparationHelperKey(const OnboardingState& s);

// The results card's rows, in order.
struct ResultLine {
    QString key;
    SetupResult result;
    bool operator==(const ResultLine&) const = default;
};
std::vector<ResultLine> resultLines(const OnboardingState& s);

// The completion page.
QString completionTitleKey(const OnboardingState& s);
QString firstStepKey(const OnboardingState& s);
bool completionShowsResults(const OnboardingState& s);

// The task-stop view.
bool taskStopRetryNeeded(const OnboardingState& s);
bool taskStopVisible(const OnboardingState& s, bool recoveryOnly);
QString taskStopLabelKey(const OnboardingState& s);
QString taskStopIdentifier(const OnboardingState& s, bool recoveryOnly);
bool taskStopShowsDetails(const OnboardingState& s);
QString stoppedKey(SetupResult result);
QString taskStopOrdinaryKey(const OnboardingState& s);
QString taskStopLidKey(const OnboardingState& s);
QString taskStopStatusKey(const OnboardingState& s);

} // namespace brisel::onboarding
