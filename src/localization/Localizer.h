#pragma once

#include "localization/ResourceBundle.h"

#include <QChar>
#include <QObject>
#include <QString>
#include <QStringList>

#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace brisel {

// One value for a "{n}" placeholder: whole numbers in decimal, floating-point numbers in the
// shortest form that reads back the same and always with a fractional part (2.5, 3.0), texts as
// they are.
class FormatArgument {
public:
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, wchar_t> &&
             !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>)
        FormatArgument(T value) {
        if constexpr (std::is_signed_v<T>)
            text_ = QString::number(static_cast<qlonglong>(value));
        else
            text_ = QString::number(static_cast<qulonglong>(value));
    }
    FormatArgument(double value);
    FormatArgument(float value);
    FormatArgument(bool value) : text_(value ? QStringLiteral("true") : QStringLiteral("false")) {}
    FormatArgument(const QString& text) : text_(text) {}
    FormatArgument(const char* text) : text_(QString::fromUtf8(text)) {}
    FormatArgument(std::string_view text) : text_(QString::fromUtf8(text.data(), qsizetype(text.size()))) {}
    FormatArgument(const std::string& text) : FormatArgument(std::string_view(text)) {}
    FormatArgument(QChar c) : text_(c) {}
    // Any other pointer would otherwise quietly become the bool "true".
    template <typename T>
    requires(!std::same_as<std::remove_cv_t<T>, char>) FormatArgument(T*)
    = delete;

    const QString& text() const { return text_; }

private:
    QString text_;
};

// Q_OBJECT would declare a static tr(const char*, ...) that wins over tr(const QString&) for
// every string literal and quietly returns the key; this class's tr is the lookup, so the
// generated one is left out.
#pragma push_macro("QT_TR_FUNCTIONS")
#undef QT_TR_FUNCTIONS
#define QT_TR_FUNCTIONS

// Turns localisation keys into text in the language the user chose. The texts live in
// "<code>.lproj/Localizable.strings" inside the resources folder; a key missing in the chosen
// language falls back to English and then to the key itself.
class Localizer : public QObject {
    Q_OBJECT

public:
    // The user's preferred language tags, most preferred first (for example "zh-TW", "en-GB").
    using LanguageSource = std::function<QStringList()>;

    // `language` is "system" or a language code; `languages` defaults to the locale's list.
    Localizer(QString language, ResourceBundle resourceBundle, LanguageSource languages = {},
              QObject* parent = nullptr);

    // The one instance the application shares, on the resources next to the program.
    static Localizer& shared();

    static const QStringList& supported();
    static const QString& missingSentinel();

    const QString& language() const { return language_; }
    // Reloads the tables and emits changed() on every call, also when the value is the same.
    void setLanguage(QString language);

    const ResourceBundle& active() const { return active_; }
    const ResourceBundle& english() const { return english_; }
    const ResourceBundle& resourceBundle() const { return resourceBundle_; }

    QString tr(const QString& key) const;
    template <typename... Args>
    requires(sizeof...(Args) > 0) QString tr(const QString& key, const Args&... args)
    const { return format(tr(key), {FormatArgument(args)...}); }

    // The code a language setting stands for, with the system's preferred languages.
    static QString resolve(const QString& setting);
    // The supported code chosen for an ordered list of preferred language tags; "en" when none fits.
    static QString resolve(const QStringList& systemPreferredLanguages, const QStringList& supported);
    // The "<code>.lproj" bundle inside `in`, or none when there is no such readable folder.
    static std::optional<ResourceBundle> bundle(const QString& code, const ResourceBundle& in);
    static std::optional<ResourceBundle> bundle(const QString& code);
    // The fallback rule on a lookup in the active table (missingSentinel when absent) and in English.
    static QString resolveValue(const QString& active, const QString& english);
    // Fills each "{n}", first to last, with the next argument; surplus arguments are dropped and
    // placeholders left without an argument stay as they are.
    static QString format(QString text, const std::vector<FormatArgument>& args);

    // The locale's preferred languages, in the order the C library honours the variables
    // (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG), as tags: "zh_TW.UTF-8" becomes "zh-TW".
    static QStringList systemPreferredLanguages();
    static QStringList preferredLanguagesFromLocale(const std::function<QString(const char*)>& variable);

signals:
    void changed();

private:
    static QString codeFor(const QString& setting, const QStringList& preferred);
    void reload();

    QString language_;
    ResourceBundle active_;
    ResourceBundle english_;
    ResourceBundle resourceBundle_;
    LanguageSource languages_;
};

#pragma pop_macro("QT_TR_FUNCTIONS")

} // namespace brisel
