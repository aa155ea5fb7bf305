#pragma once

#include <string>
#include <string_view>

namespace quorvel::platform {

// `text` made safe to print inside a line of a message: every control character is escaped (\n,
// \r and \t by name, the other ASCII ones and DEL as \xHH, and the UTF-8 ones from U+0080 to
// U+009F as \uHHHH), and so is a backslash (\\), so that a file name or an argument can neither
// end the line nor pass for a line of its own. Everything else is kept as it is.
std::string printableText(std::string_view text);

}  // namespace quorvel::platform
