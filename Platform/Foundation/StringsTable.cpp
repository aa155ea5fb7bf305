#include "Platform/Foundation/StringsTable.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <utility>

#include "Platform/Foundation/FileContents.h"
#include "Platform/Log/LogChannel.h"

namespace quorvel::platform {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void appendUtf8(std::string& out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacementCharacter;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

char32_t combineSurrogates(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

std::string utf16ToUtf8(const std::uint8_t* bytes, std::size_t size, bool bigEndian) {
    std::string out;
    out.reserve(size);
    const std::size_t units = size / 2;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const std::uint8_t first = bytes[2 * i];
        const std::uint8_t second = bytes[2 * i + 1];
        return bigEndian ? (char32_t{first} << 8) | second : (char32_t{second} << 8) | first;
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(unitAt(i + 1))) {
            appendUtf8(out, combineSurrogates(unit, unitAt(i + 1)));
            ++i;
        } else {
            appendUtf8(out, unit);  // A lone surrogate becomes U+FFFD.
        }
    }
    return out;
}

// The file's text as UTF-8, without a byte-order mark.
std::string decodeText(const Data& bytes) {
    const std::size_t size = bytes.size();
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return utf16ToUtf8(bytes.data() + 2, size - 2, false);
    }
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return utf16ToUtf8(bytes.data() + 2, size - 2, true);
    }
    std::size_t start = 0;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    return std::string(reinterpret_cast<const char*>(bytes.data()) + start, size - start);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isUnquotedCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-' || c == '/' || c == ':';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::map<std::string, std::string, std::less<>> run() {
        std::map<std::string, std::string, std::less<>> entries;
        for (;;) {
            skipSpaceAndComments();
            if (atEnd()) break;
            const std::size_t start = position_;
            if (auto entry = readEntry()) {
                entries.insert_or_assign(std::move(entry->first), std::move(entry->second));
            } else {
                if (malformedEntries_++ == 0) firstMalformedLine_ = lineAt(start);
                recoverFrom(start);
            }
        }
        return entries;
    }

    // Entries skipped because they break the format, and the line (from 1) of the first.
    std::size_t malformedEntries() const { return malformedEntries_; }
    std::size_t firstMalformedLine() const { return firstMalformedLine_; }

