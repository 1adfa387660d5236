#pragma once

#include "localization/StringTable.h"

#include <QString>

#include <optional>

namespace brisel {

// A folder of application resources and its default string table ("Localizable.strings" in the
// folder itself). The application's resources folder holds one "<code>.lproj" bundle per language.
class ResourceBundle {
public:
    static const QString& defaultTableName();

    // A bundle at `path` whether or not the folder exists; a missing folder simply has no strings.
    explicit ResourceBundle(QString path = {});

    // None when `path` is not a readable folder.
    static std::optional<ResourceBundle> open(const QString& path);

    // The "resources" folder next to the running program, where the build puts the string tables.
    static ResourceBundle main();

    const QString& path() const { return path_; }
    const StringTable& table() const { return table_; }

    // The text for `key` in the default table, or `fallback` when the table lacks the key.
    QString value(const QString& key, const QString& fallback) const;

    bool operator==(const ResourceBundle& other) const { return path_ == other.path_; }

private:
    QString path_;
    StringTable table_;
};

} // namespace brisel
