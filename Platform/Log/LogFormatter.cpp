#include "Platform/Log/LogFormatter.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>

namespace quorvel::platform {
namespace {

// A parsed placeholder, from its '%' up to and including its conversion character.
struct Placeholder {
    std::string flags;
    std::optional<int> width;
    std::optional<int> precision;
    char conversion = 0;
    std::size_t length = 0;  // characters taken from the format
};

constexpr std::string_view kFlags = "-+ #0";
constexpr std::string_view kIntegerConversions = "diuxXo";
constexpr std::string_view kFloatingConversions = "fFeEgG";
constexpr std::string_view kTextConversions = "s@";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> parseNumber(std::string_view text, std::size_t& position) {
    if (position >= text.size() || !isDigit(text[position])) {
        return std::nullopt;
    }
    int value = 0;
    while (position < text.size() && isDigit(text[position])) {
        // Widths beyond this are meaningless for a log line; clamp instead of overflowing.
        if (value < 100000) {
            value = value * 10 + (text[position] - '0');
        }
        ++position;
    }
    return value;
}

// Parses the placeholder starting at format[start] == '%'. Returns nothing when it is not a
// placeholder this formatter knows.
std::optional<Placeholder> parsePlaceholder(std::string_view format, std::size_t start) {
    Placeholder placeholder;
    std::size_t position = start + 1;
    if (position < format.size() && format[position] == '{') {
        const std::size_t close = format.find('}', position);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        position = close + 1;
    }
    while (position < format.size() && kFlags.find(format[position]) != std::string_view::npos) {
        placeholder.flags += format[position];
        ++position;
    }
    placeholder.width = parseNumber(format, position);
    if (position < format.size() && format[position] == '.') {
        ++position;
        placeholder.precision = parseNumber(format, position).value_or(0);
    }
    while (position < format.size() &&
           std::string_view("hlzjtLq").find(format[position]) != std::string_view::npos) {
        ++position;
    }
    if (position >= format.size()) {
        return std::nullopt;
    }
    const char conversion = format[position];
    if (kIntegerConversions.find(conversion) == std::string_view::npos &&
        kFloatingConversions.find(conversion) == std::string_view::npos &&
        kTextConversions.find(conversion) == std::string_view::npos) {
        return std::nullopt;
    }
    placeholder.conversion = conversion;
    placeholder.length = position + 1 - start;
    return placeholder;
}

std::string printfFormat(const Placeholder& placeholder, std::string_view lengthModifier,
                         char conversion) {
    std::string out(1, '%');
    out += placeholder.flags;
    if (placeholder.width) {
        out += std::to_string(*placeholder.width);
    }
    if (placeholder.precision) {
        out += '.';
        out += std::to_string(*placeholder.precision);
    }
    out += lengthModifier;
    out += conversion;
    return out;
}

// The format is built above from checked characters only, and the argument's type always matches
// its conversion.
template <class Number>
std::string printNumber(const std::string& cFormat, Number number) {
    const int size = std::snprintf(nullptr, 0, cFormat.c_str(), number);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), cFormat.c_str(), number);
    out.resize(static_cast<std::size_t>(size));
    return out;
}

std::string pad(std::string text, const Placeholder& placeholder) {
    if (placeholder.width && text.size() < static_cast<std::size_t>(*placeholder.width)) {
        const std::size_t fill = static_cast<std::size_t>(*placeholder.width) - text.size();
        if (placeholder.flags.find('-') != std::string::npos) {
            text.append(fill, ' ');
        } else {
            text.insert(0, fill, ' ');
        }
    }
    return text;
}

std::string formatText(const Placeholder& placeholder, const LogArgument& argument) {
    std::string text = argument.text();
    if (placeholder.precision && std::holds_alternative<std::string>(argument.value()) &&
        text.size() > static_cast<std::size_t>(*placeholder.precision)) {
        text.resize(static_cast<std::size_t>(*placeholder.precision));
    }
    return pad(std::move(text), placeholder);
}

std::string formatSigned(const Placeholder& placeholder, long long number) {
    const char conversion = placeholder.conversion;
    if (conversion == 'd' || conversion == 'i') {
        return printNumber(printfFormat(placeholder, "ll", 'd'), number);
    }
    // %u, %x, %X and %o show the two's-complement bits, as printf does.
    return printNumber(printfFormat(placeholder, "ll", conversion),
                       static_cast<unsigned long long>(number));
}

std::string formatUnsigned(const Placeholder& placeholder, unsigned long long number) {
    const char conversion = (placeholder.conversion == 'd' || placeholder.conversion == 'i')
                                ? 'u'
                                : placeholder.conversion;
    return printNumber(printfFormat(placeholder, "ll", conversion), number);
}

std::string formatInteger(const Placeholder& placeholder, const LogArgument& argument) {
    const auto& value = argument.value();
    if (const auto* number = std::get_if<long long>(&value)) {
        return formatSigned(placeholder, *number);
    }
    if (const auto* number = std::get_if<unsigned long long>(&value)) {
        return formatUnsigned(placeholder, *number);
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return formatSigned(placeholder, *flag ? 1 : 0);
    }
    if (const auto* number = std::get_if<double>(&value)) {
        // Truncated toward zero when it fits; otherwise (inf, nan, huge) printed as it is.
        if (std::isfinite(*number) && std::fabs(*number) < 9.2e18) {
            return formatSigned(placeholder, static_cast<long long>(*number));
        }
        return pad(argument.text(), placeholder);
    }
    return pad(argument.text(), placeholder);
}

std::string formatFloating(const Placeholder& placeholder, const LogArgument& argument) {
    const auto& value = argument.value();
    std::optional<double> number;
    if (const auto* floating = std::get_if<double>(&value)) {
        number = *floating;
    } else if (const auto* integer = std::get_if<long long>(&value)) {
        number = static_cast<double>(*integer);
    } else if (const auto* natural = std::get_if<unsigned long long>(&value)) {
        number = static_cast<double>(*natural);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        number = *flag ? 1.0 : 0.0;
    }
    if (!number) {
        return pad(argument.text(), placeholder);
    }
    return printNumber(printfFormat(placeholder, "", placeholder.conversion), *number);
}

std::string formatArgument(const Placeholder& placeholder, const LogArgument& argument) {
    if (kIntegerConversions.find(placeholder.conversion) != std::string_view::npos) {
        return formatInteger(placeholder, argument);
    }
    if (kFloatingConversions.find(placeholder.conversion) != std::string_view::npos) {
        return formatFloating(placeholder, argument);
    }
    return formatText(placeholder, argument);
}

}  // namespace

std::string LogFormatter::format(std::string_view format, std::span<const LogArgument> arguments) {
    std::string out;
    out.reserve(format.size() + 16 * arguments.size());
    std::size_t next = 0;
    std::size_t position = 0;
    while (position < format.size()) {
        const std::size_t percent = format.find('%', position);
        if (percent == std::string_view::npos) {
            out.append(format.substr(position));
            break;
        }
        out.append(format.substr(position, percent - position));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            out += '%';
            position = percent + 2;
            continue;
        }
        const std::optional<Placeholder> placeholder = parsePlaceholder(format, percent);
        if (!placeholder) {
            // Not a placeholder: keep the percent sign and carry on with what follows it.
            out += '%';
            position = percent + 1;
            continue;
        }
        if (next < arguments.size()) {
            out += formatArgument(*placeholder, arguments[next]);
            ++next;
        } else {
            out.append(format.substr(percent, placeholder->length));
        }
        position = percent + placeholder->length;
    }
    return out;
}

}  // namespace quorvel::platform
