#pragma once

namespace quorvel::platform {

// The keys the window acts on (Window::sendKey). Space and enter activate the focused control,
// tab and backtab move the focus through the accessibility order, escape takes the escape action
// of an alert on screen (AlertController::escapeActionIndex), the arrows adjust an adjustable
// element (a page control).
enum class Key { space, enter, tab, backtab, escape, left, right, up, down };

}  // namespace quorvel::platform
