#include "Platform/Log/PrintableText.h"

#include <cstdio>

namespace quorvel::platform {

std::string printableText(std::string_view text) {
    std::string printable;
    printable.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        char escape[8];
        if (byte == '\\') {
            printable += "\\\\";
        } else if (byte == '\n') {
            printable += "\\n";
        } else if (byte == '\r') {
            printable += "\\r";
        } else if (byte == '\t') {
            printable += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            printable += escape;
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080 to U+009F, the second set of control characters, take two bytes in UTF-8.
            std::snprintf(escape, sizeof escape, "\\u%04X", next);
            printable += escape;
            ++i;
        } else {
            printable += text[i];
        }
    }
    return printable;
}

}  // namespace quorvel::platform
