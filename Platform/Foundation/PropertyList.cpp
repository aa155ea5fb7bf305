#include "Platform/Foundation/PropertyList.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <pugixml.hpp>
#include <utility>

namespace quorvel::platform {

namespace {

constexpr int kMaximumDepth = 512;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool isBlank(std::string_view text) {
    return trimmed(text).empty();
}

// ---- base64 -------------------------------------------------------------------------------------

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Whitespace anywhere is skipped; '=' padding is optional but, once it starts, only padding and
// whitespace may follow.
std::optional<Data> decodeBase64(std::string_view text) {
    Data bytes;
    bytes.reserve(text.size() * 3 / 4);
    std::uint32_t accumulator = 0;
    int digits = 0;
    bool padding = false;
    for (char c : text) {
        if (isSpace(c)) continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const int digit = base64Digit(c);
        if (digit < 0 || padding) return std::nullopt;
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(digit);
        if (++digits == 4) {
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> 16));
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> 8));
            bytes.push_back(static_cast<std::uint8_t>(accumulator));
            accumulator = 0;
            digits = 0;
        }
    }
    switch (digits) {
        case 0:
            break;
        case 2:
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> 4));
            break;
        case 3:
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> 10));
            bytes.push_back(static_cast<std::uint8_t>(accumulator >> 2));
            break;
        default:
            return std::nullopt;  // A single leftover digit carries less than one byte.
    }
    return bytes;
}

std::string encodeBase64(const Data& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        text += kBase64Alphabet[(group >> 18) & 63];
        text += kBase64Alphabet[(group >> 12) & 63];
        text += kBase64Alphabet[(group >> 6) & 63];
        text += kBase64Alphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (rest == 2) group |= std::uint32_t{bytes[i + 1]} << 8;
        text += kBase64Alphabet[(group >> 18) & 63];
        text += kBase64Alphabet[(group >> 12) & 63];
        text += rest == 2 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

// ---- numbers ------------------------------------------------------------------------------------

std::optional<std::int64_t> parseInteger(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;

    constexpr auto kMaximum = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!negative) {
        if (magnitude > kMaximum) return std::nullopt;
        return static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > kMaximum + 1) return std::nullopt;
    if (magnitude == kMaximum + 1) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(magnitude);
}

// Reals are read in the C locale whatever the process's locale is; values beyond the range of a
// double become infinities, as with strtod.
std::optional<double> parseReal(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (cLocale == static_cast<locale_t>(nullptr)) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = strtod_l(copy.c_str(), &end, cLocale);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    return value;
}

std::string formatReal(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc()) return "0";
    return std::string(buffer.data(), end);
}

// ---- reading ------------------------------------------------------------------------------------

// At most this many bytes of a document's own text go into a failure's description.
constexpr std::size_t kQuotedPrefix = 40;

std::string quotedPrefix(std::string_view text) {
    if (text.size() <= kQuotedPrefix) return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, kQuotedPrefix)) + "...\" (" +
           std::to_string(text.size()) + " bytes)";
}

// "<name>", the name cut short when it is long.
std::string tag(const pugi::xml_node& element) {
    const std::string_view name = element.name();
    if (name.size() <= kQuotedPrefix) return "<" + std::string(name) + ">";
    return "<" + std::string(name.substr(0, kQuotedPrefix)) + "...>";
}

// Reads the value elements of a parsed document. The first rule broken stops the reading and
// is described in `failure`.
class ValueReader {
public:
    std::optional<PropertyListValue> readValue(const pugi::xml_node& element, int depth) {
        if (depth > kMaximumDepth) {
            return fail("it nests deeper than " + std::to_string(kMaximumDepth) + " levels",
                        element);
        }
        const std::string_view name = element.name();
        if (name == "dict") return readDictionary(element, depth);
        if (name == "array") return readArray(element, depth);

        auto text = leafText(element);
        if (!text) return std::nullopt;
        if (name == "string") return PropertyListValue(std::move(*text));
        if (name == "true" || name == "false") {
            if (!isBlank(*text)) return fail(tag(element) + " holds text", element);
            return PropertyListValue(name == "true");
        }
        if (name == "integer") {
            const auto value = parseInteger(*text);
            if (!value) return fail(quotedPrefix(*text) + " is not a 64-bit integer", element);
            return PropertyListValue(*value);
        }
        if (name == "real") {
            const auto value = parseReal(*text);
            if (!value) return fail(quotedPrefix(*text) + " is not a real number", element);
            return PropertyListValue(*value);
        }
        if (name == "data") {
            auto bytes = decodeBase64(*text);
            if (!bytes) return fail("<data> does not hold base64", element);
            return PropertyListValue(std::move(*bytes));
        }
        if (name == "date") return PropertyListValue(PropertyListDate{std::move(*text)});
        if (name == "key") return fail("<key> stands outside a dictionary's pairs", element);
        return fail(tag(element) + " is not an element of property lists", element);
    }

