#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UI/AlertAction.h"
#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

class Button;
class Label;

enum class AlertControllerStyle { alert, actionSheet };

// A modal dialog with a title, a message and action buttons, standing in for the phone
// platform's alert controller. Shown with present() (overFullScreen: the screen below stays and
// does not disappear). Its view is drawn in the window like any other: a dimmed backdrop over the
// whole window and a centred white card (270 points wide, corner radius 14) with the title
// (bold, 17 points), the message (13 points) and one real Button per action (side by side for
// two actions, else stacked; the cancel action last). The card is an accessibility-modal
// container: the title reads as a header, the buttons as buttons.
//
// Tapping an action's button (or, for the escape action, pressing Escape) dismisses the alert
// (animated) and then runs the action's handler. While it is shown the alert holds the keyboard
// focus, on the escape action's button (else the first one); the view that had the focus gets it
// back when the alert goes. Once shown it posts a screen change, so that a screen reader starts at
// its title. Main thread only.
class AlertController : public ViewController {
public:
    static std::shared_ptr<AlertController> make(
        std::optional<std::string> title, std::optional<std::string> message,
        AlertControllerStyle style = AlertControllerStyle::alert);

    const std::optional<std::string>& alertTitle() const { return alertTitle_; }
    const std::optional<std::string>& message() const { return message_; }
    AlertControllerStyle preferredStyle() const { return style_; }

    // Actions added after the view has loaded are shown too.
    void addAction(AlertAction action);
    const std::vector<AlertAction>& actions() const { return actions_; }
    // The button of the first action with that title, or nullptr (before the view loads, it is
    // loaded).
    std::shared_ptr<Button> buttonForAction(const std::string& title);
    // Dismisses the alert and runs the action at `index` (what a tap on its button does).
    void triggerAction(std::size_t index);
    // The cancel action's index, if there is one.
    std::optional<std::size_t> cancelActionIndex() const;
    // The action Escape takes: the cancel action; without one, the only action that is not
    // destructive (an alert whose "Keep" or "Cancel" only closes it, beside a destructive
    // action); else none.
    std::optional<std::size_t> escapeActionIndex() const;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    AlertController(std::optional<std::string> title, std::optional<std::string> message,
                    AlertControllerStyle style);

private:
    void rebuildButtons();
    void layoutCard(View& root);

    std::optional<std::string> alertTitle_;
    std::optional<std::string> message_;
    AlertControllerStyle style_;
    std::vector<AlertAction> actions_;
    std::shared_ptr<View> card_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Label> messageLabel_;
    std::vector<std::shared_ptr<Button>> buttons_;
    bool acting_ = false;
    std::weak_ptr<View> focusBefore_;
};

}  // namespace quorvel::platform
