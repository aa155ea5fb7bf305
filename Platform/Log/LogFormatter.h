#pragma once

#include <span>
#include <string>
#include <string_view>

#include "Platform/Log/LogArgument.h"

namespace quorvel::platform {

// Fills a printf-style format with type-safe arguments.
//
// Placeholders: %s (text), %@ (an object), %d %i %u %x %X %o (integers), %f %F %e %E %g %G
// (floating point), and %% for a percent sign. Flags (- + space # 0), a width, a precision and the
// C length modifiers (h, hh, l, ll, z, j, t, L, q) are understood; the length modifiers are not
// needed and ignored. Privacy annotations in braces, as in %{public}s, are accepted and ignored.
//
// - Each placeholder takes the next argument. When the arguments have run out, the placeholder is
//   written as it stands; arguments left over are ignored.
// - An unknown placeholder (say %k, or %*d) is copied literally and takes no argument.
// - The argument is always printed for what it is: a number given to %s prints in decimal, text
//   given to %d prints as text, an integer given to %f is converted, a floating-point number given
//   to %d is truncated. Nothing is ever read as the wrong type.
class LogFormatter {
public:
    LogFormatter() = delete;

    static std::string format(std::string_view format, std::span<const LogArgument> arguments);
};

}  // namespace quorvel::platform
