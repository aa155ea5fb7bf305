#include "Source/Configuration/LocalizedText.h"

#include <array>
#include <variant>

#include "Platform/Log/LogFormatter.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {

namespace {

// Widths and precisions beyond this are refused: no real text needs them, and a hostile one
// could ask for megabytes of padding.
constexpr int kMaximumWidth = 99;

enum class Kind { text, integer, floating };

struct Placeholder {
    std::size_t start = 0;     // offset of the '%'
    std::size_t length = 0;    // characters up to and including the conversion
    std::size_t position = 0;  // 1-based explicit position, 0 for sequential placeholders
    std::string flags;
    std::optional<int> width;
    std::optional<int> precision;
    char conversion = 0;

    Kind kind() const {
        if (conversion == '@' || conversion == 's') return Kind::text;
        if (std::string_view("diuxXo").find(conversion) != std::string_view::npos) {
            return Kind::integer;
        }
        return Kind::floating;
    }
};

// The parsed text: its placeholders in order, or none when one is not understood.
struct Parsed {
    std::vector<Placeholder> placeholders;
    bool positional = false;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a run of digits; none when there is none or it is larger than `limit`.
std::optional<int> readNumber(std::string_view text, std::size_t& index, int limit) {
    if (index >= text.size() || !isDigit(text[index])) return std::nullopt;
    long value = 0;
    while (index < text.size() && isDigit(text[index])) {
        value = value * 10 + (text[index] - '0');
        if (value > limit) return std::nullopt;
        ++index;
    }
    return static_cast<int>(value);
}

std::optional<Placeholder> parsePlaceholder(std::string_view text, std::size_t start) {
    Placeholder placeholder;
    placeholder.start = start;
    std::size_t index = start + 1;

    // "%2$d": a position before the flags. A run of digits not followed by '$' is a width.
    if (index < text.size() && isDigit(text[index]) && text[index] != '0') {
        std::size_t probe = index;
        const auto number = readNumber(text, probe, 1000000);
        if (probe < text.size() && text[probe] == '$') {
            if (!number || *number < 1) return std::nullopt;
            placeholder.position = static_cast<std::size_t>(*number);
            index = probe + 1;
        }
    }
    while (index < text.size() &&
           std::string_view("-+ #0").find(text[index]) != std::string_view::npos) {
        placeholder.flags += text[index];
        ++index;
    }
    if (index < text.size() && isDigit(text[index])) {
        placeholder.width = readNumber(text, index, kMaximumWidth);
        if (!placeholder.width) return std::nullopt;
    }
    if (index < text.size() && text[index] == '.') {
        ++index;
        if (index < text.size() && isDigit(text[index])) {
            placeholder.precision = readNumber(text, index, kMaximumWidth);
            if (!placeholder.precision) return std::nullopt;
        } else {
            placeholder.precision = 0;
        }
    }
    bool lengthModifier = false;
    while (index < text.size() &&
           std::string_view("hlqzjt").find(text[index]) != std::string_view::npos) {
        lengthModifier = true;
        ++index;
    }
    if (index >= text.size()) return std::nullopt;
    const char conversion = text[index];
    constexpr std::string_view known = "@sdiuxXofFeEgG";
    if (known.find(conversion) == std::string_view::npos) return std::nullopt;
    placeholder.conversion = conversion;
    // A length modifier only makes sense for an integer; on text it would mean wide characters.
    if (lengthModifier && placeholder.kind() != Kind::integer) return std::nullopt;
    placeholder.length = index + 1 - start;
    return placeholder;
}

std::optional<Parsed> parse(std::string_view text) {
    Parsed parsed;
    bool sequential = false;
    std::size_t index = 0;
    while (true) {
        const std::size_t percent = text.find('%', index);
        if (percent == std::string_view::npos) break;
        if (percent + 1 < text.size() && text[percent + 1] == '%') {
            index = percent + 2;
            continue;
        }
        auto placeholder = parsePlaceholder(text, percent);
        if (!placeholder) return std::nullopt;
        (placeholder->position > 0 ? parsed.positional : sequential) = true;
        if (parsed.positional && sequential) return std::nullopt;
        index = percent + placeholder->length;
        parsed.placeholders.push_back(std::move(*placeholder));
    }
    return parsed;
}

// The argument index each placeholder takes, 0-based.
std::size_t argumentIndex(const Parsed& parsed, std::size_t placeholderIndex) {
    const auto& placeholder = parsed.placeholders[placeholderIndex];
    return parsed.positional ? placeholder.position - 1 : placeholderIndex;
}

Kind kindOf(const TextArgument& argument) {
    const auto& value = argument.value();
    if (std::holds_alternative<std::string>(value)) return Kind::text;
    if (std::holds_alternative<double>(value)) return Kind::floating;
    return Kind::integer;
}

// One placeholder as the log formatter reads it: no position, no length modifier.
std::string plainPlaceholder(const Placeholder& placeholder) {
    std::string out(1, '%');
    out += placeholder.flags;
    if (placeholder.width) out += std::to_string(*placeholder.width);
    if (placeholder.precision) {
        out += '.';
        out += std::to_string(*placeholder.precision);
    }
    out += placeholder.conversion;
    return out;
}

// Keeps "%%" as one percent sign, as the formats' users expect, in literal runs of the text.
void appendLiteral(std::string& out, std::string_view literal) {
    std::size_t index = 0;
    while (index < literal.size()) {
        const std::size_t percent = literal.find("%%", index);
        if (percent == std::string_view::npos) {
            out.append(literal.substr(index));
            break;
        }
        out.append(literal.substr(index, percent - index + 1));
        index = percent + 2;
    }
}

// The capital of one code point (see uppercased()).
char32_t upper(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;  // Latin-1, except the division sign
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs capital and small letters: capital first, except in the two
        // runs that start on an odd code point.
        const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no capital pair
        const bool small = oddRun ? (c % 2 == 0) : (c % 2 == 1);
        return small ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // Greek
    switch (c) {  // Greek vowels with an accent
        case 0x3AC:
            return 0x386;
        case 0x3AD:
            return 0x388;
        case 0x3AE:
            return 0x389;
        case 0x3AF:
            return 0x38A;
        case 0x3CC:
            return 0x38C;
        case 0x3CD:
            return 0x38E;
        case 0x3CE:
            return 0x38F;
        default:
            break;
    }
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string LocalizedText::uppercased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // Only one- and two-byte sequences hold letters that change; the rest is copied.
        if (byte < 0x80) {
            out += static_cast<char>(upper(byte));
            ++i;
        } else if ((byte & 0xE0) == 0xC0 && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80 && byte >= 0xC2) {
            const char32_t c = (static_cast<char32_t>(byte & 0x1F) << 6) |
                               (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            appendUtf8(out, upper(c));
            i += 2;
        } else {
            out += text[i];
            ++i;
        }
    }
    return out;
}

std::string LocalizedText::lookup(std::string_view key,
                                  const std::shared_ptr<platform::Bundle>& bundle) {
    if (bundle) {
        std::string text = bundle->localizedString(key);
        if (text != key) return text;
    }
    return ResourceBundle::resources()->localizedString(key);
}

std::optional<std::size_t> LocalizedText::argumentCount(std::string_view text) {
    const auto parsed = parse(text);
    if (!parsed) return std::nullopt;
    if (!parsed->positional) return parsed->placeholders.size();
    std::size_t highest = 0;
    for (const auto& placeholder : parsed->placeholders) {
        highest = std::max(highest, placeholder.position);
    }
    return highest;
}

std::optional<std::string> LocalizedText::formatSafely(std::string_view text,
                                                       std::span<const TextArgument> arguments) {
    const auto parsed = parse(text);
    if (!parsed) return std::nullopt;
    for (std::size_t i = 0; i < parsed->placeholders.size(); ++i) {
        const std::size_t argument = argumentIndex(*parsed, i);
        if (argument >= arguments.size()) return std::nullopt;
        if (kindOf(arguments[argument]) != parsed->placeholders[i].kind()) return std::nullopt;
    }
    std::string out;
    out.reserve(text.size() + 8 * arguments.size());
    std::size_t index = 0;
    for (std::size_t i = 0; i < parsed->placeholders.size(); ++i) {
        const auto& placeholder = parsed->placeholders[i];
        appendLiteral(out, text.substr(index, placeholder.start - index));
        const std::array<TextArgument, 1> one{arguments[argumentIndex(*parsed, i)]};
        out += platform::LogFormatter::format(plainPlaceholder(placeholder), one);
        index = placeholder.start + placeholder.length;
    }
    appendLiteral(out, text.substr(index));
    return out;
}

std::string LocalizedText::format(std::string_view key,
                                  const std::shared_ptr<platform::Bundle>& bundle,
                                  std::span<const TextArgument> arguments) {
    const std::string text = lookup(key, bundle);
    if (auto formatted = formatSafely(text, arguments)) return *formatted;

    const std::string own = ResourceBundle::resources()->localizedString(key);
    if (own != text && own != key) {
        if (auto formatted = formatSafely(own, arguments)) {
            Logger::capture().info(
                "The text for \"%s\" does not fit its %d argument(s); the framework's text is used",
                key, arguments.size());
            return *formatted;
        }
    }
    Logger::capture().info("The text for \"%s\" does not fit its %d argument(s); the key is used",
                           key, arguments.size());
    return std::string(key);
}

}  // namespace quorvel
