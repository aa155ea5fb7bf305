#include "Source/Capture/Views/ViewAccessibility.h"

#include "Source/Configuration/LocalizedText.h"

namespace quorvel {

void ViewAccessibility::applyAccessibilityOrder(
    platform::View& view, const std::vector<std::shared_ptr<platform::View>>& elements) {
    std::vector<std::shared_ptr<platform::View>> order;
    order.reserve(elements.size());
    for (const auto& element : elements) {
        if (element) order.push_back(element);
    }
    view.setAccessibilityElements(std::move(order));
}

void ViewAccessibility::makeAccessible(platform::View& view, std::string_view labelKey,
                                       std::optional<std::string_view> hintKey,
                                       const std::shared_ptr<platform::Bundle>& bundle,
                                       const std::vector<std::string>& tokens) {
    view.setIsAccessibilityElement(true);
    if (tokens.empty()) {
        view.setAccessibilityLabel(LocalizedText::lookup(labelKey, bundle));
    } else {
        const std::vector<TextArgument> arguments(tokens.begin(), tokens.end());
        view.setAccessibilityLabel(LocalizedText::format(labelKey, bundle, arguments));
    }
    if (hintKey) {
        view.setAccessibilityHint(LocalizedText::lookup(*hintKey, bundle));
    } else {
        view.setAccessibilityHint(std::nullopt);
    }
}

}  // namespace quorvel
