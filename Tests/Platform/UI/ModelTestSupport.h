#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/View.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform::testing {

// A view controller that writes its appearance callbacks into a shared journal as
// "<name>.willAppear" and so on, and says whether its view was in a window at that moment.
class JournalController : public ViewController {
public:
    static std::shared_ptr<JournalController> make(std::string name,
                                                   std::shared_ptr<std::vector<std::string>> log) {
        return std::shared_ptr<JournalController>(new JournalController(std::move(name), log));
    }

    void viewDidLoad() override { note("viewDidLoad"); }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }

    // Whether the view was in a window at each callback, in order.
    std::vector<bool> inWindow;

private:
    JournalController(std::string name, std::shared_ptr<std::vector<std::string>> log)
        : name_(std::move(name)), log_(std::move(log)) {}

    void note(const char* what) {
        log_->push_back(name_ + "." + what);
        auto view = viewIfLoaded();
        inWindow.push_back(view && view->window() != nullptr);
    }

    std::string name_;
    std::shared_ptr<std::vector<std::string>> log_;
};

// A window on screen with a manual clock and an empty main queue; advance() moves the clock and
// runs what became due.
class UIModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainRunLoop::discardPendingWork();
        Accessibility::clearPosted();
        Accessibility::setVoiceOverRunningOverride(std::nullopt);
        Transaction::resetImplicit();
        window = Window::make();
        root = View::make(window->bounds());
        window->addSubview(root);
        window->makeKeyAndVisible();
    }

    void TearDown() override {
        MainRunLoop::runUntilIdle();
        MainRunLoop::discardPendingWork();
    }

    void advance(double seconds) {
        clock.advance(std::chrono::duration<double>(seconds));
        MainRunLoop::runUntilIdle();
    }

    void turn() { MainRunLoop::runUntilIdle(); }

    ScopedManualClock clock;
    std::shared_ptr<Window> window;
    std::shared_ptr<View> root;
};

}  // namespace quorvel::platform::testing
