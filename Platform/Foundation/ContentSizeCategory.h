#pragma once

#include <atomic>
#include <optional>
#include <string_view>

namespace quorvel::platform {

// The user's preferred text size, smallest to largest. The order is meaningful: a later category
// reads larger. The five accessibility sizes come after the seven standard ones.
enum class ContentSizeCategory {
    extraSmall,
    small,
    medium,
    large,  // The platform's default.
    extraLarge,
    extraExtraLarge,
    extraExtraExtraLarge,
    accessibilityMedium,
    accessibilityLarge,
    accessibilityExtraLarge,
    accessibilityExtraExtraLarge,
    accessibilityExtraExtraExtraLarge,
};

// The platform's name of a category ("UICTContentSizeCategoryL" for large, and so on), the text
// that travels in the change notification.
std::string_view contentSizeCategoryName(ContentSizeCategory category);
std::optional<ContentSizeCategory> contentSizeCategoryFromName(std::string_view name);
bool isAccessibilityCategory(ContentSizeCategory category);

// The device's text-size setting, one for the process (large until set).
//
// A change posts didChangeNotification on the default notification centre, with the new
// category's name under newValueKey in the user info, as the phone platform does when the user
// changes the setting. The notification is posted synchronously on the thread that calls set();
// the platform posts it on the main thread, so code that stands in for the user should call set()
// there. Setting the current value again posts nothing.
class TextSizeSetting {
public:
    static constexpr const char* didChangeNotification =
        "UIContentSizeCategoryDidChangeNotification";
    static constexpr const char* newValueKey = "UIContentSizeCategoryNewValueKey";

    static ContentSizeCategory current();
    static void set(ContentSizeCategory category);

private:
    static std::atomic<ContentSizeCategory> value_;
};

}  // namespace quorvel::platform
