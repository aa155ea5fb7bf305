#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

class View;

// The notifications the user interface posts to assistive technology, with the phone platform's
// meanings: an announcement speaks its text; layoutChanged and screenChanged say that part of /
// the whole screen changed, with the element (or text) to move to.
enum class AccessibilityNotification { announcement, layoutChanged, screenChanged };

// The argument of a post: nothing, a text, or a view (held weakly).
using AccessibilityArgument = std::variant<std::monostate, std::string, std::weak_ptr<View>>;

// One recorded post.
struct AccessibilityPost {
    AccessibilityNotification notification;
    AccessibilityArgument argument;
    // Clock::now() when posted.
    TimePoint time;

    // The argument as text ("" when it is not a text).
    std::string text() const;
    // The argument as a view (nullptr when it is not a live view).
    std::shared_ptr<View> view() const;
};

// The user interface's link to assistive technology (the screen reader). Main thread only.
//
// isVoiceOverRunning() answers the test override when set, else the installed provider (the Qt
// host installs QAccessible::isActive()), else false. post() records every post with its Clock
// time and forwards it to the installed sink (the Qt host's accessibility bridge).
//
// orderedElements() gives the reading order a screen reader walks: the accessibility elements
// under a view, depth first, where a view's children are its accessibilityElements() when set,
// else its subviews back to front; hidden views (and their subtrees), views with alpha <= 0.01
// and views outside a window are skipped; an element's own subviews are not visited. When a
// visible view with accessibilityViewIsModal is among a container's children, only the last
// such view is visited.
class Accessibility {
public:
    Accessibility() = delete;

    static bool isVoiceOverRunning();
    static void setVoiceOverRunningOverride(std::optional<bool> running);
    static void setVoiceOverRunningProvider(std::function<bool()> provider);
    static std::function<bool()> voiceOverRunningProvider();

    static void post(AccessibilityNotification notification,
                     AccessibilityArgument argument = std::monostate{});
    static const std::vector<AccessibilityPost>& postedNotifications();
    static void clearPosted();
    static void setSink(std::function<void(const AccessibilityPost&)> sink);
    static std::function<void(const AccessibilityPost&)> sink();

    // The keyboard focus moved to `view` (Window::setFocusedView): handed to the installed focus
    // sink (the Qt host's accessibility bridge moves the screen reader along). Not recorded.
    static void keyboardFocusDidMove(const std::shared_ptr<View>& view);
    static void setFocusSink(std::function<void(const std::shared_ptr<View>&)> sink);
    // A push, pop, presentation or dismissal has finished in `window`: handed to the installed
    // screen sink (the bridge tells the desktop of the new screen, as the phone platform's screen
    // change does by itself). Not recorded.
    static void screenDidChange(const std::shared_ptr<View>& window);
    static void setScreenSink(std::function<void(const std::shared_ptr<View>&)> sink);

    static std::vector<std::shared_ptr<View>> orderedElements(const std::shared_ptr<View>& root);
    // The same walk for any kind of leaf (keyboard focus takes the views that can be focused),
    // from `root` whether or not it is in a window.
    static std::vector<std::shared_ptr<View>> orderedViews(
        const std::shared_ptr<View>& root, const std::function<bool(const View&)>& isLeaf);
};

}  // namespace quorvel::platform
