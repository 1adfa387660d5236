#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace brisel {

// Where a string table stopped making sense: the 1-based line (0 for the file as a whole) and
// what was wrong there.
struct StringTableError {
    int line = 0;
    QString message;

    bool operator==(const StringTableError&) const = default;
};

struct StringTableParse;

// One localised-strings table: "key" = "value"; entries with C-style escapes, /* */ and //
// comments, and the shortcut "key"; meaning the value is the key itself.
//
// A format error (a missing semicolon included, also after the last entry) rejects the whole
// table, as the platform's own reader does: the caller then gets an empty table and the error,
// so a broken translation falls back to English as a whole instead of showing a half-read mix.
class StringTable {
public:
    StringTable() = default;

    // Text in UTF-8 (with or without a byte-order mark) or UTF-16 with a byte-order mark.
    static StringTableParse parse(QByteArrayView data);
    // A missing file is an empty table without an error; an unreadable one is an error.
    static StringTableParse load(const QString& path);

    std::optional<QString> value(const QString& key) const;
    QStringList keys() const { return entries_.keys(); }
    qsizetype size() const { return entries_.size(); }
    bool isEmpty() const { return entries_.isEmpty(); }

private:
    QHash<QString, QString> entries_;
};

struct StringTableParse {
    StringTable table;
    std::optional<StringTableError> error;
};

} // namespace brisel
