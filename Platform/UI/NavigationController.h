#pragma once

#include <memory>
#include <vector>

#include "Platform/UI/NavigationControllerDelegate.h"
#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

class Label;

// A stack of view controllers of which only the top one is shown, standing in for the phone
// platform's navigation controller. Its view holds a navigation bar (from the view's top to 44
// points below the safe area's top, the top controller's title in those 44 points; hidden when
// navigationBarHidden) and the top controller's view below it (the whole view when the bar is
// hidden). Only the top controller's view is in the window. Appearance order: see ViewController
// (push, pop). Changes of the stack while the navigation controller is not on screen swap the views
// without callbacks. Main thread only.
class NavigationController : public ViewController {
public:
    static constexpr double navigationBarHeight = 44;

    static std::shared_ptr<NavigationController> make(
        std::shared_ptr<ViewController> root = nullptr);

    std::vector<std::shared_ptr<ViewController>> viewControllers() const { return stack_; }
    // Replaces the stack. When the top controller changes and the navigation controller is on
    // screen, the change shows as a push (new top not in the old stack) or a pop.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                            bool animated);
    // A controller already in a stack is refused.
    void pushViewController(const std::shared_ptr<ViewController>& controller, bool animated);
    // The popped controller; nullptr with only the root left.
    std::shared_ptr<ViewController> popViewController(bool animated);
    // The popped controllers, bottom to top.
    std::vector<std::shared_ptr<ViewController>> popToRootViewController(bool animated);
    std::vector<std::shared_ptr<ViewController>> popToViewController(
        const std::shared_ptr<ViewController>& controller, bool animated);

    std::shared_ptr<ViewController> topViewController() const;
    // What the user sees: the top controller's presented controller if any, else the top one.
    std::shared_ptr<ViewController> visibleViewController() const;

    bool isNavigationBarHidden() const { return navigationBarHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated);
    // The bar (a plain view with a title label); exists once the view is loaded.
    std::shared_ptr<View> navigationBar() const { return navigationBar_; }

    std::shared_ptr<NavigationControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<NavigationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void loadView() override;

protected:
    explicit NavigationController(std::string nibName = {});
    std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const override;
    void didInstallView() override;
    void prepareChildrenForAppearance() override;

private:
    void transition(const std::shared_ptr<ViewController>& from,
                    const std::shared_ptr<ViewController>& to, bool animated);
    void layoutContent();
    // Puts the top controller's view into the navigation controller's view (loading it).
    void installTopView();
    Rect contentFrame() const;

    std::vector<std::shared_ptr<ViewController>> stack_;
    bool navigationBarHidden_ = false;
    std::shared_ptr<View> navigationBar_;
    std::shared_ptr<Label> titleLabel_;
    std::weak_ptr<NavigationControllerDelegate> delegate_;
};

}  // namespace quorvel::platform
