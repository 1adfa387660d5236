#include "ui/settings/SettingsRules.h"

#include "localization/Localizer.h"

#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brisel {

namespace {

const std::vector<int> fallbackHoldLimits{70, 80, 90};
const std::vector<int> topupLeadHours{0, 1, 2, 3, 4, 6};
const std::vector<int> minSamplesPerHour{1, 2, 3, 5, 8, 12};
const std::vector<int> awayMinutes{5, 10, 15, 20, 30, 60};
const std::vector<int> networkSampleSeconds{15, 30, 60, 120};
const std::vector<int> usualDwellSeconds{1800, 3600, 7200, 14400};
const std::vector<int> guardIdleSeconds{30, 60, 120, 300, 600};
const std::vector<int> refreshSeconds{2, 5, 10, 30, 60};
const std::vector<int> warningLevels{10, 15, 20, 25, 30};
const QString separator = QStringLiteral(" \u00B7 ");

template <typename Label>
std::vector<DropdownOption<int>> labelled(const std::vector<int>& values, const Label& label) {
    std::vector<DropdownOption<int>> options;
    for (int value : values)
        options.push_back({value, label(value)});
    return options;
}

QString percent(int value) {
    return QString::number(value) + "%";
}

} // namespace

int optionValue(std::int64_t value) {
    return int(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::vector<int> integerOptions(std::vector<int> base, std::int64_t value) {
    base.push_back(optionValue(value));
    std::sort(base.begin(), base.end());
    base.erase(std::unique(base.begin(), base.end()), base.end());
    return base;
}

std::vector<DropdownOption<int>> holdLimitOptions(const std::vector<int>& availableLimits,
                                                  std::int64_t topupLimit, std::int64_t holdLimit) {
    std::vector<int> below;
    std::copy_if(availableLimits.begin(), availableLimits.end(), std::back_inserter(below),
                 [topupLimit](int limit) { return limit >= 1 && limit <= 100 && limit < topupLimit; });
    if (below.empty()) below = fallbackHoldLimits;
    return labelled(integerOptions(below, holdLimit), percent);
}

std::vector<DropdownOption<int>> topupLeadOptions(std::int64_t lead, const Localizer& l10n) {
    return labelled(integerOptions(topupLeadHours, lead), [&l10n](int hours) {
        return hours == 0 ? l10n.tr("limit.off") : l10n.tr("unit.hours", hours);
    });
}

std::vector<DropdownOption<int>> minSampleOptions(std::int64_t samples) {
    return labelled(integerOptions(minSamplesPerHour, samples), [](int n) { return QString::number(n); });
}

std::vector<DropdownOption<int>> awayMinuteOptions(std::int64_t minutes, const Localizer& l10n) {
    return labelled(integerOptions(awayMinutes, minutes),
                    [&l10n](int n) { return l10n.tr("unit.minutes", n); });
}

std::vector<DropdownOption<int>> networkSampleOptions(std::int64_t seconds, const Localizer& l10n) {
    return labelled(integerOptions(networkSampleSeconds, seconds),
                    [&l10n](int n) { return l10n.tr("unit.seconds", n); });
}

std::vector<DropdownOption<int>> usualDwellOptions(std::int64_t seconds, const Localizer& l10n) {
    return labelled(integerOptions(usualDwellSeconds, seconds),
                    [&l10n](int n) { return usualDwellLabel(n, l10n); });
}

std::vector<DropdownOption<int>> guardIdleOptions(std::int64_t seconds, const Localizer& l10n) {
    return labelled(integerOptions(guardIdleSeconds, seconds),
                    [&l10n](int n) { return l10n.tr("unit.seconds", n); });
}

std::vector<DropdownOption<int>> refreshOptions(std::int64_t seconds, const Localizer& l10n) {
    return labelled(integerOptions(refreshSeconds, seconds),
                    [&l10n](int n) { return l10n.tr("unit.seconds", n); });
}

QString usualDwellLabel(int seconds, const Localizer& l10n) {
    const int minutes = seconds / 60;
    return minutes * 60 == seconds ? l10n.tr("unit.minutes", minutes) : l10n.tr("unit.seconds", seconds);
}

std::vector<DropdownOption<int>> warningLevelOptions() {
    return labelled(warningLevels, percent);
}

std::vector<DropdownOption<QString>> languageOptions(const Localizer& l10n) {
    const std::pair<const char*, const char*> languages[] = {{"system", "language.systemDefault"},
                                                             {"en", "language.en"},
                                                             {"zh-Hans", "language.zhHans"},
                                                             {"zh-Hant", "language.zhHant"},
                                                             {"ja", "language.ja"},
                                                             {"ko", "language.ko"},
                                                             {"es", "language.es"}};
    std::vector<DropdownOption<QString>> options;
    for (const auto& [code, key] : languages)
        options.push_back({code, l10n.tr(key)});
    return options;
}

std::vector<DropdownOption<QString>> themeOptions(const Localizer& l10n) {
    std::vector<DropdownOption<QString>> options;
    for (BriselTheme theme : allBriselThemes)
        options.push_back(
            {QString::fromUtf8(toString(theme)), l10n.tr(QString::fromUtf8(localizationKey(theme)))});
    return options;
}

std::set<FeedbackDomain> locallyRepresentedFeedback(BriselSettingsTab tab, bool mclSupported) {
    switch (tab) {
    case BriselSettingsTab::charging:
        if (mclSupported) return {FeedbackDomain::charging};
        return {};
    case BriselSettingsTab::awake:
        return {FeedbackDomain::awake};
    case BriselSettingsTab::general:
        break;
    }
    return {};
}

SettingsBanner bannerFor(const SettingsState& state, BriselSettingsTab tab) {
    const auto found = state.banners.find(locallyRepresentedFeedback(tab, state.charge.mclSupported));
    return found == state.banners.end() ? SettingsBanner{} : found->second;
}

ThemeColor recessedFill(BriselTheme theme, bool dark) {
    if (theme == BriselTheme::classic) return ThemeColor::primary(dark ? 0.055 : 0.038);
    return ThemeColor::black(dark ? 0.15 : 0.035);
}

ThemeColor recessedStroke(BriselTheme theme, bool dark) {
    if (theme == BriselTheme::classic) return ThemeColor::primary(dark ? 0.095 : 0.065);
    return dark ? ThemeColor::white(0.1) : ThemeColor::black(0.065);
}

std::optional<QString> notificationFeedbackKey(const LowBatteryState& state, bool authorizationRequested) {
    const QString& status = state.notificationStatus;
    if (status == "notification.ready" || status == "notification.disabled") return std::nullopt;
    const bool permissionMissing = status == "notification.unknown" || status == "notification.denied" ||
                                   status == "notification.alertsOff";
    if (permissionMissing && state.reminder == ReminderIntent::disabled && !authorizationRequested)
        return std::nullopt;
    return status;
}

bool notificationSettingsShown(const std::optional<QString>& feedbackKey) {
    return feedbackKey == "notification.denied" || feedbackKey == "notification.alertsOff";
}

bool guardReadinessShown(const AwayGuardSettingsState& s) {
    return s.guard.awayDetectionEnabled || (s.guard.keepAwake && s.keepAwakeOnLidClosed) ||
           s.guard.bagGuardActive;
}

bool awayProtectionNeedsAttention(const AwayGuardSettingsState& s) {
    if (s.guard.bagGuardActive && s.guard.keepAwake && !s.guard.pauseConfirmed) return true;
    if (!(s.guard.keepAwake && s.keepAwakeOnLidClosed)) return false;
    return !s.guard.awayDetectionEnabled || !s.guard.protectionReady;
}

std::int64_t wholeMinutesAway(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    const double minutes = seconds / 60;
    // 2^63 itself does not fit; anything from there on is the largest value.
    if (minutes >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    return std::int64_t(minutes);
}

QString awayStatusLine(const AwayGuardSettingsState& s, const Localizer& l10n) {
    QStringList parts;
    parts << (s.guard.fingerprint ? l10n.tr("awayGuard.network", *s.guard.fingerprint)
                                  : l10n.tr("awayGuard.offline"));
    if (s.guard.isAway)
        parts << l10n.tr("awayGuard.awayFor", wholeMinutesAway(s.awayForSeconds));
    else if (s.guard.isUsual)
        parts << l10n.tr("awayGuard.usual");
    if (s.vpnActive) parts << l10n.tr("awayGuard.vpn");
    return parts.join(separator);
}

QString hoursAndMinutesFormat(const QLocale& locale) {
    // Quoted text, seconds with their separator, a day period, or any other single character.
    static const QRegularExpression part(QStringLiteral("'[^']*'?|[:.]?s+|[bB]+|."));
    QString format;
    for (const QRegularExpressionMatch& match : part.globalMatch(locale.timeFormat(QLocale::ShortFormat))) {
        const QString text = match.captured();
        if (text.startsWith('\''))
            format += text;
        else if (text.endsWith('s'))
            continue;
        else if (text.startsWith('b') || text.startsWith('B'))
            format += QStringLiteral("AP");
        else
            format += text;
    }
    return format.trimmed();
}

std::optional<QString> lastGuardEventLine(const AwayGuardSettingsState& s, const Localizer& l10n,
                                          const QLocale& locale) {
    if (!s.lastGuardEvent || !s.lastGuardEventDate) return std::nullopt;
    return l10n.tr(*s.lastGuardEvent) + separator +
           locale.toString(s.lastGuardEventDate->toLocalTime().time(), hoursAndMinutesFormat(locale));
}

SystemComponentLines presentSystemComponent(const SystemComponentState& s) {
    SystemComponentLines lines;
    lines.statusKey = s.helperInstalled      ? "helper.installed"
                      : s.helperFilesPresent ? "helper.unavailable"
                                             : "helper.notInstalled";
    lines.installCaptionKey = s.helperBusy           ? "helper.installing"
                              : s.helperFilesPresent ? "helper.repair"
                                                     : "helper.install";
    lines.installShown = !s.helperInstalled;
    lines.removeShown = s.helperFilesPresent;
    lines.buttonsEnabled = !s.helperBusy && !s.energyModeBusy;
    lines.problemShown = s.helperStatus.has_value() && !s.awakeRepresentsHelperStatus;
    return lines;
}

bool entryConstraintAttempt(bool turnedOn, bool otherShown) {
    return !turnedOn && !otherShown;
}

bool loginStatusNoteShown(const QString& status) {
    return status != "login.off" && status != "login.enabled";
}

} // namespace brisel
