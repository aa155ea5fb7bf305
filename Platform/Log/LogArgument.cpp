#include "Platform/Log/LogArgument.h"

#include <cstdio>

namespace quorvel::platform {

std::string LogArgument::text() const {
    struct Visitor {
        std::string operator()(const std::string& text) const { return text; }
        std::string operator()(long long number) const { return std::to_string(number); }
        std::string operator()(unsigned long long number) const { return std::to_string(number); }
        std::string operator()(double number) const {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%g", number);
            return buffer;
        }
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
    };
    return std::visit(Visitor{}, value_);
}

}  // namespace quorvel::platform