    // The elements inside a container, in order. None when non-blank text stands between them.
    std::optional<std::vector<pugi::xml_node>> childElements(const pugi::xml_node& container) {
        std::vector<pugi::xml_node> elements;
        for (const auto& child : container.children()) {
            switch (child.type()) {
                case pugi::node_element:
                    elements.push_back(child);
                    break;
                case pugi::node_pcdata:
                case pugi::node_cdata:
                    if (!isBlank(child.value())) {
                        return fail("text stands between the elements of " + tag(container), child);
                    }
                    break;
                default:
                    break;
            }
        }
        return elements;
    }

    std::string failure;

private:
    std::nullopt_t fail(std::string what, const pugi::xml_node& where) {
        failure = std::move(what);
        // The parser records where an element's name starts; its '<' stands one byte before.
        std::ptrdiff_t offset = where.offset_debug();
        if (where.type() == pugi::node_element) --offset;
        if (offset >= 0) failure += " (at byte " + std::to_string(offset) + ")";
        return std::nullopt;
    }

    // The text of a leaf element: its character data and CDATA sections joined. None when the
    // element holds other elements.
    std::optional<std::string> leafText(const pugi::xml_node& element) {
        std::string text;
        for (const auto& child : element.children()) {
            switch (child.type()) {
                case pugi::node_pcdata:
                case pugi::node_cdata:
                    text += child.value();
                    break;
                case pugi::node_element:
                    return fail(tag(element) + " holds an element", child);
                default:
                    break;
            }
        }
        return text;
    }

    std::optional<PropertyListValue> readArray(const pugi::xml_node& element, int depth) {
        const auto children = childElements(element);
        if (!children) return std::nullopt;
        PropertyListValue::Array array;
        array.reserve(children->size());
        for (const auto& child : *children) {
            auto value = readValue(child, depth + 1);
            if (!value) return std::nullopt;
            array.push_back(std::move(*value));
        }
        return PropertyListValue(std::move(array));
    }

    std::optional<PropertyListValue> readDictionary(const pugi::xml_node& element, int depth) {
        const auto children = childElements(element);
        if (!children) return std::nullopt;
        if (children->size() % 2 != 0) return fail("a <dict> holds an unpaired element", element);
        PropertyListValue::Dictionary dictionary;
        for (std::size_t i = 0; i < children->size(); i += 2) {
            const auto& keyElement = (*children)[i];
            if (std::strcmp(keyElement.name(), "key") != 0) {
                return fail("a value in a <dict> is not preceded by its <key>", keyElement);
            }
            auto key = leafText(keyElement);
            if (!key) return std::nullopt;
            auto value = readValue((*children)[i + 1], depth + 1);
            if (!value) return std::nullopt;
            dictionary.insert_or_assign(std::move(*key), std::move(*value));
        }
        return PropertyListValue(std::move(dictionary));
    }
};

std::optional<PropertyListValue> readDocument(const void* bytes, std::size_t size,
                                              std::string& failure) {
    auto fail = [&](std::string what) -> std::optional<PropertyListValue> {
        failure = std::move(what);
        return std::nullopt;
    };
    if (size == 0) return fail("it is empty");
    if (size > PropertyList::maximumSize) {
        return fail("it holds " + std::to_string(size) + " bytes, more than the " +
                    std::to_string(PropertyList::maximumSize) + " allowed");
    }
    static constexpr std::string_view kBinaryMagic = "bplist";
    if (size >= kBinaryMagic.size() &&
        std::memcmp(bytes, kBinaryMagic.data(), kBinaryMagic.size()) == 0) {
        return fail("binary property lists are not read");
    }

    pugi::xml_document document;
    // Whitespace-only text is kept so that a <string> of spaces stays spaces.
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata;
    const auto result = document.load_buffer(bytes, size, options, pugi::encoding_auto);
    if (!result) {
        return fail(std::string("it is not well-formed XML: ") + result.description() +
                    " (at byte " + std::to_string(result.offset) + ")");
    }

    pugi::xml_node root;
    for (const auto& child : document.children()) {
        if (child.type() == pugi::node_element) {
            if (root) return fail("it has more than one root element");
            root = child;
        } else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
                   !isBlank(child.value())) {
            return fail("text stands outside the root element");
        }
    }
    if (!root) return fail("it has no root element");
    if (std::strcmp(root.name(), "plist") != 0) return fail("its root element is not <plist>");

    ValueReader reader;
    const auto children = reader.childElements(root);
    std::optional<PropertyListValue> value;
    if (!children) {
        failure = std::move(reader.failure);
    } else if (children->size() != 1) {
        failure = "<plist> holds " + std::to_string(children->size()) + " values, not one";
    } else {
        value = reader.readValue(children->front(), 1);
        if (!value) failure = std::move(reader.failure);
    }
    return value;
}

