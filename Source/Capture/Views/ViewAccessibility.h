#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/UI/View.h"

namespace quorvel {

// The screens' accessibility set-up of a view: its reading order and its localized label and
// hint. Main thread only.
struct ViewAccessibility {
    // Makes `elements`, in the order given, the view's accessibility elements; null elements are
    // left out. No elements (or only null ones) leave an empty list.
    static void applyAccessibilityOrder(
        platform::View& view, const std::vector<std::shared_ptr<platform::View>>& elements);
    template <class... Views>
    static void applyAccessibilityOrder(platform::View& view,
                                        const std::shared_ptr<Views>&... elements) {
        applyAccessibilityOrder(view, std::vector<std::shared_ptr<platform::View>>{
                                          std::static_pointer_cast<platform::View>(elements)...});
    }

    // Makes the view an accessibility element labelled with the text for `labelKey` (looked up as
    // LocalizedText::lookup does: `bundle` first, then the framework's resource bundle). With
    // tokens, that text is a format filled with them as text arguments (LocalizedText::format,
    // which never lets a host text read the wrong arguments). The hint is the text for `hintKey`,
    // looked up the same way and never formatted; without a hint key the view's hint is cleared,
    // so a control whose state has no hint does not keep the hint of its previous state.
    static void makeAccessible(platform::View& view, std::string_view labelKey,
                               std::optional<std::string_view> hintKey,
                               const std::shared_ptr<platform::Bundle>& bundle,
                               const std::vector<std::string>& tokens = {});
};

}  // namespace quorvel
