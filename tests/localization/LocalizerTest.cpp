#include "localization/Localizer.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdint>
#include <limits>
#include <map>

namespace brisel {
namespace {

using test::writeFile;

// ---- language resolution -------------------------------------------------------------------

struct ResolveCase {
    QString setting;
    QStringList preferred;
    QString expected;
};

class LocalizerResolve : public test::TestEnvironment {};

TEST_F(LocalizerResolve, PicksTheCodeForASettingAndThePreferredLanguages) {
    const QString resources = QString::fromStdString((root() / "resources").string());
    for (const QString& code : Localizer::supported())
        QDir().mkpath(resources + "/" + code + ".lproj");
    const ResolveCase cases[] = {
        {"system", {"zh-HK", "en-US"}, "zh-Hant"},
        {"system", {"zh-TW"}, "zh-Hant"},
        {"system", {"zh-Hant-TW"}, "zh-Hant"},
        {"system", {"zh-CN"}, "zh-Hans"},
        {"system", {"zh-Hans-CN"}, "zh-Hans"},
        {"system", {"zh"}, "zh-Hans"},
        {"system", {"es-419"}, "es"},
        {"system", {"en-GB"}, "en"},
        {"system", {"fr"}, "en"},
        {"system", {"fr-FR", "de-DE"}, "en"},
        {"system", {"de-DE", "ko-KR", "ja"}, "ko"},
        {"system", {}, "en"},
        {"system", {"ZH-tw"}, "en"}, // the tests are case-sensitive
        {"ja", {"zh-TW"}, "ja"},     // a supported code is used as it is
        {"zh-Hant", {}, "zh-Hant"},
        {"fr", {"ja-JP"}, "ja"}, // an unsupported setting means "system"
        {"", {"ko"}, "ko"},
        {"EN", {"es"}, "es"},
    };
    for (const ResolveCase& c : cases) {
        const Localizer l10n(c.setting, ResourceBundle(resources), [&] { return c.preferred; });
        EXPECT_TRUE(l10n.active().path().endsWith("/" + c.expected + ".lproj"))
            << c.setting.toStdString() << " [" << c.preferred.join(',').toStdString() << "] gave "
            << l10n.active().path().toStdString();
    }
    EXPECT_EQ(Localizer::resolve({"es-419"}, {"en", "es"}), "es");
    EXPECT_EQ(Localizer::resolve({"fr"}, {"fr", "en"}), "fr");
}

TEST(LocalizerLocale, ReadsThePreferredLanguagesFromTheLocale) {
    using Env = std::map<std::string, QString>;
    const std::pair<Env, QStringList> cases[] = {
        {{{"LANG", "zh_TW.UTF-8"}}, {"zh-TW"}},
        {{{"LANG", "sr_RS@latin"}}, {"sr-RS"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "ja:en_GB:ja"}}, {"ja", "en-GB", "de-DE"}},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "es_MX.UTF-8"}}, {"es-MX"}},
        {{{"LC_MESSAGES", "es_MX.UTF-8"}, {"LC_ALL", "ko_KR.UTF-8"}}, {"ko-KR"}},
        {{{"LANG", ""}, {"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP"}}, {"ja-JP"}},
        // gettext ignores LANGUAGE under the C locale, and so do we
        {{{"LANGUAGE", "ja"}}, {}},
        {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja"}}, {}},
        {{{"LANG", "POSIX"}}, {}},
        {{}, {}},
    };
    for (const auto& [env, expected] : cases) {
        const auto lookup = [&](const char* name) {
            const auto it = env.find(name);
            return it == env.end() ? QString() : it->second;
        };
        EXPECT_EQ(Localizer::preferredLanguagesFromLocale(lookup), expected)
            << expected.join(',').toStdString();
    }
}

// ---- tables, fallbacks and change notification ---------------------------------------------

class LocalizerTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        resources_ = QString::fromStdString((root() / "resources").string());
        table("en.lproj", "\"only.en\" = \"English only\";\n"
                          "\"shared\" = \"Shared\";\n"
                          "\"empty\" = \"Not empty\";\n");
        table("zh-Hant.lproj", "\"shared\" = \"共用\";\n\"empty\" = \"\";\n");
        // ja has no folder: lookups go through the resources folder's own table.
        table("", "\"root\" = \"From the folder itself\";\n");
        table("ko.lproj", "\"shared\" = \"broken\"\n"); // missing semicolon: the whole table is ignored
    }

    void table(const QString& folder, const QByteArray& text) {
        writeFile((QDir(resources_).filePath(folder) + "/Localizable.strings").toStdString(),
                  text.toStdString());
    }

    Localizer make(const QString& language, QStringList preferred = {}) {
        return Localizer(language, ResourceBundle(resources_), [preferred] { return preferred; });
    }

    QString resources_;
};

