// The shipped string tables: complete in every language, with the placeholders the callers fill.
#include "localization/Localizer.h"

#include <gtest/gtest.h>

#include <QDir>

#include <map>

namespace brisel {
namespace {

const QString kResources = QStringLiteral(BRISEL_RESOURCES_DIR);

StringTable loadTable(const QString& code) {
    const QString path = QDir(kResources).filePath(code + ".lproj/Localizable.strings");
    const StringTableParse parsed = StringTable::load(path);
    EXPECT_FALSE(parsed.error) << path.toStdString() << ":" << parsed.error->line << ": "
                               << parsed.error->message.toStdString();
    return parsed.table;
}

// How many arguments the callers pass; every key not listed here takes none.
const std::map<QString, int> kArguments = {
    {"action.resumeLimit", 1},
    {"awake.summary", 3},
    {"awayGuard.awayFor", 1},
    {"awayGuard.network", 1},
    {"charge.applying", 2},
    {"charge.fixedTarget", 1},
    {"charge.retrying", 2},
    {"charge.smartTarget", 1},
    {"charge.temporary", 1},
    {"charge.waitingRecovery", 2},
    {"guard.conditions", 3},
    {"guard.learning", 1},
    {"guard.waitNetwork", 1},
    {"guard.waitOffline", 1},
    {"lowBattery.warn", 1},
    {"notify.lowBattery.body", 1},
    {"onboarding.dailyLimit", 1},
    {"onboarding.limitChange", 2},
    {"onboarding.phaseLabel", 2},
    {"onboarding.smartPrediction", 1},
    {"panel.charge.applying", 2},
    {"panel.charge.retrying", 2},
    {"panel.charge.temporary", 1},
    {"panel.charge.waitingRecovery", 2},
    {"panel.smart.plan", 1},
    {"smart.learning", 1},
    {"smart.plan", 4},
    {"smart.toppingUp", 4},
    {"smart.topupOff", 1},
    {"source.powerAdapterWatts", 1},
    {"state.aboveLimit", 2},
    {"state.chargingPastLimitDetail", 1},
    {"state.chargingToFullDetail", 1},
    {"state.holding", 1},
    {"state.holdingBelow", 2},
    {"unit.hours", 1},
    {"unit.minutes", 1},
    {"unit.seconds", 1},
};

int placeholders(const QString& text) {
    return int(text.count(QStringLiteral("{n}")));
}

TEST(StringTables, EnglishHasEveryTextWithTheCallersPlaceholders) {
    const StringTable english = loadTable("en");
    ASSERT_GT(english.size(), 300);
    for (const auto& [key, count] : kArguments)
        EXPECT_TRUE(english.value(key)) << "missing " << key.toStdString();
    for (const QString& key : english.keys()) {
        const QString text = *english.value(key);
        EXPECT_FALSE(text.isEmpty()) << key.toStdString();
        const auto expected = kArguments.find(key);
        EXPECT_EQ(placeholders(text), expected == kArguments.end() ? 0 : expected->second)
            << key.toStdString();
    }
}

TEST(StringTables, EveryLanguageHasTheEnglishKeysAndPlaceholders) {
    const StringTable english = loadTable("en");
    for (const QString& code : Localizer::supported()) {
        if (code == "en") continue;
        const StringTable table = loadTable(code);
        for (const QString& key : english.keys()) {
            const auto text = table.value(key);
            if (!text) {
                ADD_FAILURE() << code.toStdString() << " lacks " << key.toStdString();
                continue;
            }
            EXPECT_FALSE(text->isEmpty()) << code.toStdString() << " " << key.toStdString();
            EXPECT_EQ(placeholders(*text), placeholders(*english.value(key)))
                << code.toStdString() << " " << key.toStdString();
        }
        for (const QString& key : table.keys())
            EXPECT_TRUE(english.value(key))
                << code.toStdString() << " has " << key.toStdString() << " not in en";
    }
}

TEST(StringTables, TheLocalizerFindsThemForTheSystemLanguage) {
    const std::pair<QStringList, QString> cases[] = {
        {{"zh-TW"}, "zh-Hant"}, {{"zh-HK"}, "zh-Hant"}, {{"zh-CN"}, "zh-Hans"},
        {{"es-419"}, "es"},     {{"fr"}, "en"},         {{"ja-JP", "en"}, "ja"},
    };
    for (const auto& [preferred, code] : cases) {
        const Localizer l10n("system", ResourceBundle(kResources), [&] { return preferred; });
        EXPECT_EQ(l10n.tr("menu.preferences"), *loadTable(code).value("menu.preferences"))
            << code.toStdString();
        EXPECT_EQ(l10n.tr("unit.minutes", 90),
                  Localizer::format(*loadTable(code).value("unit.minutes"), {90}));
    }
}

} // namespace
} // namespace brisel
