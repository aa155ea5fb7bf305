#include "Platform/UI/Accessibility.h"

#include <utility>

#include "Platform/UI/View.h"

namespace quorvel::platform {

namespace {

struct State {
    std::optional<bool> override;
    std::function<bool()> provider;
    std::vector<AccessibilityPost> posts;
    std::function<void(const AccessibilityPost&)> sink;
    std::function<void(const std::shared_ptr<View>&)> focusSink;
    std::function<void(const std::shared_ptr<View>&)> screenSink;
};

State& state() {
    static State instance;
    return instance;
}

bool isShown(const View& view) {
    return !view.isHidden() && view.alpha() > 0.01;
}

void collect(const std::shared_ptr<View>& view, const std::function<bool(const View&)>& isLeaf,
             std::vector<std::shared_ptr<View>>& out) {
    if (!view || !isShown(*view)) {
        return;
    }
    if (isLeaf(*view)) {
        out.push_back(view);
        return;
    }
    std::vector<std::shared_ptr<View>> children;
    if (const auto& elements = view->accessibilityElements()) {
        children = *elements;
    } else {
        children = view->subviews();
    }
    // A visible modal child hides its siblings from assistive technology.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (*it && (*it)->accessibilityViewIsModal() && isShown(**it)) {
            collect(*it, isLeaf, out);
            return;
        }
    }
    for (const auto& child : children) {
        collect(child, isLeaf, out);
    }
}

}  // namespace

std::string AccessibilityPost::text() const {
    const auto* text = std::get_if<std::string>(&argument);
    return text ? *text : std::string();
}

std::shared_ptr<View> AccessibilityPost::view() const {
    const auto* view = std::get_if<std::weak_ptr<View>>(&argument);
    return view ? view->lock() : nullptr;
}

bool Accessibility::isVoiceOverRunning() {
    const auto& s = state();
    if (s.override) {
        return *s.override;
    }
    return s.provider ? s.provider() : false;
}

void Accessibility::setVoiceOverRunningOverride(std::optional<bool> running) {
    state().override = running;
}

void Accessibility::setVoiceOverRunningProvider(std::function<bool()> provider) {
    state().provider = std::move(provider);
}

std::function<bool()> Accessibility::voiceOverRunningProvider() {
    return state().provider;
}

std::function<void(const AccessibilityPost&)> Accessibility::sink() {
    return state().sink;
}

void Accessibility::post(AccessibilityNotification notification, AccessibilityArgument argument) {
    auto& s = state();
    AccessibilityPost post{notification, std::move(argument), Clock::now()};
    s.posts.push_back(post);
    if (s.sink) {
        auto sink = s.sink;
        sink(post);
    }
}

const std::vector<AccessibilityPost>& Accessibility::postedNotifications() {
    return state().posts;
}

void Accessibility::clearPosted() {
    state().posts.clear();
}

void Accessibility::setSink(std::function<void(const AccessibilityPost&)> sink) {
    state().sink = std::move(sink);
}

void Accessibility::keyboardFocusDidMove(const std::shared_ptr<View>& view) {
    if (auto sink = state().focusSink) {
        sink(view);
    }
}

void Accessibility::setFocusSink(std::function<void(const std::shared_ptr<View>&)> sink) {
    state().focusSink = std::move(sink);
}

void Accessibility::screenDidChange(const std::shared_ptr<View>& window) {
    if (auto sink = state().screenSink; sink && window) {
        sink(window);
    }
}

void Accessibility::setScreenSink(std::function<void(const std::shared_ptr<View>&)> sink) {
    state().screenSink = std::move(sink);
}

std::vector<std::shared_ptr<View>> Accessibility::orderedElements(
    const std::shared_ptr<View>& root) {
    std::vector<std::shared_ptr<View>> out;
    if (!root || !root->window()) {
        return out;
    }
    // The root itself counts only when it is an element; otherwise its children are walked.
    collect(
        root, [](const View& view) { return view.isAccessibilityElement(); }, out);
    return out;
}

std::vector<std::shared_ptr<View>> Accessibility::orderedViews(
    const std::shared_ptr<View>& root, const std::function<bool(const View&)>& isLeaf) {
    std::vector<std::shared_ptr<View>> out;
    collect(root, isLeaf, out);
    return out;
}

}  // namespace quorvel::platform
