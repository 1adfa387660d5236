#include "UiTestSupport.h"

#include "ui/settings/SettingsRules.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace brisel {
namespace {

template <typename T> std::vector<T> valuesOf(const std::vector<DropdownOption<T>>& options) {
    std::vector<T> values;
    for (const auto& option : options)
        values.push_back(option.value);
    return values;
}

template <typename T> QStringList labelsOf(const std::vector<DropdownOption<T>>& options) {
    QStringList labels;
    for (const auto& option : options)
        labels << option.label;
    return labels;
}

TEST(SettingsRules, PickerOptionsHoldTheCurrentValueOnceInOrder) {
    const auto l10n = test::repositoryLocalizer("en");
    const Localizer& t = *l10n;
    EXPECT_EQ(integerOptions({30, 10}, 20), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(integerOptions({5, 10}, 10), (std::vector<int>{5, 10}));
    const struct Row {
        const char* name;
        std::vector<DropdownOption<int>> options;
        std::vector<int> values;
        QString first;
        QString last;
    } rows[] = {
        {"hold below a full top-up",
         holdLimitOptions({80, 85, 90, 95, 100}, 100, 80),
         {80, 85, 90, 95},
         "80%",
         "95%"},
        {"nothing below the top-up", holdLimitOptions({80, 90}, 80, 80), {70, 80, 90}, "70%", "90%"},
        {"an odd hold limit", holdLimitOptions({80, 90}, 80, 75), {70, 75, 80, 90}, "70%", "90%"},
        {"hold limits the hardware cannot hold", holdLimitOptions({0, 85, 101}, 200, 85), {85}, "85%", "85%"},
        {"lead 5", topupLeadOptions(5, t), {0, 1, 2, 3, 4, 5, 6}, t.tr("limit.off"), t.tr("unit.hours", 6)},
        {"samples 4", minSampleOptions(4), {1, 2, 3, 4, 5, 8, 12}, "1", "12"},
        {"away after 45", awayMinuteOptions(45, t), {5, 10, 15, 20, 30, 45, 60}, "5 min", "60 min"},
        {"refresh 15", refreshOptions(15, t), {2, 5, 10, 15, 30, 60}, "2 s", "60 s"},
        {"network sample", networkSampleOptions(30, t), {15, 30, 60, 120}, "15 s", "120 s"},
        {"usual dwell 5430",
         usualDwellOptions(5430, t),
         {1800, 3600, 5430, 7200, 14400},
         "30 min",
         "240 min"},
        {"guard idle beyond int",
         guardIdleOptions(std::int64_t(1) << 40, t),
         {30, 60, 120, 300, 600, std::numeric_limits<int>::max()},
         "30 s",
         t.tr("unit.seconds", 2147483647)},
        {"warning levels", warningLevelOptions(), {10, 15, 20, 25, 30}, "10%", "30%"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(valuesOf(r.options), r.values) << r.name;
        EXPECT_EQ(labelsOf(r.options).front(), r.first) << r.name;
        EXPECT_EQ(labelsOf(r.options).back(), r.last) << r.name;
    }
    EXPECT_EQ(usualDwellLabel(5400, t), t.tr("unit.minutes", 90));
    EXPECT_EQ(usualDwellLabel(5430, t), t.tr("unit.seconds", 5430));
    EXPECT_EQ(valuesOf(languageOptions(t)),
              (std::vector<QString>{"system", "en", "zh-Hans", "zh-Hant", "ja", "ko", "es"}));
    EXPECT_EQ(labelsOf(themeOptions(t)), (QStringList{t.tr("theme.liquidGlass"), t.tr("theme.classic")}));
}

TEST(SettingsRules, EachTabLeavesItsOwnErrorsOutOfTheBanner) {
    using D = FeedbackDomain;
    using Tab = BriselSettingsTab;
    EXPECT_EQ(locallyRepresentedFeedback(Tab::charging, true), std::set<D>{D::charging});
    EXPECT_EQ(locallyRepresentedFeedback(Tab::charging, false), std::set<D>{});
    EXPECT_EQ(locallyRepresentedFeedback(Tab::awake, false), std::set<D>{D::awake});
    EXPECT_EQ(locallyRepresentedFeedback(Tab::general, true), std::set<D>{});

    SettingsState state;
    state.banners = {
        {{}, {QString("Charging failed"), true}}, {{D::charging}, {}}, {{D::awake}, {QString("x"), false}}};
    state.charge.mclSupported = false;
    EXPECT_EQ(bannerFor(state, Tab::charging).text, "Charging failed");
    state.charge.mclSupported = true;
    EXPECT_EQ(bannerFor(state, Tab::charging).text, std::nullopt);
    EXPECT_FALSE(bannerFor(state, Tab::awake).persistent);
}

TEST(SettingsRules, WellColoursByThemeAndScheme) {
    const struct Row {
        BriselTheme theme;
        bool dark;
        ThemeColor fill;
        ThemeColor stroke;
    } rows[] = {
        {BriselTheme::liquidGlass, true, ThemeColor::black(0.15), ThemeColor::white(0.1)},
        {BriselTheme::liquidGlass, false, ThemeColor::black(0.035), ThemeColor::black(0.065)},
        {BriselTheme::classic, true, ThemeColor::primary(0.055), ThemeColor::primary(0.095)},
        {BriselTheme::classic, false, ThemeColor::primary(0.038), ThemeColor::primary(0.065)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(recessedFill(r.theme, r.dark), r.fill) << int(r.theme) << r.dark;
        EXPECT_EQ(recessedStroke(r.theme, r.dark), r.stroke) << int(r.theme) << r.dark;
    }
}

TEST(SettingsRules, NotificationFeedback) {
    using R = ReminderIntent;
    const struct Row {
        const char* status;
        std::optional<R> reminder;
        bool requested;
        std::optional<QString> key;
        bool settingsButton;
    } rows[] = {
        {"notification.ready", R::enabled, true, std::nullopt, false},
        {"notification.disabled", R::enabled, true, std::nullopt, false},
        {"notification.denied", R::disabled, false, std::nullopt, false},
        {"notification.denied", R::disabled, true, "notification.denied", true},
        {"notification.alertsOff", R::enabled, false, "notification.alertsOff", true},
        {"notification.unknown", R::enabled, false, "notification.unknown", false},
        {"notification.unknown", R::undecided, false, "notification.unknown", false},
        {"notification.unknown", std::nullopt, true, "notification.unknown", false},
        {"notification.testSent", R::disabled, false, "notification.testSent", false},
    };
    for (const Row& r : rows) {
        const std::optional<QString> key =
            notificationFeedbackKey({10, r.reminder, false, r.status}, r.requested);
        EXPECT_EQ(key, r.key) << r.status << " " << r.requested;
        EXPECT_EQ(notificationSettingsShown(key), r.settingsButton) << r.status;
    }
}

TEST(SettingsRules, AwayGuardReadinessAndAttention) {
    const auto state = [](bool active, bool keepAwake, bool confirmed, bool lid, bool guardOn, bool ready) {
        AwayGuardSettingsState s;
        s.guard.bagGuardActive = active;
        s.guard.keepAwake = keepAwake;
        s.guard.pauseConfirmed = confirmed;
        s.keepAwakeOnLidClosed = lid;
        s.guard.awayDetectionEnabled = guardOn;
        s.guard.protectionReady = ready;
        return s;
    };
    const struct Row {
        const char* name;
        AwayGuardSettingsState state;
        bool shown;
        bool attention;
    } rows[] = {
        {"all off", state(false, false, false, false, false, false), false, false},
        {"lid without a guard", state(false, true, false, true, false, false), true, true},
        {"paused, not confirmed", state(true, true, false, false, false, true), true, true},
        {"paused and confirmed, no lid", state(true, true, true, false, true, true), true, false},
        {"lid with a ready guard", state(false, true, false, true, true, true), true, false},
        {"lid with a guard not ready", state(false, true, false, true, true, false), true, true},
        {"guard on, keep-awake off", state(false, false, false, true, true, false), true, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(guardReadinessShown(r.state), r.shown) << r.name;
        EXPECT_EQ(awayProtectionNeedsAttention(r.state), r.attention) << r.name;
    }
}

TEST(SettingsRules, AwayStatusAndLastEventLines) {
    const auto l10n = test::repositoryLocalizer("en");
    const Localizer& t = *l10n;
    const QString dot = QStringLiteral(" \u00B7 ");
    const auto line = [&](std::optional<QString> fingerprint, bool away, double seconds, bool usual,
                          bool vpn) {
        AwayGuardSettingsState s;
        s.guard.fingerprint = fingerprint;
        s.guard.isAway = away;
        s.awayForSeconds = seconds;
        s.guard.isUsual = usual;
        s.vpnActive = vpn;
        return awayStatusLine(s, t);
    };
    EXPECT_EQ(line(std::nullopt, false, 0, false, false), t.tr("awayGuard.offline"));
    EXPECT_EQ(line("a41f", true, 119, true, true), t.tr("awayGuard.network", "a41f") + dot +
                                                       t.tr("awayGuard.awayFor", 1) + dot +
                                                       t.tr("awayGuard.vpn"));
    EXPECT_EQ(line("a41f", false, 0, true, false),
              t.tr("awayGuard.network", "a41f") + dot + t.tr("awayGuard.usual"));
    const std::pair<double, std::int64_t> minutes[] = {{119, 1},
                                                       {std::nan(""), 0},
                                                       {-60, 0},
                                                       {INFINITY, 0},
                                                       {1e300, std::numeric_limits<std::int64_t>::max()}};
    for (const auto& [seconds, whole] : minutes)
        EXPECT_EQ(wholeMinutesAway(seconds), whole) << seconds;

    // The time is hours and minutes in every locale; the C locale's short style has seconds.
    AwayGuardSettingsState s;
    s.lastGuardEvent = QString("guard.eventLid");
    EXPECT_EQ(lastGuardEventLine(s, t, QLocale::c()), std::nullopt);
    s.lastGuardEventDate = QDateTime(QDate(2024, 5, 3), QTime(14, 5, 30));
    const std::pair<QLocale, QString> times[] = {
        {QLocale::c(), "14:05"},
        {QLocale(QLocale::German, QLocale::Germany), "14:05"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "2:05 PM"},
        {QLocale(QLocale::Chinese, QLocale::Taiwan), "下午2:05"}}; // its short style is "Bh:mm"
    for (const auto& [locale, time] : times)
        EXPECT_EQ(lastGuardEventLine(s, t, locale), t.tr("guard.eventLid") + dot + time)
            << locale.name().toStdString();
    s.lastGuardEvent.reset();
    EXPECT_EQ(lastGuardEventLine(s, t, QLocale::c()), std::nullopt);

    // In every locale Qt knows: hours and minutes, and no letter Qt would print as text.
    const QRegularExpression quotedOrMarker("'[^']*'?|[aA][pP]?"), hoursOrMinutes("[hHm]");
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        QString fields = hoursAndMinutesFormat(locale).remove(quotedOrMarker);
        EXPECT_TRUE(fields.contains('m') && fields.contains(QRegularExpression("[hH]")) &&
                    !fields.remove(hoursOrMinutes).contains(QRegularExpression("[A-Za-z]")))
            << locale.name().toStdString() << ": " << hoursAndMinutesFormat(locale).toStdString();
    }
}

TEST(SettingsRules, SystemComponentStates) {
    const struct Row {
        SystemComponentState state;
        const char* status;
        const char* install;
        bool installShown, removeShown, enabled, problem;
    } rows[] = {
        {{false, false, false, false, {}, false},
         "helper.notInstalled",
         "helper.install",
         true,
         false,
         true,
         false},
        {{false, true, false, false, {}, false},
         "helper.unavailable",
         "helper.repair",
         true,
         true,
         true,
         false},
        {{true, true, false, false, {}, false},
         "helper.installed",
         "helper.repair",
         false,
         true,
         true,
         false},
        {{true, false, false, false, {}, false},
         "helper.installed",
         "helper.install",
         false,
         false,
         true,
         false},
        {{false, true, true, false, {}, false},
         "helper.unavailable",
         "helper.installing",
         true,
         true,
         false,
         false},
        {{false, false, false, true, QString("helper.startFailed"), false},
         "helper.notInstalled",
         "helper.install",
         true,
         false,
         false,
         true},
        {{false, false, false, false, QString("helper.startFailed"), true},
         "helper.notInstalled",
         "helper.install",
         true,
         false,
         true,
         false},
    };
    for (const Row& r : rows) {
        const SystemComponentLines lines = presentSystemComponent(r.state);
        EXPECT_EQ(lines.statusKey, r.status) << r.status << " " << r.install;
        EXPECT_EQ(lines.installCaptionKey, r.install) << r.status;
        EXPECT_EQ(lines.installShown, r.installShown) << r.status << " " << r.install;
        EXPECT_EQ(lines.removeShown, r.removeShown) << r.status << " " << r.install;
        EXPECT_EQ(lines.buttonsEnabled, r.enabled) << r.status << " " << r.install;
        EXPECT_EQ(lines.problemShown, r.problem) << r.status << " " << r.install;
    }
}

} // namespace
} // namespace brisel
