#include "Platform/Foundation/Decoder.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <set>
#include <utility>

namespace quorvel::platform {

// The decoded tree, shared by a decoder, its copies and their containers, with the keys whose
// values have been complained about.
struct KeyedContainer::Document {
    explicit Document(PropertyListValue value) : root(std::move(value)) {}

    const PropertyListValue root;
    std::mutex mutex;
    std::set<std::pair<const PropertyListValue::Dictionary*, std::string>, std::less<>> reported;
};

KeyedContainer::KeyedContainer(std::shared_ptr<Document> document,
                               const PropertyListValue::Dictionary* dictionary)
    : document_(std::move(document)), dictionary_(dictionary) {}

bool KeyedContainer::firstReportOf(std::string_view key) const {
    std::lock_guard lock(document_->mutex);
    return document_->reported.emplace(dictionary_, std::string(key)).second;
}

const PropertyListValue* KeyedContainer::value(std::string_view key) const {
    const auto entry = dictionary_->find(key);
    return entry == dictionary_->end() ? nullptr : &entry->second;
}

bool KeyedContainer::contains(std::string_view key) const {
    return value(key) != nullptr;
}

std::vector<std::string> KeyedContainer::allKeys() const {
    std::vector<std::string> keys;
    keys.reserve(dictionary_->size());
    for (const auto& entry : *dictionary_) keys.push_back(entry.first);
    return keys;
}

std::optional<bool> KeyedContainer::decodeBool(std::string_view key) const {
    const auto* found = value(key);
    return found ? found->boolValue() : std::nullopt;
}

std::optional<std::int64_t> KeyedContainer::decodeInteger(std::string_view key) const {
    const auto* found = value(key);
    if (!found) return std::nullopt;
    if (auto integer = found->integerValue()) return integer;
    const auto real = found->realValue();
    // 2^63 is exactly representable as a double and is the first value out of range.
    constexpr double kLimit = 9223372036854775808.0;
    if (!real || std::trunc(*real) != *real || *real >= kLimit || *real < -kLimit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*real);
}

std::optional<double> KeyedContainer::decodeDouble(std::string_view key) const {
    const auto* found = value(key);
    return found ? found->numberValue() : std::nullopt;
}

std::optional<float> KeyedContainer::decodeFloat(std::string_view key) const {
    const auto number = decodeDouble(key);
    // NaN fails the comparison too.
    if (!number ||
        !(std::fabs(*number) <= static_cast<double>(std::numeric_limits<float>::max()))) {
        return std::nullopt;
    }
    return static_cast<float>(*number);
}

std::optional<std::string> KeyedContainer::decodeString(std::string_view key) const {
    const auto* found = value(key);
    if (!found || !found->stringValue()) return std::nullopt;
    return *found->stringValue();
}

std::optional<KeyedContainer> KeyedContainer::nestedContainer(std::string_view key) const {
    const auto* found = value(key);
    if (!found || !found->dictionaryValue()) return std::nullopt;
    return KeyedContainer(document_, found->dictionaryValue());
}

Decoder::Decoder(PropertyListValue root)
    : document_(std::make_shared<KeyedContainer::Document>(std::move(root))) {}

const PropertyListValue& Decoder::root() const {
    return document_->root;
}

std::optional<KeyedContainer> Decoder::keyedContainer() const {
    const auto* dictionary = document_->root.dictionaryValue();
    if (!dictionary) return std::nullopt;
    return KeyedContainer(document_, dictionary);
}

}  // namespace quorvel::platform
