#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Log/LogArgument.h"

namespace quorvel {

// One argument of a localized format: text (for %@ and %s) or a number (integers for %d %i %u
// %x %X %o, floating point for %f %F %e %E %g %G). Made implicitly from strings and numbers.
using TextArgument = platform::LogArgument;

// The screens' texts. A host may override any of them in its own bundle, and several are used as
// printf-style formats, so a host text is never trusted to fit the arguments the screen passes:
// it is checked before use, and a text that does not fit gives way to the framework's own.
struct LocalizedText {
    // The text for `key` in the default table ("Localizable") of `bundle`; when there is no
    // bundle, or the result equals the key (the key is missing there), the text of the
    // framework's resource bundle instead; the key itself when neither has it. This is the lookup
    // of the camera, preview and crop screens (the crop screen passes no bundle).
    static std::string lookup(std::string_view key,
                              const std::shared_ptr<platform::Bundle>& bundle);

    // The text for `key` (looked up as above) filled with `arguments`. When that text does not
    // fit the arguments (see formatSafely) the resource bundle's text is used instead, and when
    // that does not fit either, the key itself; each fallback is logged at info level.
    static std::string format(std::string_view key, const std::shared_ptr<platform::Bundle>& bundle,
                              std::span<const TextArgument> arguments);
    static std::string format(std::string_view key, const std::shared_ptr<platform::Bundle>& bundle,
                              const std::vector<TextArgument>& arguments) {
        return format(key, bundle, std::span<const TextArgument>(arguments));
    }

    // `text` with its placeholders filled from `arguments`, or none when the text does not fit
    // them. Understood: %@ and %s (text), %d %i %u %x %X %o (integers, with the C length
    // modifiers h hh l ll q z j t), %f %F %e %E %g %G (floating point), %% (a percent sign),
    // flags (- + space # 0), a width and a precision of at most 99, and positional placeholders
    // ("%2$d"). The text does not fit, and nothing is filled, when
    //   - it holds any other placeholder (%n, %p, %c, %*d, %ls, a lone % at the end, ...);
    //   - it asks for more arguments than there are, or a position outside 1...count;
    //   - it mixes positional and sequential placeholders;
    //   - a placeholder's kind differs from its argument's (text for %d, a number for %@ or %s).
    // A text may leave arguments unused. Nothing is ever read as the wrong type.
    static std::optional<std::string> formatSafely(std::string_view text,
                                                   std::span<const TextArgument> arguments);

    // `text` in capitals, for titles and captions shown upper-cased. Letters of the Latin
    // (ASCII, Latin-1, Latin Extended-A), Greek and Cyrillic alphabets are mapped one to one;
    // everything else, including bytes that are not UTF-8, is kept as it is.
    static std::string uppercased(std::string_view text);

    // How many arguments `text` asks for (the highest position, or the number of sequential
    // placeholders), or none when it holds a placeholder that is not understood or mixes the two
    // kinds. A text without placeholders asks for 0.
    static std::optional<std::size_t> argumentCount(std::string_view text);
};

}  // namespace quorvel
