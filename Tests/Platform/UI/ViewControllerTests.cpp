#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/UIDriver.h"

namespace quorvel::platform {
namespace {

using testing::JournalController;
using testing::UIModelTest;
using Log = std::vector<std::string>;

class Controllers : public UIModelTest {
protected:
    std::shared_ptr<JournalController> make(const std::string& name) {
        return JournalController::make(name, log);
    }
    // Puts a navigation controller with `first` on screen as the window's root.
    std::shared_ptr<NavigationController> showNavigation(
        const std::shared_ptr<ViewController>& first) {
        root->removeFromSuperview();
        auto navigation = NavigationController::make(first);
        navigation->setNavigationBarHidden(true, false);
        window->setRootViewController(navigation);
        window->layoutIfNeeded();
        log->clear();
        return navigation;
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
};

TEST_F(Controllers, PushAndPopAppearInTheWrittenOrderAndMoveViewsInAndOutOfTheWindow) {
    const auto camera = make("camera");
    const auto preview = make("preview");
    const auto navigation = showNavigation(camera);
    EXPECT_TRUE(camera->viewIfLoaded()->window());
    EXPECT_EQ(camera->navigationController(), navigation);
    camera->inWindow.clear();

    navigation->pushViewController(preview, true);
    EXPECT_EQ(*log, (Log{"preview.viewDidLoad", "preview.willAppear", "camera.willDisappear"}));
    advance(0.3);
    EXPECT_EQ(log->size(), 3u);  // the transition lasts 0.35 s
    advance(0.05);
    EXPECT_EQ(*log, (Log{"preview.viewDidLoad", "preview.willAppear", "camera.willDisappear",
                         "camera.didDisappear", "preview.didAppear"}));
    // The incoming view was in the window from its willAppear; the outgoing one left before
    // its didDisappear.
    EXPECT_EQ(preview->inWindow, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(camera->inWindow, (std::vector<bool>{true, false}));
    EXPECT_EQ(camera->viewIfLoaded()->window(), nullptr);

    log->clear();
    EXPECT_EQ(navigation->popViewController(false), preview);
    EXPECT_EQ(*log, (Log{"camera.willAppear", "preview.willDisappear", "preview.didDisappear",
                         "camera.didAppear"}));
    EXPECT_EQ(preview->viewIfLoaded()->window(), nullptr);
    EXPECT_EQ(preview->navigationController(), nullptr);
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->popViewController(false), nullptr);  // the root stays
}

TEST_F(Controllers, ANewTransitionFinishesTheRunningOneFirstAndPopToRootSkipsTheMiddle) {
    const auto a = make("a");
    const auto b = make("b");
    const auto c = make("c");
    const auto navigation = showNavigation(a);
    navigation->pushViewController(b, true);
    navigation->pushViewController(c, false);  // finishes the push of b at once, then pushes c
    EXPECT_EQ(*log, (Log{"b.viewDidLoad", "b.willAppear", "a.willDisappear", "a.didDisappear",
                         "b.didAppear", "c.viewDidLoad", "c.willAppear", "b.willDisappear",
                         "b.didDisappear", "c.didAppear"}));
    log->clear();
    const auto popped = navigation->popToRootViewController(false);
    EXPECT_EQ(popped, (std::vector<std::shared_ptr<ViewController>>{b, c}));
    EXPECT_EQ(*log, (Log{"a.willAppear", "c.willDisappear", "c.didDisappear", "a.didAppear"}));
    EXPECT_EQ(navigation->topViewController(), a);
}

TEST_F(Controllers, ControllersOfANavigationControllerOffScreenGetNoCallbacksUntilItAppears) {
    const auto a = make("a");
    const auto b = make("b");
    auto navigation = NavigationController::make(a);
    navigation->pushViewController(b, false);
    EXPECT_TRUE(log->empty());
    EXPECT_EQ(navigation->topViewController(), b);
    navigation->setViewControllers({a}, false);
    EXPECT_EQ(navigation->topViewController(), a);
    // Loading the navigation controller's view does not load its children's.
    navigation->view()->setBackgroundColor(Color::black());
    EXPECT_FALSE(a->isViewLoaded());
    window->setRootViewController(navigation);
    EXPECT_EQ(*log, (Log{"a.viewDidLoad", "a.willAppear", "a.didAppear"}));
}

TEST_F(Controllers, PresentAndDismissAppearInTheWrittenOrder) {
    const auto host = make("host");
    const auto modal = make("modal");
    root->removeFromSuperview();
    window->setRootViewController(host);
    log->clear();

    bool presented = false;
    host->present(modal, true, [&] { presented = true; });
    EXPECT_EQ(*log, (Log{"modal.viewDidLoad", "modal.willAppear", "host.willDisappear"}));
    EXPECT_TRUE(modal->isBeingPresented());
    EXPECT_EQ(modal->presentingViewController(), host);
    EXPECT_EQ(host->presentedViewController(), modal);
    EXPECT_EQ(window->topViewController(), modal);
    advance(0.35);
    EXPECT_EQ(*log, (Log{"modal.viewDidLoad", "modal.willAppear", "host.willDisappear",
                         "host.didDisappear", "modal.didAppear"}));
    EXPECT_TRUE(presented);
    EXPECT_FALSE(modal->isBeingPresented());
    EXPECT_EQ(host->viewIfLoaded()->window(), nullptr);  // full screen: the host left the window
    EXPECT_EQ(modal->viewIfLoaded()->frame(), window->bounds());

    // Presenting a second one from the host is refused while the first is up.
    const auto other = make("other");
    host->present(other, false);
    EXPECT_EQ(other->presentingViewController(), nullptr);

    log->clear();
    bool dismissed = false;
    modal->dismiss(false, [&] { dismissed = true; });
    EXPECT_EQ(*log, (Log{"host.willAppear", "modal.willDisappear", "modal.didDisappear",
                         "host.didAppear"}));
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(modal->presentingViewController(), nullptr);
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_TRUE(host->viewIfLoaded()->window());
    EXPECT_FALSE(modal->viewIfLoaded()->window());
}

TEST_F(Controllers, AChildPresentsThroughItsNavigationControllerAndDismissingTheStackEndsTheFlow) {
    const auto host = make("host");
    root->removeFromSuperview();
    window->setRootViewController(host);
    const auto camera = make("camera");
    auto navigation = NavigationController::make(camera);
    host->present(navigation, false);
    const auto picker = make("picker");
    camera->present(picker, false);
    EXPECT_EQ(picker->presentingViewController(), navigation);
    EXPECT_EQ(camera->presentedViewController(), picker);
    EXPECT_EQ(navigation->visibleViewController(), picker);

    log->clear();
    navigation->dismiss(false);  // dismisses what the navigation controller presents
    EXPECT_EQ(*log, (Log{"camera.willAppear", "picker.willDisappear", "picker.didDisappear",
                         "camera.didAppear"}));
    log->clear();
    bool ended = false;
    camera->dismiss(true, [&] { ended = true; });  // a child dismisses its whole stack
    advance(0.35);
    EXPECT_TRUE(ended);
    EXPECT_EQ(*log, (Log{"host.willAppear", "camera.willDisappear", "camera.didDisappear",
                         "host.didAppear"}));
    EXPECT_EQ(host->presentedViewController(), nullptr);
}

TEST_F(Controllers, AnAlertIsDrawnOverTheScreenAndItsHandlerRunsAfterItHasGone) {
    const auto screen = make("screen");
    root->removeFromSuperview();
    window->setRootViewController(screen);
    log->clear();
    auto alert = AlertController::make("Blurry photo", "Retake it?");
    std::vector<std::string> chosen;
    alert->addAction({"Retake", AlertActionStyle::destructive,
                      [&](const AlertAction& a) { chosen.push_back(a.title); }});
    alert->addAction({"Keep", AlertActionStyle::defaultStyle,
                      [&](const AlertAction& a) { chosen.push_back(a.title); }});
    screen->present(alert, true);
    advance(0.35);
    window->layoutIfNeeded();
    // Over full screen: the screen below neither disappears nor leaves the window.
    EXPECT_TRUE(log->empty());
    EXPECT_TRUE(screen->viewIfLoaded()->window());
    // The card and its buttons are real views on top.
    const auto retake = alert->buttonForAction("Retake");
    ASSERT_TRUE(retake);
    EXPECT_EQ(window->hitTest(retake->convert(retake->bounds().center(), nullptr), nullptr),
              retake);
    EXPECT_EQ(retake->currentTitle(), "Retake");

    ASSERT_TRUE(UIDriver::tapAlertAction(*alert, "Retake"));
    EXPECT_TRUE(chosen.empty());
    UIDriver::tapAlertAction(*alert, "Keep");  // a second tap while going away does nothing
    advance(0.35);
    EXPECT_EQ(chosen, (std::vector<std::string>{"Retake"}));
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_FALSE(alert->viewIfLoaded()->window());
}

TEST_F(Controllers, EscapeTakesTheAlertsCancelAction) {
    const auto screen = make("screen");
    root->removeFromSuperview();
    window->setRootViewController(screen);
    auto alert = AlertController::make(std::nullopt, "Discard the pages?");
    std::string chosen;
    alert->addAction({"Discard", AlertActionStyle::destructive,
                      [&](const AlertAction& a) { chosen = a.title; }});
    alert->addAction(
        {"Cancel", AlertActionStyle::cancel, [&](const AlertAction& a) { chosen = a.title; }});
    screen->present(alert, false);
    // Focus stays inside the alert.
    window->sendKey(Key::tab);
    ASSERT_TRUE(window->focusedView());
    EXPECT_TRUE(window->focusedView()->isDescendantOf(*alert->viewIfLoaded()));
    EXPECT_TRUE(window->sendKey(Key::escape));
    advance(0.35);
    EXPECT_EQ(chosen, "Cancel");
}

TEST_F(Controllers, AnOpeningAlertTakesTheFocusAndEscapeTakesItsOnlyHarmlessAction) {
    const auto screen = make("screen");
    root->removeFromSuperview();
    window->setRootViewController(screen);
    auto below = Button::make({}, Rect::make(20, 700, 100, 44));
    int pressedBelow = 0;
    below->addAction(ControlEvent::touchUpInside, [&](Control&, const Event*) { ++pressedBelow; });
    screen->view()->addSubview(below);
    ASSERT_TRUE(window->setFocusedView(below));

    // Like the preview's alerts: a destructive action and one that only closes the alert.
    std::string chosen;
    const auto makeAlert = [&] {
        auto alert = AlertController::make(std::nullopt, "Discard the pages?");
        alert->addAction({"Discard", AlertActionStyle::destructive,
                          [&](const AlertAction& a) { chosen = a.title; }});
        alert->addAction({"Keep", AlertActionStyle::defaultStyle,
                          [&](const AlertAction& a) { chosen = a.title; }});
        return alert;
    };
    auto alert = makeAlert();
    screen->present(alert, true);
    EXPECT_EQ(window->focusedView(), alert->buttonForAction("Keep"))
        << "keys go to the alert from the moment it opens";
    window->sendKey(Key::space);
    advance(0.35);
    EXPECT_EQ(pressedBelow, 0) << "the control under the alert is not pressed";
    EXPECT_EQ(chosen, "Keep");

    chosen.clear();
    screen->present(makeAlert(), false);
    EXPECT_TRUE(window->sendKey(Key::escape));
    advance(0.35);
    EXPECT_EQ(chosen, "Keep");
    EXPECT_EQ(window->focusedView(), below) << "the focus comes back where it was";

    // Escape never takes a destructive action.
    auto onlyDestructive = AlertController::make(std::nullopt, "Delete?");
    onlyDestructive->addAction(
        {"Delete", AlertActionStyle::destructive, [&](const AlertAction& a) { chosen = a.title; }});
    chosen.clear();
    screen->present(onlyDestructive, false);
    EXPECT_FALSE(window->sendKey(Key::escape));
    advance(0.35);
    EXPECT_TRUE(chosen.empty());
}

class PickerWatcher : public ImagePickerControllerDelegate,
                      public AdaptivePresentationControllerDelegate {
public:
    void imagePickerControllerDidFinishPickingMediaWithInfo(ImagePickerController& picker,
                                                            const PickerInfo& info) override {
        events.push_back("picked");
        const auto it = info.find(ImagePickerController::originalImageKey);
        if (it != info.end()) {
            if (auto* image = std::get_if<std::shared_ptr<Image>>(&it->second)) {
                picked = *image;
            }
        }
        picker.dismiss(true);
    }
    void imagePickerControllerDidCancel(ImagePickerController& picker) override {
        events.push_back("cancelled");
        picker.dismiss(true);
    }
    void presentationControllerWillDismiss(PresentationController&) override {
        events.push_back("willDismiss");
    }
    void presentationControllerDidDismiss(PresentationController&) override {
        events.push_back("didDismiss");
    }
    std::vector<std::string> events;
    std::shared_ptr<Image> picked;
};

TEST_F(Controllers, ThePickerHandsBackAPickACancelOrASwipeAway) {
    const auto camera = make("camera");
    root->removeFromSuperview();
    window->setRootViewController(camera);
    auto watcher = std::make_shared<PickerWatcher>();
    ASSERT_TRUE(ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType::photoLibrary));

