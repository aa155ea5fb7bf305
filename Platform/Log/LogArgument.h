#pragma once

#include <concepts>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <variant>

namespace quorvel::platform {

namespace detail {

template <class T>
concept LogText = std::convertible_to<const T&, std::string_view>;

template <class T>
concept LogDescribable = requires(const T& value) {
    { value.description() } -> std::convertible_to<std::string>;
};

template <class T>
concept LogObject =
    LogDescribable<T> || std::derived_from<T, std::exception> || std::same_as<T, std::error_code>;

template <class T>
concept LogObjectPointer = (std::is_pointer_v<T> &&
                            LogObject<std::remove_cv_t<std::remove_pointer_t<T>>>) ||
                           requires(const T& pointer) {
    typename T::element_type;
    requires LogObject<std::remove_cv_t<typename T::element_type>>;
    { pointer.get() } -> std::convertible_to<const typename T::element_type*>;
};

template <class T>
concept LogNumber = std::is_arithmetic_v<T> || std::is_enum_v<T>;

}  // namespace detail

// Anything the log can print: text, numbers, booleans, enumerations, and objects (a type with a
// description() member, an exception, an error code, or a pointer to one of those).
template <class T>
concept Loggable = detail::LogNumber<std::remove_cvref_t<T>> || detail::LogText<T> ||
    detail::LogObject<std::remove_cvref_t<T>> || detail::LogObjectPointer<std::remove_cvref_t<T>>;

// One argument of a log message, converted from its C++ type so that formatting is type-safe.
// Objects are turned into their text when the argument is made: description(), what() or
// message(); a null pointer (text or object) reads "(null)".
class LogArgument {
public:
    using Value = std::variant<std::string, long long, unsigned long long, double, bool>;

    template <Loggable T>
    LogArgument(const T& value) : value_(convert(value)) {}  // NOLINT: implicit on purpose

    const Value& value() const { return value_; }

    // The argument as %s or %@ prints it: text as is, numbers in decimal, booleans as true/false.
    std::string text() const;

private:
    template <class T>
    static Value convert(const T& value) {
        using Plain = std::remove_cvref_t<T>;
        if constexpr (std::is_same_v<Plain, bool>) {
            return value;
        } else if constexpr (std::is_enum_v<Plain>) {
            return convert(static_cast<std::underlying_type_t<Plain>>(value));
        } else if constexpr (std::is_integral_v<Plain> && std::is_signed_v<Plain>) {
            return static_cast<long long>(value);
        } else if constexpr (std::is_integral_v<Plain>) {
            return static_cast<unsigned long long>(value);
        } else if constexpr (std::is_floating_point_v<Plain>) {
            return static_cast<double>(value);
        } else if constexpr (detail::LogText<T>) {
            if constexpr (std::is_pointer_v<Plain>) {
                if (value == nullptr) {
                    return std::string(kNull);
                }
            }
            return std::string(std::string_view(value));
        } else if constexpr (detail::LogObject<Plain>) {
            return describe(value);
        } else {
            if (value == nullptr) {
                return std::string(kNull);
            }
            return describe(*value);
        }
    }

    template <class T>
    static std::string describe(const T& object) {
        if constexpr (detail::LogDescribable<T>) {
            return std::string(object.description());
        } else if constexpr (std::derived_from<T, std::exception>) {
            return object.what();
        } else {
            return object.message();
        }
    }

    static constexpr std::string_view kNull = "(null)";

    Value value_;
};

}  // namespace quorvel::platform
