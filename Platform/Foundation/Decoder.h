#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/PropertyListValue.h"

namespace quorvel::platform {

// Typed reads of one dictionary of a decoded property list. A read whose key is missing, or whose
// value is of another kind, gives none: a decoding initializer keeps its default for that key and
// goes on with the others.
//
// Numbers follow the phone platform's property-list decoder: an <integer> or a <real> reads as
// either kind of floating-point number, a boolean never reads as a number (nor a number as a
// boolean), and a number that does not fit a 32-bit float (beyond its largest finite magnitude,
// infinities and NaN included) reads as no float at all rather than as a rounded value.
class KeyedContainer {
public:
    bool contains(std::string_view key) const;
    // The keys present, in byte order.
    std::vector<std::string> allKeys() const;

    std::optional<bool> decodeBool(std::string_view key) const;
    // An <integer>, or a <real> with an integral value inside the signed 64-bit range.
    std::optional<std::int64_t> decodeInteger(std::string_view key) const;
    std::optional<float> decodeFloat(std::string_view key) const;
    std::optional<double> decodeDouble(std::string_view key) const;
    std::optional<std::string> decodeString(std::string_view key) const;
    // The dictionary under `key` as a container of its own.
    std::optional<KeyedContainer> nestedContainer(std::string_view key) const;

    // The raw value under `key`, null when absent; valid as long as this container or one that
    // shares its root lives.
    const PropertyListValue* value(std::string_view key) const;

    // True the first time it is asked for `key` of this container's dictionary, by any copy of
    // the decoder or container: several readers that take the same key from one decoded list
    // complain about a bad value once. Safe from any thread.
    bool firstReportOf(std::string_view key) const;

private:
    friend class Decoder;
    struct Document;
    KeyedContainer(std::shared_ptr<Document> document,
                   const PropertyListValue::Dictionary* dictionary);

    std::shared_ptr<Document> document_;  // Keeps `dictionary_` alive.
    const PropertyListValue::Dictionary* dictionary_;
};

// What a decoding initializer receives: the root of a property list. Cheap to copy; copies share
// the decoded tree.
class Decoder {
public:
    explicit Decoder(PropertyListValue root);

    const PropertyListValue& root() const;

    // The root as a dictionary; none when the root is of another kind (an array, a string...).
    // That is not an error of the property list: the caller keeps its defaults.
    std::optional<KeyedContainer> keyedContainer() const;

private:
    std::shared_ptr<KeyedContainer::Document> document_;
};

// Decodes a value of type T from property-list bytes through T's decoding initializer, a
// constructor taking `const Decoder&`.
struct PropertyListDecoder {
    // None when the bytes are not a property list; otherwise T built from the root, whatever kind
    // the root is.
    template <typename T>
    requires std::constructible_from<T, const Decoder&>
    static std::optional<T> decode(const Data& bytes) {
        auto root = PropertyList::parse(bytes);
        if (!root) return std::nullopt;
        return std::optional<T>(std::in_place, Decoder(std::move(*root)));
    }

    // The same for reference types: null when the bytes are not a property list.
    template <typename T>
    requires std::constructible_from<T, const Decoder&>
    static std::shared_ptr<T> decodeShared(const Data& bytes) {
        auto root = PropertyList::parse(bytes);
        if (!root) return nullptr;
        return std::make_shared<T>(Decoder(std::move(*root)));
    }
};

}  // namespace quorvel::platform