    const auto present = [&] {
        auto picker = ImagePickerController::make();
        picker->setDelegate(watcher);
        picker->presentationController()->setDelegate(watcher);
        camera->present(picker, true);
        advance(0.35);
        window->layoutIfNeeded();
        return picker;
    };

    auto picker = present();
    const auto image = Image::make(Bitmap::make(4, 3));
    EXPECT_TRUE(UIDriver::pickImage(*picker, image));
    EXPECT_FALSE(UIDriver::pickImage(*picker, image));  // answered once
    advance(0.35);
    EXPECT_EQ(watcher->picked, image);
    EXPECT_EQ(camera->presentedViewController(), nullptr);

    picker = present();
    EXPECT_TRUE(UIDriver::cancelPicker(*picker));  // taps its Cancel button
    advance(0.35);
    picker = present();
    log->clear();
    EXPECT_TRUE(UIDriver::swipeAwayPicker(*picker));
    advance(0.35);
    EXPECT_EQ(watcher->events,
              (std::vector<std::string>{"picked", "cancelled", "willDismiss", "didDismiss"}));
    EXPECT_EQ(*log, (Log{"camera.willAppear", "camera.didAppear"}));
    EXPECT_FALSE(UIDriver::swipeAwayPicker(*picker));  // no longer presented
}

TEST_F(Controllers, ANibBuildsTheViewOnFirstUseAndTheDefaultsArePortraitFriendly) {
    class Owner : public ViewController {
    public:
        Owner() : ViewController("TestNib") {}
        std::shared_ptr<View> outlet;
        int loads = 0;
        void viewDidLoad() override { ++loads; }
    };
    NibRegistry::registerBuilder("TestNib", [](ViewController& owner) {
        auto rootView = View::make(Rect::make(0, 0, 390, 844));
        auto child = View::make(Rect::make(0, 0, 10, 10));
        rootView->addSubview(child);
        static_cast<Owner&>(owner).outlet = child;
        return rootView;
    });
    const auto owner = std::make_shared<Owner>();
    EXPECT_FALSE(owner->isViewLoaded());
    const auto view = owner->view();
    EXPECT_EQ(owner->view(), view);
    EXPECT_EQ(owner->loads, 1);
    ASSERT_TRUE(owner->outlet);
    EXPECT_EQ(owner->outlet->superview(), view);
    EXPECT_EQ(view->viewController(), owner);
    EXPECT_EQ(rawValue(InterfaceOrientationMask::portrait), 2u);
    EXPECT_EQ(static_cast<int>(InterfaceOrientation::portrait), 1);
    EXPECT_EQ(owner->preferredInterfaceOrientationForPresentation(),
              InterfaceOrientation::portrait);
}

}  // namespace
}  // namespace quorvel::platform