private:
    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return text_[position_]; }

    void skipSpaceAndComments() {
        while (!atEnd()) {
            if (isSpace(peek())) {
                ++position_;
            } else if (text_.substr(position_, 2) == "//") {
                const auto end = text_.find('\n', position_);
                position_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(position_, 2) == "/*") {
                const auto end = text_.find("*/", position_ + 2);
                position_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else {
                return;
            }
        }
    }

    std::optional<std::pair<std::string, std::string>> readEntry() {
        auto key = readToken();
        if (!key) return std::nullopt;
        skipSpaceAndComments();
        if (atEnd()) return std::nullopt;
        if (peek() == ';') {
            ++position_;
            std::string value = *key;
            return std::pair{std::move(*key), std::move(value)};
        }
        if (peek() != '=') return std::nullopt;
        ++position_;
        skipSpaceAndComments();
        auto value = readToken();
        if (!value) return std::nullopt;
        skipSpaceAndComments();
        if (atEnd() || peek() != ';') return std::nullopt;
        ++position_;
        return std::pair{std::move(*key), std::move(*value)};
    }

    std::optional<std::string> readToken() {
        if (atEnd()) return std::nullopt;
        if (peek() == '"') return readQuoted();
        const std::size_t start = position_;
        while (!atEnd() && isUnquotedCharacter(peek())) ++position_;
        if (position_ == start) return std::nullopt;
        return std::string(text_.substr(start, position_ - start));
    }

    std::optional<std::string> readQuoted() {
        ++position_;  // The opening quote.
        std::string out;
        while (!atEnd()) {
            const char c = text_[position_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd()) break;
            const char escaped = text_[position_++];
            switch (escaped) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'U':
                case 'u':
                    appendUnicodeEscape(out);
                    break;
                default:
                    out += escaped;  // \" \\ \' and any other character stand for themselves.
            }
        }
        return std::nullopt;  // No closing quote.
    }

    // Up to four hex digits after \U name one UTF-16 unit; a high surrogate followed by an
    // escaped low surrogate makes one character.
    void appendUnicodeEscape(std::string& out) {
        const char32_t unit = readHexUnit();
        if (isHighSurrogate(unit) && position_ + 1 < text_.size() && text_[position_] == '\\' &&
            (text_[position_ + 1] == 'U' || text_[position_ + 1] == 'u')) {
            const std::size_t saved = position_;
            position_ += 2;
            const char32_t low = readHexUnit();
            if (isLowSurrogate(low)) {
                appendUtf8(out, combineSurrogates(unit, low));
                return;
            }
            position_ = saved;
        }
        appendUtf8(out, unit);
    }

    char32_t readHexUnit() {
        char32_t unit = 0;
        for (int i = 0; i < 4 && !atEnd(); ++i) {
            const int digit = hexDigit(peek());
            if (digit < 0) break;
            unit = (unit << 4) | static_cast<char32_t>(digit);
            ++position_;
        }
        return unit;
    }

    std::size_t lineAt(std::size_t position) const {
        std::size_t line = 1;
        for (std::size_t i = 0; i < position && i < text_.size(); ++i) {
            if (text_[i] == '\n') ++line;
        }
        return line;
    }

    // Goes on after the broken entry that starts at `start`. The entry is taken to end at the
    // first ';' outside quotes on its own line; without one, at the end of that line (a missing
    // ';' or closing quote must not swallow the entries on the lines that follow). A comment on
    // the line ends the search; parsing goes on with the comment.
    void recoverFrom(std::size_t start) {
        bool quoted = false;
        std::size_t i = start;
        for (; i < text_.size() && text_[i] != '\n'; ++i) {
            const char c = text_[i];
            if (quoted) {
                if (c == '\\' && i + 1 < text_.size() && text_[i + 1] != '\n') {
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                }
                continue;
            }
            if (c == '"') {
                quoted = true;
            } else if (c == ';') {
                position_ = i + 1;
                return;
            } else if (c == '/' && i > start && i + 1 < text_.size() &&
                       (text_[i + 1] == '/' || text_[i + 1] == '*')) {
                position_ = i;
                return;
            }
        }
        position_ = std::min(i + 1, text_.size());
    }

    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t malformedEntries_ = 0;
    std::size_t firstMalformedLine_ = 0;
};

const LogChannel& stringsLog() {
    static const LogChannel channel("com.quorvelhq.platform", "strings");
    return channel;
}

}  // namespace

StringsTable StringsTable::parse(std::string_view text) {
    return parse(text, "strings table");
}

StringsTable StringsTable::parse(std::string_view text, std::string_view source) {
    StringsTable table;
    try {
        Parser parser(text);
        table.entries_ = parser.run();
        if (const std::size_t skipped = parser.malformedEntries()) {
            if (skipped == 1) {
                stringsLog().error("%s: the entry at line %zu is malformed and was skipped", source,
                                   parser.firstMalformedLine());
            } else {
                stringsLog().error("%s: %zu malformed entries were skipped, the first at line %zu",
                                   source, skipped, parser.firstMalformedLine());
            }
        }
    } catch (const std::bad_alloc&) {
        table.entries_.clear();
    }
    return table;
}

StringsTable StringsTable::parse(const Data& bytes) {
    return parse(bytes, "strings table");
}

StringsTable StringsTable::parse(const Data& bytes, std::string_view source) {
    try {
        return parse(decodeText(bytes), source);
    } catch (const std::bad_alloc&) {
        return StringsTable();
    }
}

std::optional<StringsTable> StringsTable::read(const std::filesystem::path& path) {
    const auto contents = FileContents::read(path, std::numeric_limits<std::size_t>::max());
    if (!contents.bytes) {
        if (contents.failure != FileContents::Failure::missing) {
            stringsLog().error("%s could not be read: %s; its texts are not used", path.string(),
                               contents.reason);
        }
        return std::nullopt;
    }
    return parse(*contents.bytes, path.string());
}

std::optional<std::string> StringsTable::lookup(std::string_view key) const {
    const auto entry = entries_.find(key);
    if (entry == entries_.end()) return std::nullopt;
    return entry->second;
}

}  // namespace quorvel::platform
