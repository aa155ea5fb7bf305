#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Platform/Foundation/Data.h"

namespace quorvel::platform {

// The text of a property list's <date> element, kept as written (ISO 8601 in practice). Its own
// type so that a date never passes for a string.
struct PropertyListDate {
    std::string text;
    friend bool operator==(const PropertyListDate&, const PropertyListDate&) = default;
};

// One value of a property list. A value type: copies are deep. Destroying a value takes its
// nested containers apart one level at a time, so that a value nested however deeply (built in
// code; the reader stops at 512 levels) does not exhaust the stack when it goes.
//
// Booleans, integers and reals are three distinct kinds, as on the phone platform's property
// lists: a boolean is never a number, and an integer is never a boolean.
class PropertyListValue {
public:
    using Array = std::vector<PropertyListValue>;
    // Keys in byte order; a list that repeats a key keeps the last value.
    using Dictionary = std::map<std::string, PropertyListValue, std::less<>>;

    enum class Kind { boolean, integer, real, string, data, date, array, dictionary };

    // An empty dictionary.
    PropertyListValue();

    PropertyListValue(bool value);
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) PropertyListValue(Integer value)
        : storage_(static_cast<std::int64_t>(value)) {}
    PropertyListValue(double value);
    PropertyListValue(std::string value);
    PropertyListValue(const char* value);
    PropertyListValue(Data value);
    PropertyListValue(PropertyListDate value);
    PropertyListValue(Array value);
    PropertyListValue(Dictionary value);

    PropertyListValue(const PropertyListValue&) = default;
    PropertyListValue(PropertyListValue&&) noexcept = default;
    PropertyListValue& operator=(const PropertyListValue&) = default;
    PropertyListValue& operator=(PropertyListValue&&) noexcept = default;
    ~PropertyListValue();

    Kind kind() const;

    std::optional<bool> boolValue() const;
    std::optional<std::int64_t> integerValue() const;
    // A real only; see numberValue() for either kind of number.
    std::optional<double> realValue() const;
    // An integer (converted) or a real; none for every other kind, booleans included.
    std::optional<double> numberValue() const;

    // Pointers into this value, null when it is of another kind.
    const std::string* stringValue() const;
    const Data* dataValue() const;
    const PropertyListDate* dateValue() const;
    const Array* arrayValue() const;
    const Dictionary* dictionaryValue() const;

    // The value under `key` when this is a dictionary that holds it, else null.
    const PropertyListValue* find(std::string_view key) const;

    friend bool operator==(const PropertyListValue&, const PropertyListValue&);

private:
    std::variant<bool, std::int64_t, double, std::string, Data, PropertyListDate, Array, Dictionary>
        storage_;
};

}  // namespace quorvel::platform
