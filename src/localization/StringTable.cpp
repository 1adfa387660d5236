#include "localization/StringTable.h"

#include <QFile>
#include <QStringDecoder>

namespace brisel {

namespace {

class Parser {
public:
    explicit Parser(const QString& text) : text_(text) {}

    // Fills `entries` and returns no error, or stops at the first error.
    std::optional<StringTableError> run(QHash<QString, QString>& entries) {
        while (true) {
            if (auto error = skipSpaceAndComments()) return error;
            if (atEnd()) return std::nullopt;
            std::optional<QString> key;
            if (auto error = readString(key)) return error;
            if (!key) return fail(QStringLiteral("expected a quoted key"));
            if (auto error = skipSpaceAndComments()) return error;
            if (atEnd()) return fail(QStringLiteral("missing ';' after the last entry"));
            QString value;
            if (peek() == u';') {
                value = *key; // "key"; stands for "key" = "key";
            } else if (peek() == u'=') {
                advance();
                if (auto error = skipSpaceAndComments()) return error;
                std::optional<QString> read;
                if (auto error = readString(read)) return error;
                if (!read) return fail(QStringLiteral("expected a quoted value after '='"));
                value = *read;
            } else {
                return fail(QStringLiteral("expected '=' or ';' after the key"));
            }
            if (auto error = skipSpaceAndComments()) return error;
            if (atEnd() || peek() != u';') return fail(QStringLiteral("missing ';' after the value"));
            advance();
            entries.insert(*key, value); // a repeated key keeps its last value
        }
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    QChar peek(qsizetype ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_.at(pos_ + ahead) : QChar();
    }
    QChar advance() {
        const QChar c = text_.at(pos_++);
        if (c == u'\n') ++line_;
        return c;
    }
    StringTableError fail(const QString& message) const { return {line_, message}; }

    std::optional<StringTableError> skipSpaceAndComments() {
        while (!atEnd()) {
            if (peek().isSpace()) {
                advance();
            } else if (peek() == u'/' && peek(1) == u'/') {
                while (!atEnd() && peek() != u'\n')
                    advance();
            } else if (peek() == u'/' && peek(1) == u'*') {
                const int opened = line_;
                advance();
                advance();
                while (!(peek() == u'*' && peek(1) == u'/')) {
                    if (atEnd()) return StringTableError{opened, QStringLiteral("unterminated comment")};
                    advance();
                }
                advance();
                advance();
            } else {
                break;
            }
        }
        return std::nullopt;
    }

    static bool isBareChar(QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'_' || c == u'$' || c == u'/' ||
               c == u':' || c == u'.' || c == u'-';
    }

    // Reads a quoted or bare string; leaves `out` empty when none starts here.
    std::optional<StringTableError> readString(std::optional<QString>& out) {
        if (peek() != u'"' && peek() != u'\'') {
            if (!isBareChar(peek())) return std::nullopt;
            QString bare;
            while (!atEnd() && isBareChar(peek()))
                bare += advance();
            out = bare;
            return std::nullopt;
        }
        const QChar quote = advance();
        const int opened = line_;
        QString result;
        while (true) {
            if (atEnd()) return StringTableError{opened, QStringLiteral("unterminated string")};
            const QChar c = advance();
            if (c == quote) break;
            if (c != u'\\') {
                result += c;
                continue;
            }
            if (atEnd()) return StringTableError{opened, QStringLiteral("unterminated string")};
            if (auto error = readEscape(result)) return error;
        }
        out = result;
        return std::nullopt;
    }

    std::optional<StringTableError> readEscape(QString& result) {
        const QChar c = advance();
        switch (c.unicode()) {
        case 'a':
            result += QChar(0x07);
            break;
        case 'b':
            result += QChar(0x08);
            break;
        case 'f':
            result += QChar(0x0C);
            break;
        case 'n':
            result += QChar(0x0A);
            break;
        case 'r':
            result += QChar(0x0D);
            break;
        case 't':
            result += QChar(0x09);
            break;
        case 'v':
            result += QChar(0x0B);
            break;
        case 'U':
        case 'u': {
            // Up to four hex digits, one UTF-16 unit; a pair of escapes spells a surrogate pair.
            char16_t unit = 0;
            int digits = 0;
            while (digits < 4 && isHexDigit(peek())) {
                unit = char16_t(unit * 16 + hexValue(advance()));
                ++digits;
            }
            if (digits == 0) return fail(QStringLiteral("\\U escape without hex digits"));
            result += QChar(unit);
            break;
        }
        default:
            if (c >= u'0' && c <= u'7') {
                int value = c.unicode() - '0';
                for (int digits = 1; digits < 3 && peek() >= u'0' && peek() <= u'7'; ++digits)
                    value = value * 8 + (advance().unicode() - '0');
                result += QChar(char16_t(value));
            } else {
                result += c; // \" \' \\ and any other character stand for themselves
            }
        }
        return std::nullopt;
    }

    static bool isHexDigit(QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    }
    static int hexValue(QChar c) {
        if (c <= u'9') return c.unicode() - '0';
        return (c.toLower().unicode() - 'a') + 10;
    }

    const QString& text_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

} // namespace

StringTableParse StringTable::parse(QByteArrayView data) {
    StringTableParse result;
    const auto encoding = QStringConverter::encodingForData(data).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding); // drops a leading byte-order mark
    const QString text = decoder.decode(data);
    if (decoder.hasError()) {
        result.error = StringTableError{0, QStringLiteral("the text is not valid UTF-8 or UTF-16")};
        return result;
    }
    QHash<QString, QString> entries;
    result.error = Parser(text).run(entries);
    if (!result.error) result.table.entries_ = std::move(entries);
    return result;
}

StringTableParse StringTable::load(const QString& path) {
    QFile file(path);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly)) {
        StringTableParse result;
        result.error = StringTableError{0, QStringLiteral("cannot read: ") + file.errorString()};
        return result;
    }
    return parse(file.readAll());
}

std::optional<QString> StringTable::value(const QString& key) const {
    const auto it = entries_.constFind(key);
    if (it == entries_.constEnd()) return std::nullopt;
    return *it;
}

} // namespace brisel
