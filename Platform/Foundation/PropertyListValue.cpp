#include "Platform/Foundation/PropertyListValue.h"

#include <new>
#include <utility>
#include <vector>

namespace quorvel::platform {

PropertyListValue::PropertyListValue() : storage_(Dictionary{}) {}
PropertyListValue::PropertyListValue(bool value) : storage_(value) {}
PropertyListValue::PropertyListValue(double value) : storage_(value) {}
PropertyListValue::PropertyListValue(std::string value) : storage_(std::move(value)) {}
PropertyListValue::PropertyListValue(const char* value) : storage_(std::string(value)) {}
PropertyListValue::PropertyListValue(Data value) : storage_(std::move(value)) {}
PropertyListValue::PropertyListValue(PropertyListDate value) : storage_(std::move(value)) {}
PropertyListValue::PropertyListValue(Array value) : storage_(std::move(value)) {}
PropertyListValue::PropertyListValue(Dictionary value) : storage_(std::move(value)) {}

namespace {

// Moves the values held directly by the container (`array` or `dictionary`, whichever is not
// null) to the end of `into`, leaving the container empty. False when it holds none.
bool takeChildren(PropertyListValue::Array* array, PropertyListValue::Dictionary* dictionary,
                  std::vector<PropertyListValue>& into) {
    if (array && !array->empty()) {
        for (auto& element : *array) into.push_back(std::move(element));
        array->clear();
        return true;
    }
    if (dictionary && !dictionary->empty()) {
        for (auto& entry : *dictionary) into.push_back(std::move(entry.second));
        dictionary->clear();
        return true;
    }
    return false;
}

}  // namespace

PropertyListValue::~PropertyListValue() {
    auto* array = std::get_if<Array>(&storage_);
    auto* dictionary = std::get_if<Dictionary>(&storage_);
    if ((!array || array->empty()) && (!dictionary || dictionary->empty())) return;
    try {
        // The values below this one wait here instead of on the stack; each is emptied before
        // it is destroyed, so no destructor goes deeper than one level.
        std::vector<PropertyListValue> pending;
        takeChildren(array, dictionary, pending);
        while (!pending.empty()) {
            PropertyListValue last = std::move(pending.back());
            pending.pop_back();
            takeChildren(std::get_if<Array>(&last.storage_),
                         std::get_if<Dictionary>(&last.storage_), pending);
        }
    } catch (const std::bad_alloc&) {
        // Whatever is left is destroyed the ordinary way.
    }
}

PropertyListValue::Kind PropertyListValue::kind() const {
    return static_cast<Kind>(storage_.index());
}

std::optional<bool> PropertyListValue::boolValue() const {
    if (const auto* value = std::get_if<bool>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<std::int64_t> PropertyListValue::integerValue() const {
    if (const auto* value = std::get_if<std::int64_t>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<double> PropertyListValue::realValue() const {
    if (const auto* value = std::get_if<double>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<double> PropertyListValue::numberValue() const {
    if (const auto* value = std::get_if<std::int64_t>(&storage_)) {
        return static_cast<double>(*value);
    }
    return realValue();
}

const std::string* PropertyListValue::stringValue() const {
    return std::get_if<std::string>(&storage_);
}

const Data* PropertyListValue::dataValue() const {
    return std::get_if<Data>(&storage_);
}

const PropertyListDate* PropertyListValue::dateValue() const {
    return std::get_if<PropertyListDate>(&storage_);
}

const PropertyListValue::Array* PropertyListValue::arrayValue() const {
    return std::get_if<Array>(&storage_);
}

const PropertyListValue::Dictionary* PropertyListValue::dictionaryValue() const {
    return std::get_if<Dictionary>(&storage_);
}

const PropertyListValue* PropertyListValue::find(std::string_view key) const {
    const auto* dictionary = dictionaryValue();
    if (!dictionary) return nullptr;
    const auto entry = dictionary->find(key);
    return entry == dictionary->end() ? nullptr : &entry->second;
}

bool operator==(const PropertyListValue& lhs, const PropertyListValue& rhs) {
    return lhs.storage_ == rhs.storage_;
}

}  // namespace quorvel::platform
