#pragma once

// Every decision of the settings window as a pure function of its state: the options of the
// pickers, which errors a tab shows itself, the well colours, and the lines of the low-battery,
// away-guard and system-component cards. The widgets only show what these say.

#include "ui/design/DropdownOption.h"
#include "ui/design/ThemeColor.h"
#include "ui/settings/SettingsState.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace brisel {

class Localizer;

// The option that stands for a stored setting: the value, capped to the int range (only a
// hand-edited settings file holds more). Options and selection both go through it, so they match.
int optionValue(std::int64_t value);
// The distinct values of `base` and `value`, ascending.
std::vector<int> integerOptions(std::vector<int> base, std::int64_t value);

// The plan's hold limits: the offered limits within 1...100 below the top-up limit, else 70, 80
// and 90; with the current hold limit; labelled "NN%".
std::vector<DropdownOption<int>> holdLimitOptions(const std::vector<int>& availableLimits,
                                                  std::int64_t topupLimit, std::int64_t holdLimit);
std::vector<DropdownOption<int>> topupLeadOptions(std::int64_t lead, const Localizer& l10n);
std::vector<DropdownOption<int>> minSampleOptions(std::int64_t samples);
// The away delays (5 … 60 minutes), with the current value.
std::vector<DropdownOption<int>> awayMinuteOptions(std::int64_t minutes, const Localizer& l10n);
std::vector<DropdownOption<int>> networkSampleOptions(std::int64_t seconds, const Localizer& l10n);
std::vector<DropdownOption<int>> usualDwellOptions(std::int64_t seconds, const Localizer& l10n);
std::vector<DropdownOption<int>> guardIdleOptions(std::int64_t seconds, const Localizer& l10n);
std::vector<DropdownOption<int>> refreshOptions(std::int64_t seconds, const Localizer& l10n);
// Whole minutes as minutes, anything else as seconds.
QString usualDwellLabel(int seconds, const Localizer& l10n);
// The warning levels of the low-battery slider: 10 … 30 %, never the current value.
std::vector<DropdownOption<int>> warningLevelOptions();
std::vector<DropdownOption<QString>> languageOptions(const Localizer& l10n);
std::vector<DropdownOption<QString>> themeOptions(const Localizer& l10n);

// The feedback domains whose errors the tab shows in its own rows, so the banner leaves them out.
std::set<FeedbackDomain> locallyRepresentedFeedback(BriselSettingsTab tab, bool mclSupported);
// The banner for the tab: the model's errors outside its own domains.
SettingsBanner bannerFor(const SettingsState& state, BriselSettingsTab tab);

// The colours of the window's recessed wells (the tab bar, the slider wells and the plan box).
ThemeColor recessedFill(BriselTheme theme, bool dark);
ThemeColor recessedStroke(BriselTheme theme, bool dark);

// The low-battery card's explanation: none while notifications can arrive or are off, none for a
// missing permission the user has not asked for while the reminder is off, else the status key.
std::optional<QString> notificationFeedbackKey(const LowBatteryState& state, bool authorizationRequested);
// The statuses the user has to fix in the system's notification settings.
bool notificationSettingsShown(const std::optional<QString>& feedbackKey);

// The away guard's readiness line is shown while the guard is on, keep-awake holds the lid, or
// the guard is active; it warns when the guard is paused unconfirmed, or the lid is kept awake
// without a guard that is ready.
bool guardReadinessShown(const AwayGuardSettingsState& state);
bool awayProtectionNeedsAttention(const AwayGuardSettingsState& state);
// Seconds away as whole minutes: a non-finite or negative time counts as 0, a huge one is capped.
std::int64_t wholeMinutesAway(double seconds);
// "Network ab12 · away for 3 min · VPN on".
QString awayStatusLine(const AwayGuardSettingsState& state, const Localizer& l10n);
// `locale`'s short time format as Qt renders it: hours and minutes (the C locale's short style
// has seconds), and a day period Qt 6.4 cannot print (zh_TW's "B") as its AM/PM marker.
QString hoursAndMinutesFormat(const QLocale& locale);
// The last guard event with its time as hours and minutes in `locale`'s short style; none without
// the event or its date.
std::optional<QString> lastGuardEventLine(const AwayGuardSettingsState& state, const Localizer& l10n,
                                          const QLocale& locale);

struct SystemComponentLines {
    QString statusKey;
    QString installCaptionKey;
    bool installShown = false;
    bool removeShown = false;
    bool buttonsEnabled = false;
    bool problemShown = false; // the attention and the diagnostic line
};
SystemComponentLines presentSystemComponent(const SystemComponentState& state);

// Turning one entry point off while the other is off is the attempt the keep-one note explains.
bool entryConstraintAttempt(bool turnedOn, bool otherShown);
// The login item's state under its switch, unless it is simply off or on.
bool loginStatusNoteShown(const QString& status);

} // namespace brisel