TEST_F(LocalizerTest, FallsBackToEnglishThenToTheKey) {
    struct Case {
        QString language;
        QString key;
        QString expected;
    };
    const Case cases[] = {
        {"zh-Hant", "shared", "共用"},     {"zh-Hant", "only.en", "English only"},
        {"zh-Hant", "nowhere", "nowhere"}, {"zh-Hant", "empty", ""}, // an empty translation stays empty
        {"en", "empty", "Not empty"},      {"ja", "root", "From the folder itself"},
        {"ja", "shared", "Shared"},        {"ja", "nowhere", "nowhere"},
        {"ko", "shared", "Shared"}, // the broken table counts as absent
    };
    for (const Case& c : cases) {
        Localizer l10n = make(c.language);
        EXPECT_EQ(l10n.tr(c.key), c.expected) << c.language.toStdString() << " " << c.key.toStdString();
    }
}

TEST_F(LocalizerTest, OpensTheBundleOfTheResolvedLanguage) {
    Localizer l10n = make("system", {"zh-HK", "en-US"});
    EXPECT_TRUE(l10n.active().path().endsWith("/zh-Hant.lproj"));
    EXPECT_TRUE(l10n.english().path().endsWith("/en.lproj"));
    EXPECT_EQ(l10n.tr("shared"), "共用");

    l10n.setLanguage("ja");
    EXPECT_EQ(l10n.active(), l10n.resourceBundle()) << "no ja folder: the resources folder itself";

    EXPECT_FALSE(Localizer::bundle("ja", l10n.resourceBundle()));
    EXPECT_TRUE(Localizer::bundle("en", l10n.resourceBundle()));
    writeFile((resources_ + "/fr.lproj").toStdString(), "not a folder");
    EXPECT_FALSE(Localizer::bundle("fr", l10n.resourceBundle()));
}

TEST_F(LocalizerTest, EveryAssignmentReloadsAndNotifies) {
    QStringList preferred = {"en-US"};
    Localizer l10n("system", ResourceBundle(resources_), [&] { return preferred; });
    int changes = 0;
    QObject::connect(&l10n, &Localizer::changed, [&] { ++changes; });

    EXPECT_EQ(l10n.tr("shared"), "Shared");
    preferred = {"zh-TW"};
    EXPECT_EQ(l10n.tr("shared"), "Shared") << "a system change waits for the next assignment";
    l10n.setLanguage("system");
    EXPECT_EQ(l10n.tr("shared"), "共用");
    l10n.setLanguage("system");
    EXPECT_EQ(changes, 2) << "the same value again still notifies";
    EXPECT_EQ(l10n.language(), "system");
}

TEST_F(LocalizerTest, LiteralKeysReachTheLookupAndArgumentsFillIt) {
    table("en.lproj", "\"count\" = \"{n} of {n}\";\n");
    Localizer l10n = make("en");
    // A string literal must not end up in QObject's translation function, which returns it as is.
    EXPECT_EQ(l10n.tr("count"), "{n} of {n}");
    EXPECT_EQ(l10n.tr("count", 5, 2.5), "5 of 2.5");
    EXPECT_EQ(l10n.tr("missing.key", 1), "missing.key");
}

// ---- placeholder filling --------------------------------------------------------------------

TEST(LocalizerFormat, FillsPlaceholdersInOrder) {
    struct Case {
        QString text;
        std::vector<FormatArgument> args;
        QString expected;
    };
    const Case cases[] = {
        {"{n} of {n}", {5, 2.5}, "5 of 2.5"},
        {"{n}", {5, 2.5}, "5"}, // surplus arguments are dropped
        {"no placeholders", {5}, "no placeholders"},
        {"{n} and {n}", {1}, "1 and {n}"},      // missing arguments leave the placeholder
        {"{n}-{n}", {"a{n}b", "X"}, "aXb-{n}"}, // an argument's own {n} is filled next
        {"{n}{n}", {QString(), "x"}, "x"},
        {"{n}", {3.0}, "3.0"},
        {"{n}", {0.1}, "0.1"},
        {"{n}", {1.0 / 3.0}, "0.3333333333333333"},
        {"{n}", {100000.0}, "100000.0"},
        {"{n}", {1e16}, "1e+16"},
        {"{n}", {0.00001}, "1e-05"},
        {"{n}", {0.1f}, "0.1"},
        {"{n}", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
        {"{n}", {std::numeric_limits<std::uint64_t>::max()}, "18446744073709551615"},
        {"{n}", {true}, "true"},
        {"{n} {n}", {std::string("std"), QString::fromUtf8("保持")}, QString::fromUtf8("std 保持")},
        {"{n}%", {80}, "80%"},
        {"{ n} {N} {n", {1}, "{ n} {N} {n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Localizer::format(c.text, c.args), c.expected) << c.text.toStdString();
}

} // namespace
} // namespace brisel
