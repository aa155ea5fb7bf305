#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UI/InterfaceOrientation.h"
#include "Platform/UI/PresentationController.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

class NavigationController;
class Window;

// How a presented controller covers the screen: fullScreen takes the presenting controller's
// views out of the window once the transition is over (they disappear); overFullScreen keeps
// them (they do not disappear; alerts use it).
enum class ModalPresentationStyle { fullScreen, overFullScreen };

// Manages one screen's view, standing in for the phone platform's view controller. Reference
// type (std::shared_ptr, made by the subclass); main thread only.
//
// The view is loaded lazily: view() calls loadView() (the nib named nibName built by
// NibRegistry, else a plain 390 × 844 view), then viewDidLoad(). The root view's layout pass
// calls viewWillLayoutSubviews() before and viewDidLayoutSubviews() after its layoutSubviews().
//
// Appearance. A controller's view is in the window only while the controller is shown. The
// callbacks come in this order (in, out = the controllers whose views come onto and leave the
// screen):
//
//   push      in.viewWillAppear, out.viewWillDisappear, [transition],
//             out.viewDidDisappear, in.viewDidAppear
//   pop       the same with in = the controller below, out = the popped one
//   present   in.viewWillAppear (the presented), out.viewWillDisappear (the presenting, only for
//             fullScreen), [transition], out.viewDidDisappear, in.viewDidAppear
//   dismiss   in.viewWillAppear (the presenting, only for fullScreen), out.viewWillDisappear
//             (the dismissed), [transition], out.viewDidDisappear, in.viewDidAppear
//
// The incoming view enters the window before its viewWillAppear; the outgoing view leaves the
// window after the transition, before its viewDidDisappear. [transition] is 0.35 s on Clock
// (transitionDuration) when animated, nothing otherwise (the whole sequence then runs within the
// call). Starting a transition while one is running finishes the running one at once first.
// A container (NavigationController) passes its appearance callbacks on to its visible child.
// Controllers of a container that is not on screen get no callbacks; they run when it appears.
class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    static constexpr double transitionDuration = 0.35;

    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    const std::string& nibName() const { return nibName_; }

    // --- View -------------------------------------------------------------------------------
    // Loads the view on first use.
    std::shared_ptr<View> view();
    std::shared_ptr<View> viewIfLoaded() const { return view_; }
    bool isViewLoaded() const { return view_ != nullptr; }
    void loadViewIfNeeded() { (void)view(); }
    // Replaces the root view (nib builders and loadView overrides call it).
    void setView(std::shared_ptr<View> view);

    // Builds the view: the registered nib, else a plain view of Window::defaultSize.
    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}

    // Whether the controller is between viewWillAppear and viewWillDisappear (appearing or
    // shown).
    bool isVisible() const;
    // Runs the appearance callbacks (containers pass them on to their visible child). Call
    // beginAppearanceTransition then endAppearanceTransition; repeated calls for the state the
    // controller is already in are ignored.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

    // --- Containment and presentation ---------------------------------------------------------
    std::shared_ptr<ViewController> parent() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<ViewController>>& children() const { return children_; }
    // The nearest NavigationController among the controller's parents, else null.
    std::shared_ptr<NavigationController> navigationController() const;

    // The controller presenting this one (its own or its topmost parent's presenter), or null.
    std::shared_ptr<ViewController> presentingViewController() const;
    // The controller this one (or its topmost parent) presents, or null.
    std::shared_ptr<ViewController> presentedViewController() const;
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }

    ModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) {
        modalPresentationStyle_ = style;
    }
    // Created on first use; the same object for the controller's life.
    std::shared_ptr<PresentationController> presentationController();

    // Presents `controller` over the topmost parent of this controller, which must be in a
    // window and present nothing yet (else nothing happens and the reason is written to standard
    // error, as the platform logs it). The presented view fills the window. `completion` runs
    // after viewDidAppear.
    void present(const std::shared_ptr<ViewController>& controller, bool animated,
                 std::function<void()> completion = {});
    // Dismisses what this controller presents; when it presents nothing, dismisses this
    // controller (or its topmost parent) from its presenter. Controllers presented above the
    // dismissed one go with it (without callbacks of their own beyond disappearing).
    // `completion` runs after the presenting controller's viewDidAppear; when there is nothing to
    // dismiss it runs on the next turn of the main queue.
    void dismiss(bool animated, std::function<void()> completion = {});

    // --- Orientation and title ----------------------------------------------------------------
    virtual bool shouldAutorotate() const { return true; }
    virtual InterfaceOrientationMask supportedInterfaceOrientations() const {
        return InterfaceOrientationMask::allButUpsideDown;
    }
    virtual InterfaceOrientation preferredInterfaceOrientationForPresentation() const {
        return InterfaceOrientation::portrait;
    }

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

protected:
    explicit ViewController(std::string nibName = {});

    // Containers: add and remove children (no appearance callbacks).
    void addChild(const std::shared_ptr<ViewController>& child);
    void removeChild(const std::shared_ptr<ViewController>& child);
    // The children that get this controller's appearance callbacks; by default all.
    virtual std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const;
    // Called when the view was installed by loadView/setView (containers place their content).
    virtual void didInstallView() {}
    // Called by beginAppearanceTransition before the children hear of it: a container puts the
    // view of the child that is about to appear into its own view (loading it on first use).
    virtual void prepareChildrenForAppearance() {}

    // Helpers for transitions: runs `finish` after transitionDuration on Clock when animated,
    // else at once; at most one pending per controller, and begin a new one finishes the old.
    void runTransition(bool animated, std::function<void()> finish);
    void finishPendingTransition();

private:
    friend class NavigationController;
    friend class PresentationController;
    friend class Window;

    enum class Appearance { disappeared, appearing, appeared, disappearing };

    std::shared_ptr<ViewController> topmostParent();
    void completeDismissal(bool animated, std::function<void()> completion);

    std::string nibName_;
    std::shared_ptr<View> view_;
    std::string title_;
    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;
    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
    ModalPresentationStyle modalPresentationStyle_ = ModalPresentationStyle::fullScreen;
    std::shared_ptr<PresentationController> presentationController_;
    Appearance appearance_ = Appearance::disappeared;
    bool appearanceAnimated_ = false;
    std::shared_ptr<std::function<void()>> pendingTransition_;
};

}  // namespace quorvel::platform