// ---- writing ------------------------------------------------------------------------------------

// Indentation stops growing at this depth, so that the output grows with the size of the value,
// not with the square of its depth.
constexpr int kMaximumIndent = 16;

// Text that parse() gives back exactly. XML cannot carry NUL at all; every other character is
// written as it is or escaped.
bool isWritable(std::string_view text) {
    return text.find('\0') == std::string_view::npos;
}

bool appendEscaped(std::string& out, std::string_view text) {
    if (!isWritable(text)) return false;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                out += "&#13;";  // A raw carriage return would be read as a line feed.
                break;
            default:
                out += c;
        }
    }
    return true;
}

void appendIndent(std::string& out, int depth) {
    out.append(static_cast<std::size_t>(std::min(depth, kMaximumIndent)), '\t');
}

// `depth` counts as the reader does: the root value is at 1. False when the value cannot be
// written so that it reads back the same.
bool appendValue(std::string& out, const PropertyListValue& value, int depth) {
    if (depth > kMaximumDepth) return false;
    appendIndent(out, depth - 1);
    switch (value.kind()) {
        case PropertyListValue::Kind::boolean:
            out += *value.boolValue() ? "<true/>\n" : "<false/>\n";
            return true;
        case PropertyListValue::Kind::integer:
            out += "<integer>" + std::to_string(*value.integerValue()) + "</integer>\n";
            return true;
        case PropertyListValue::Kind::real:
            out += "<real>" + formatReal(*value.realValue()) + "</real>\n";
            return true;
        case PropertyListValue::Kind::string:
            out += "<string>";
            if (!appendEscaped(out, *value.stringValue())) return false;
            out += "</string>\n";
            return true;
        case PropertyListValue::Kind::data:
            out += "<data>" + encodeBase64(*value.dataValue()) + "</data>\n";
            return true;
        case PropertyListValue::Kind::date:
            out += "<date>";
            if (!appendEscaped(out, value.dateValue()->text)) return false;
            out += "</date>\n";
            return true;
        case PropertyListValue::Kind::array:
            if (value.arrayValue()->empty()) {
                out += "<array/>\n";
                return true;
            }
            out += "<array>\n";
            for (const auto& element : *value.arrayValue()) {
                if (!appendValue(out, element, depth + 1)) return false;
            }
            appendIndent(out, depth - 1);
            out += "</array>\n";
            return true;
        case PropertyListValue::Kind::dictionary:
            if (value.dictionaryValue()->empty()) {
                out += "<dict/>\n";
                return true;
            }
            out += "<dict>\n";
            for (const auto& [key, element] : *value.dictionaryValue()) {
                appendIndent(out, depth);
                out += "<key>";
                if (!appendEscaped(out, key)) return false;
                out += "</key>\n";
                if (!appendValue(out, element, depth + 1)) return false;
            }
            appendIndent(out, depth - 1);
            out += "</dict>\n";
            return true;
    }
    return false;
}

}  // namespace

std::optional<PropertyListValue> PropertyList::parse(const Data& bytes) {
    std::string failure;
    return parse(bytes, failure);
}

std::optional<PropertyListValue> PropertyList::parse(std::string_view text) {
    std::string failure;
    return parse(text, failure);
}

std::optional<PropertyListValue> PropertyList::parse(const Data& bytes, std::string& failure) {
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                 failure);
}

std::optional<PropertyListValue> PropertyList::parse(std::string_view text, std::string& failure) {
    failure.clear();
    try {
        return readDocument(text.data(), text.size(), failure);
    } catch (const std::bad_alloc&) {
        failure = "there is not enough memory to read it";
        return std::nullopt;
    }
}

std::optional<std::string> PropertyList::xml(const PropertyListValue& value) {
    try {
        std::string out =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n";
        if (!appendValue(out, value, 1)) return std::nullopt;
        out += "</plist>\n";
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace quorvel::platform
