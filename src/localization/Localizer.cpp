#include "localization/Localizer.h"

#include <QDir>

#include <charconv>
#include <cmath>

namespace brisel {

namespace {

const QString kSystem = QStringLiteral("system");
const QString kEnglish = QStringLiteral("en");
const QString kPlaceholder = QStringLiteral("{n}");

template <typename F> QString shortestText(F value) {
    if (std::isnan(value)) return QStringLiteral("nan");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    // Plain decimals for everyday magnitudes, exponent form for the very large and very small.
    const F magnitude = std::fabs(value);
    const bool exponent = magnitude != 0 && (magnitude < F(1e-4) || magnitude >= F(1e16));
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                   exponent ? std::chars_format::scientific : std::chars_format::fixed)
                         .ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (!exponent && !text.contains(u'.')) text += QStringLiteral(".0");
    return text;
}

// "zh_TW.UTF-8" -> "zh-TW", "sr_RS@latin" -> "sr-RS".
QString localeTag(QString name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == u'.' || name.at(i) == u'@') {
            name.truncate(i);
            break;
        }
    }
    return name.replace(u'_', u'-');
}

bool isPlainCLocale(const QString& name) {
    return name.isEmpty() || name == u"C" || name == u"POSIX" || name.startsWith(u"C.");
}

} // namespace

FormatArgument::FormatArgument(double value) : text_(shortestText(value)) {}
FormatArgument::FormatArgument(float value) : text_(shortestText(value)) {}

Localizer::Localizer(QString language, ResourceBundle resourceBundle, LanguageSource languages,
                     QObject* parent)
    : QObject(parent), language_(std::move(language)), resourceBundle_(std::move(resourceBundle)),
      languages_(languages ? std::move(languages) : LanguageSource(&Localizer::systemPreferredLanguages)) {
    reload();
}

Localizer& Localizer::shared() {
    // Deliberately never destroyed: views may still read it while the process winds down.
    static Localizer* const instance = new Localizer(kSystem, ResourceBundle::main());
    return *instance;
}

const QStringList& Localizer::supported() {
    static const QStringList codes = {QStringLiteral("en"),      QStringLiteral("zh-Hans"),
                                      QStringLiteral("zh-Hant"), QStringLiteral("ja"),
                                      QStringLiteral("ko"),      QStringLiteral("es")};
    return codes;
}

const QString& Localizer::missingSentinel() {
    static const QString sentinel = QChar(u'\0') + QStringLiteral("__brisel_missing__");
    return sentinel;
}

void Localizer::setLanguage(QString language) {
    language_ = std::move(language);
    reload();
    emit changed();
}

void Localizer::reload() {
    const QString code = codeFor(language_, languages_());
    active_ = bundle(code, resourceBundle_).value_or(resourceBundle_);
    english_ = bundle(kEnglish, resourceBundle_).value_or(resourceBundle_);
}

QString Localizer::tr(const QString& key) const {
    return resolveValue(active_.value(key, missingSentinel()), english_.value(key, key));
}

QString Localizer::resolve(const QString& setting) {
    return codeFor(setting, systemPreferredLanguages());
}

QString Localizer::codeFor(const QString& setting, const QStringList& preferred) {
    if (setting != kSystem && supported().contains(setting)) return setting;
    return resolve(preferred, supported());
}

QString Localizer::resolve(const QStringList& systemPreferredLanguages, const QStringList& supported) {
    // Plain prefix tests, as the tags come: "es-419" is Spanish, "zh-HK" Traditional Chinese.
    for (const QString& tag : systemPreferredLanguages) {
        if (tag.startsWith(u"zh-Hant") || tag.startsWith(u"zh-TW") || tag.startsWith(u"zh-HK"))
            return QStringLiteral("zh-Hant");
        if (tag.startsWith(u"zh")) return QStringLiteral("zh-Hans");
        for (const QString& code : supported) {
            if (tag.startsWith(code)) return code;
        }
    }
    return kEnglish;
}

std::optional<ResourceBundle> Localizer::bundle(const QString& code, const ResourceBundle& in) {
    if (in.path().isEmpty()) return std::nullopt;
    return ResourceBundle::open(QDir(in.path()).filePath(code + QStringLiteral(".lproj")));
}

std::optional<ResourceBundle> Localizer::bundle(const QString& code) {
    return bundle(code, ResourceBundle::main());
}

QString Localizer::resolveValue(const QString& active, const QString& english) {
    return active == missingSentinel() ? english : active;
}

QString Localizer::format(QString text, const std::vector<FormatArgument>& args) {
    for (const FormatArgument& arg : args) {
        // Always the first "{n}" of the text so far, so a placeholder brought in by an argument
        // is the next one filled.
        const qsizetype at = text.indexOf(kPlaceholder);
        if (at < 0) break;
        text.replace(at, kPlaceholder.size(), arg.text());
    }
    return text;
}

QStringList Localizer::systemPreferredLanguages() {
    return preferredLanguagesFromLocale([](const char* name) { return qEnvironmentVariable(name); });
}

QStringList Localizer::preferredLanguagesFromLocale(const std::function<QString(const char*)>& variable) {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = variable(name);
        if (!locale.isEmpty()) break;
    }
    QStringList names;
    // Like gettext, the LANGUAGE priority list counts only when a real locale is set.
    if (!isPlainCLocale(locale)) names = variable("LANGUAGE").split(u':', Qt::SkipEmptyParts);
    names += locale;
    QStringList tags;
    for (const QString& name : names) {
        const QString tag = localeTag(name);
        if (!isPlainCLocale(tag) && !tags.contains(tag)) tags += tag;
    }
    return tags;
}

} // namespace brisel
