#include "Platform/Foundation/ContentSizeCategory.h"

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "Platform/Foundation/NotificationCenter.h"

namespace quorvel::platform {

namespace {

constexpr std::array<std::string_view, 12> kNames = {
    "UICTContentSizeCategoryXS",
    "UICTContentSizeCategoryS",
    "UICTContentSizeCategoryM",
    "UICTContentSizeCategoryL",
    "UICTContentSizeCategoryXL",
    "UICTContentSizeCategoryXXL",
    "UICTContentSizeCategoryXXXL",
    "UICTContentSizeCategoryAccessibilityM",
    "UICTContentSizeCategoryAccessibilityL",
    "UICTContentSizeCategoryAccessibilityXL",
    "UICTContentSizeCategoryAccessibilityXXL",
    "UICTContentSizeCategoryAccessibilityXXXL",
};

}  // namespace

std::string_view contentSizeCategoryName(ContentSizeCategory category) {
    const auto index = static_cast<std::size_t>(category);
    return index < kNames.size() ? kNames[index] : std::string_view();
}

std::optional<ContentSizeCategory> contentSizeCategoryFromName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) return static_cast<ContentSizeCategory>(i);
    }
    return std::nullopt;
}

bool isAccessibilityCategory(ContentSizeCategory category) {
    return category >= ContentSizeCategory::accessibilityMedium;
}

std::atomic<ContentSizeCategory> TextSizeSetting::value_{ContentSizeCategory::large};

ContentSizeCategory TextSizeSetting::current() {
    return value_.load();
}

void TextSizeSetting::set(ContentSizeCategory category) {
    if (value_.exchange(category) == category) return;
    NotificationUserInfo userInfo;
    userInfo.emplace(newValueKey, std::string(contentSizeCategoryName(category)));
    NotificationCenter::defaultCenter()->post(didChangeNotification, std::move(userInfo));
}

}  // namespace quorvel::platform
